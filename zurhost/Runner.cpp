// Running one scenario edit against the layer.
#include "zurhost/Runner.h"
#include <iterator>
#include "com/Owners.h"
#include "interfaces/AssistChecks.h"
#include "zurhost/Names.h"

namespace {

// A name the project lacks ends the edit before the layer is asked.
class CMissing
{
public:
    explicit CMissing(HRESULT hr) : m_hr(hr), m_strText(LastErrorText()) {}
    HRESULT m_hr;
    std::wstring m_strText;
};

void Require(HRESULT hr)
{
    if (FAILED(hr))
        throw CMissing(hr);
}

// Takes the object a lookup handed out, as Itf; a success that hands out none
// ends the edit as well.
template <class Itf>
ComPtr<Itf> Required(HRESULT hr, ComPtr<IDispatch>& spHandedOut)
{
    ComPtr<IDispatch> spDisp = std::exchange(spHandedOut, nullptr);
    ComPtr<Itf> sp;
    Require(hr);
    Require(spDisp ? spDisp.As(&sp) : E_POINTER);
    return sp;
}

// The check each kind of edit asks, dropped and dragged, in the order of EditKind.
const CheckId kChecks[][2] = {
    {CheckId::NewDevice, CheckId::NewDevice},
    {CheckId::InsertDrop, CheckId::InsertDrag},
    {CheckId::MoveDrop, CheckId::MoveDrag},
    {CheckId::ReplaceDrop, CheckId::ReplaceDrag},
    {CheckId::Delete, CheckId::Delete},
    {CheckId::Connect, CheckId::Connect},
    {CheckId::Disconnect, CheckId::Disconnect},
    {CheckId::PropertyChange, CheckId::PropertyChange},
    {CheckId::All, CheckId::All},
};
static_assert(std::size(kChecks) == static_cast<size_t>(EditKind::CheckAll) + 1, "a row per kind of edit");

} // namespace

std::wstring LastErrorText()
{
    ComPtr<IErrorInfo> spInfo;
    CBstr text;
    if (GetErrorInfo(0, &spInfo) == S_OK && spInfo)
        spInfo->GetDescription(text.Out());
    return std::wstring(text.View());
}

HRESULT CRunner::Ask(const Edit& e, BSTR* pbstrMsg, BSTR* pbstrErrDB)
{
    const auto& a = e.args;
    ComPtr<IDispatch> spDisp;
    auto component = [&](const std::wstring& name) {
        return Required<IComponent>(m_spProject->Component(CBstr(name), &spDisp), spDisp);
    };
    auto port = [&](const std::wstring& ref) {
        return Required<ICharacteristic>(m_spProject->Port(CBstr(ref), &spDisp), spDisp);
    };
    ComPtr<IComponent> spRoot = Required<IComponent>(m_spProject->get_RootComponent(&spDisp), spDisp);
    ComPtr<IComponent> spFirst, spSecond;
    ComPtr<ICharacteristic> spPort1, spPort2, spCharErr1, spCharErr2;
    ComPtr<IPropertyData> spItem;
    switch (e.kind) {
    case EditKind::Insert:
    case EditKind::Move:
        spFirst = component(a[0]);
        spSecond = component(a[e.kind == EditKind::Insert ? 2 : 1]);
        break;
    case EditKind::Replace: // the component replaced is named first and asked about second
        spSecond = component(a[0]);
        spFirst = component(a[1]);
        break;
    case EditKind::Connect:
    case EditKind::Disconnect:
        spPort1 = port(a[0]);
        spPort2 = port(a[1]);
        break;
    case EditKind::Set:
        spItem = Required<IPropertyData>(m_spProject->Item(CBstr(a[0]), CBstr(a[1]), &spDisp), spDisp);
        break;
    case EditKind::NewDevice:
    case EditKind::Delete:
        spFirst = component(a[0]);
        break;
    case EditKind::CheckAll:
        break;
    }
    CVariant value = e.kind == EditKind::Set ? CVariant::String(a[2]) : CVariant();
    const CheckArgs args{spRoot.Get(),  spFirst.Get(), spSecond.Get(), e.bAsChild,  spPort1.Get(),
                         spPort2.Get(), spItem.Get(),  &value,         &spCharErr1, &spCharErr2};
    return CallCheck(m_spLayer.Get(), kChecks[static_cast<int>(e.kind)][e.bDrag], pbstrMsg, args, pbstrErrDB);
}

HRESULT CRunner::Apply(const Edit& e)
{
    const auto& a = e.args;
    auto s = [](const std::wstring& text) { return CBstr(text); };
    switch (e.kind) {
    case EditKind::Insert:
        return m_spProject->Insert(s(a[0]), s(a[1]), s(a[2]), e.bAsChild);
    case EditKind::Move:
        return m_spProject->Move(s(a[0]), s(a[1]), e.bAsChild);
    case EditKind::Replace:
        return m_spProject->Replace(s(a[0]), s(a[1]));
    case EditKind::Delete:
        return m_spProject->Delete(s(a[0]));
    case EditKind::Connect:
        return m_spProject->Connect(s(a[0]), s(a[1]));
    case EditKind::Disconnect:
        return m_spProject->Disconnect(s(a[0]), s(a[1]));
    case EditKind::Set:
        return m_spProject->SetValue(s(a[0]), s(a[1]), s(a[2]));
    default:
        return S_FALSE;
    }
}

void CRunner::Describe(Row& row)
{
    CBstr bus, symbol, name, errDB(row.strErrDB);
    m_spLayer->GetProcessedBusName(bus.Out());
    row.strBus = bus.View();
    if (!row.strErrDB.empty() && SUCCEEDED(m_spProject->ErrorDatabaseName(errDB, name.Out())))
        row.strErrDBName = name.View();
    row.strSymbol = KnownName(row.hr);
    if (row.strSymbol.empty() && !row.strErrDB.empty()) {
        m_spProject->ErrorSymbol(row.hr, errDB, symbol.Out());
        row.strSymbol = symbol.View();
    }
}

std::vector<std::wstring> CRunner::NewEvents()
{
    std::vector<std::wstring> events;
    long lCount = 0;
    if (FAILED(m_spProject->get_EventCount(&lCount)))
        return events;
    for (; m_lEventsSeen < lCount; ++m_lEventsSeen) {
        CBstr text;
        m_spProject->EventText(m_lEventsSeen, text.Out());
        events.emplace_back(text.View());
    }
    return events;
}

Row CRunner::Run(const Edit& edit)
{
    Row row;
    row.edit = edit;
    CBstr message, errDB;
    try {
        row.hr = Ask(edit, message.Out(), errDB.Out());
        row.bAsked = true;
    } catch (const CMissing& missing) {
        row.hr = missing.m_hr;
        row.strNote = missing.m_strText.empty() ? L"the project lacks what the edit names" : missing.m_strText;
        row.bExpectationMet = false;
        row.trace = NewEvents();
        return row;
    }
    row.strMessage = message.View();
    row.strErrDB = errDB.View();
    Describe(row);
    row.bExpectationMet = Meets(edit.expected, row.hr, row.strSymbol);
    row.trace = NewEvents();
    if (SUCCEEDED(row.hr) && !edit.bDrag) {
        HRESULT hr = Apply(edit);
        if (FAILED(hr))
            row.strNote = L"not applied: " + LastErrorText();
    }
    return row;
}
