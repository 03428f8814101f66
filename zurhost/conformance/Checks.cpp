// The checks of a conformance run, and how each is asked.
#include "zurhost/conformance/Checks.h"

namespace {

BSTR const kUnsetBstr = reinterpret_cast<BSTR>(static_cast<ULONG_PTR>(0x00DEAD10));

std::wstring Quoted(const std::wstring& name)
{
    return name.empty() ? L"null" : L"\"" + name + L"\"";
}

void AddPlacing(const CPlant& plant, std::vector<CheckCall>& calls)
{
    for (const auto& dest : plant.plant) {
        for (const auto& ins : plant.palette)
            for (long bAsChild : {1L, 0L})
                for (CheckId id : {CheckId::InsertDrag, CheckId::InsertDrop})
                    calls.push_back({id, ins, dest, bAsChild, {}});
        for (const auto& moved : plant.plant)
            if (moved != dest)
                for (CheckId id : {CheckId::MoveDrag, CheckId::MoveDrop})
                    calls.push_back({id, moved, dest, 1, {}});
        for (const auto& replacement : plant.palette)
            for (CheckId id : {CheckId::ReplaceDrag, CheckId::ReplaceDrop})
                calls.push_back({id, replacement, dest, 0, {}});
    }
}

} // namespace

CPreparedCheck::CPreparedCheck(const CPlant& plant, const CheckCall& c)
    : m_id(c.id),
      m_spRoot(plant.Root()),
      m_value(c.id == CheckId::PropertyChange ? CVariant::String(c.item.strValue) : CVariant())
{
    auto component = [&](const std::wstring& name) {
        return name.empty() ? ComPtr<IComponent>() : plant.Component(name);
    };
    auto port = [&](const std::wstring& ref) { return ref.empty() ? ComPtr<ICharacteristic>() : plant.Port(ref); };
    if (c.id == CheckId::Connect || c.id == CheckId::Disconnect) {
        m_spPort1 = port(c.strFirst);
        m_spPort2 = port(c.strSecond);
    } else {
        m_spFirst = component(c.strFirst);
        m_spSecond = component(c.strSecond);
    }
    if (c.id == CheckId::PropertyChange && !c.item.strComponent.empty())
        m_spItem = plant.Item(c.item);
    // CheckAll asked with no root: the null root is the call.
    IComponent* piRoot = c.id == CheckId::All && c.strFirst.empty() ? nullptr : m_spRoot.Get();
    m_args = {piRoot,          m_spFirst.Get(), m_spSecond.Get(), c.bAsChild,   m_spPort1.Get(),
              m_spPort2.Get(), m_spItem.Get(),  &m_value,         &outs.pChar1, &outs.pChar2};
}

CheckOuts::CheckOuts() : bstrMsg(kUnsetBstr), bstrErrDB(kUnsetBstr), pChar1(nullptr), pChar2(nullptr) {}

bool CheckOuts::IsUnset(BSTR bstr)
{
    return bstr == kUnsetBstr;
}

std::wstring Describe(const CheckCall& c)
{
    std::wstring text = std::wstring(CheckName(c.id)) + L"(";
    switch (c.id) {
    case CheckId::NewDevice:
        return text + Quoted(c.strFirst) + L")";
    case CheckId::All:
        return text + (c.strFirst.empty() ? L"null" : L"root") + L")";
    case CheckId::PropertyChange:
        return text + L"root, " + Quoted(c.item.strComponent) + L" " + c.item.strPath + L", \"" + c.item.strValue +
               L"\")";
    case CheckId::InsertDrag:
    case CheckId::InsertDrop:
    case CheckId::MoveDrag:
    case CheckId::MoveDrop:
        return text + L"root, " + Quoted(c.strFirst) + L", " + Quoted(c.strSecond) + L", " +
               std::to_wstring(c.bAsChild) + L")";
    default:
        return text + L"root, " + Quoted(c.strFirst) + (c.id == CheckId::Delete ? L"" : L", " + Quoted(c.strSecond)) +
               L")";
    }
}

std::vector<CheckCall> AllChecks(const CPlant& plant)
{
    std::vector<CheckCall> calls;
    calls.push_back({CheckId::All, L"root", {}, 0, {}});
    for (const auto& name : plant.plant) {
        calls.push_back({CheckId::NewDevice, name, {}, 0, {}});
        calls.push_back({CheckId::Delete, name, {}, 0, {}});
    }
    for (const auto& name : plant.palette)
        calls.push_back({CheckId::NewDevice, name, {}, 0, {}});
    for (const auto& item : plant.items)
        calls.push_back({CheckId::PropertyChange, {}, {}, 0, item});
    AddPlacing(plant, calls);
    for (size_t i = 0; i < plant.ports.size(); ++i)
        for (size_t k = i + 1; k < plant.ports.size(); ++k)
            for (CheckId id : {CheckId::Connect, CheckId::Disconnect})
                calls.push_back({id, plant.ports[i], plant.ports[k], 0, {}});
    return calls;
}
