// The checks of a conformance run, and how each is asked.
#include "zurhost/conformance/Checks.h"
#include "com/Owners.h"

namespace {

BSTR const g_bstrUnset = reinterpret_cast<BSTR>(static_cast<ULONG_PTR>(0x00DEAD10));

const wchar_t* const g_kindNames[] = {L"CheckNewDevice",  L"CheckAll",         L"CheckPropertyChange",
                                      L"CheckInsertDrag", L"CheckInsertDrop",  L"CheckMoveDrag",
                                      L"CheckMoveDrop",   L"CheckReplaceDrag", L"CheckReplaceDrop",
                                      L"CheckConnect",    L"CheckDisconnect",  L"CheckDelete"};

std::wstring Quoted(const std::wstring& name)
{
    return name.empty() ? L"null" : L"\"" + name + L"\"";
}

void AddPlacing(const CPlant& plant, std::vector<CheckCall>& calls)
{
    for (const auto& dest : plant.plant) {
        for (const auto& ins : plant.palette)
            for (long bAsChild : {1L, 0L})
                for (CheckKind kind : {CheckKind::InsertDrag, CheckKind::InsertDrop})
                    calls.push_back({kind, ins, dest, bAsChild, {}});
        for (const auto& moved : plant.plant)
            if (moved != dest)
                for (CheckKind kind : {CheckKind::MoveDrag, CheckKind::MoveDrop})
                    calls.push_back({kind, moved, dest, 1, {}});
        for (const auto& replacement : plant.palette)
            for (CheckKind kind : {CheckKind::ReplaceDrag, CheckKind::ReplaceDrop})
                calls.push_back({kind, replacement, dest, 0, {}});
    }
}

// What the layer and an assistant share: the same arguments in the same order.
template <class Itf>
HRESULT Ask(Itf* p, const CPlant& plant, const CheckCall& c, CheckOuts& o)
{
    auto component = [&](const std::wstring& name) {
        return name.empty() ? ComPtr<IComponent>() : plant.Component(name);
    };
    auto port = [&](const std::wstring& ref) { return ref.empty() ? ComPtr<ICharacteristic>() : plant.Port(ref); };
    ComPtr<IComponent> spRoot = plant.Root(), spFirst = component(c.strFirst), spSecond = component(c.strSecond);
    switch (c.kind) {
    case CheckKind::NewDevice:
        return p->CheckNewDevice(&o.bstrMsg, spFirst.Get(), &o.bstrErrDB);
    case CheckKind::All:
        return p->CheckAll(&o.bstrMsg, c.strFirst.empty() ? nullptr : spRoot.Get(), &o.pChar1, &o.pChar2, &o.bstrErrDB);
    case CheckKind::PropertyChange: {
        ComPtr<IPropertyData> spItem = c.item.strComponent.empty() ? nullptr : plant.Item(c.item);
        CVariant value = CVariant::String(c.item.strValue);
        return p->CheckPropertyChange(&o.bstrMsg, spRoot.Get(), spItem.Get(), value, &o.bstrErrDB);
    }
    case CheckKind::InsertDrag:
        return p->CheckInsertDrag(&o.bstrMsg, spRoot.Get(), spFirst.Get(), spSecond.Get(), c.bAsChild, &o.bstrErrDB);
    case CheckKind::InsertDrop:
        return p->CheckInsertDrop(&o.bstrMsg, spRoot.Get(), spFirst.Get(), spSecond.Get(), c.bAsChild, &o.bstrErrDB);
    case CheckKind::MoveDrag:
        return p->CheckMoveDrag(&o.bstrMsg, spRoot.Get(), spFirst.Get(), spSecond.Get(), c.bAsChild, &o.bstrErrDB);
    case CheckKind::MoveDrop:
        return p->CheckMoveDrop(&o.bstrMsg, spRoot.Get(), spFirst.Get(), spSecond.Get(), c.bAsChild, &o.bstrErrDB);
    case CheckKind::ReplaceDrag:
        return p->CheckReplaceDrag(&o.bstrMsg, spRoot.Get(), spFirst.Get(), spSecond.Get(), &o.bstrErrDB);
    case CheckKind::ReplaceDrop:
        return p->CheckReplaceDrop(&o.bstrMsg, spRoot.Get(), spFirst.Get(), spSecond.Get(), &o.bstrErrDB);
    case CheckKind::Connect:
        return p->CheckConnect(&o.bstrMsg, spRoot.Get(), port(c.strFirst).Get(), port(c.strSecond).Get(), &o.bstrErrDB);
    case CheckKind::Disconnect:
        return p->CheckDisconnect(&o.bstrMsg, spRoot.Get(), port(c.strFirst).Get(), port(c.strSecond).Get(),
                                  &o.bstrErrDB);
    case CheckKind::Delete:
        return p->CheckDelete(&o.bstrMsg, spRoot.Get(), spFirst.Get(), &o.bstrErrDB);
    }
    return E_UNEXPECTED;
}

} // namespace

CheckOuts::CheckOuts() : bstrMsg(g_bstrUnset), bstrErrDB(g_bstrUnset), pChar1(nullptr), pChar2(nullptr) {}

bool CheckOuts::IsUnset(BSTR bstr)
{
    return bstr == g_bstrUnset;
}

std::wstring Describe(const CheckCall& c)
{
    std::wstring text = std::wstring(g_kindNames[static_cast<int>(c.kind)]) + L"(";
    switch (c.kind) {
    case CheckKind::NewDevice:
        return text + Quoted(c.strFirst) + L")";
    case CheckKind::All:
        return text + (c.strFirst.empty() ? L"null" : L"root") + L")";
    case CheckKind::PropertyChange:
        return text + L"root, " + Quoted(c.item.strComponent) + L" " + c.item.strPath + L", \"" + c.item.strValue +
               L"\")";
    case CheckKind::InsertDrag:
    case CheckKind::InsertDrop:
    case CheckKind::MoveDrag:
    case CheckKind::MoveDrop:
        return text + L"root, " + Quoted(c.strFirst) + L", " + Quoted(c.strSecond) + L", " +
               std::to_wstring(c.bAsChild) + L")";
    default:
        return text + L"root, " + Quoted(c.strFirst) +
               (c.kind == CheckKind::Delete ? L"" : L", " + Quoted(c.strSecond)) + L")";
    }
}

std::vector<CheckCall> AllChecks(const CPlant& plant)
{
    std::vector<CheckCall> calls;
    calls.push_back({CheckKind::All, L"root", {}, 0, {}});
    for (const auto& name : plant.plant) {
        calls.push_back({CheckKind::NewDevice, name, {}, 0, {}});
        calls.push_back({CheckKind::Delete, name, {}, 0, {}});
    }
    for (const auto& name : plant.palette)
        calls.push_back({CheckKind::NewDevice, name, {}, 0, {}});
    for (const auto& item : plant.items)
        calls.push_back({CheckKind::PropertyChange, {}, {}, 0, item});
    AddPlacing(plant, calls);
    for (size_t i = 0; i < plant.ports.size(); ++i)
        for (size_t k = i + 1; k < plant.ports.size(); ++k)
            for (CheckKind kind : {CheckKind::Connect, CheckKind::Disconnect})
                calls.push_back({kind, plant.ports[i], plant.ports[k], 0, {}});
    return calls;
}

HRESULT Invoke(IAssist2* pAssist, const CPlant& plant, const CheckCall& call, CheckOuts& outs)
{
    return Ask(pAssist, plant, call, outs);
}

HRESULT Invoke(IAssistLayer2* pLayer, const CPlant& plant, const CheckCall& call, CheckOuts& outs)
{
    return Ask(pLayer, plant, call, outs);
}
