// Running one scenario edit against the layer.
#include "zurhost/Runner.h"
#include "com/Owners.h"
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

// A success that hands out no object ends the edit as well.
template <class T>
void Require(HRESULT hr, const ComPtr<T>& sp)
{
    Require(hr);
    if (!sp)
        throw CMissing(E_POINTER);
}

} // namespace

std::wstring LastErrorText()
{
    ComPtr<IErrorInfo> spInfo;
    CBstr text;
    if (GetErrorInfo(0, &spInfo) == S_OK && spInfo)
        spInfo->GetDescription(text.Out());
    return std::wstring(text.View());
}

ComPtr<IComponent> CRunner::ComponentOf(const std::wstring& name)
{
    ComPtr<IDispatch> spDisp;
    ComPtr<IComponent> spComponent;
    CBstr bstrName(name);
    Require(m_spProject->Component(bstrName, &spDisp), spDisp);
    Require(spDisp.As(&spComponent), spComponent);
    return spComponent;
}

ComPtr<ICharacteristic> CRunner::PortOf(const std::wstring& ref)
{
    ComPtr<IDispatch> spDisp;
    ComPtr<ICharacteristic> spPort;
    CBstr bstrRef(ref);
    Require(m_spProject->Port(bstrRef, &spDisp), spDisp);
    Require(spDisp.As(&spPort), spPort);
    return spPort;
}

HRESULT CRunner::Ask(const Edit& e, BSTR* pbstrMsg, BSTR* pbstrErrDB)
{
    ComPtr<IDispatch> spRootDisp;
    ComPtr<IComponent> spRoot;
    Require(m_spProject->get_RootComponent(&spRootDisp), spRootDisp);
    Require(spRootDisp.As(&spRoot), spRoot);
    IAssistLayer2* p = m_spLayer.Get();
    const auto& a = e.args;
    switch (e.kind) {
    case EditKind::NewDevice:
        return p->CheckNewDevice(pbstrMsg, ComponentOf(a[0]).Get(), pbstrErrDB);
    case EditKind::Insert: {
        auto spIns = ComponentOf(a[0]), spDest = ComponentOf(a[2]);
        return e.bDrag ? p->CheckInsertDrag(pbstrMsg, spRoot.Get(), spIns.Get(), spDest.Get(), e.bAsChild, pbstrErrDB)
                       : p->CheckInsertDrop(pbstrMsg, spRoot.Get(), spIns.Get(), spDest.Get(), e.bAsChild, pbstrErrDB);
    }
    case EditKind::Move: {
        auto spMove = ComponentOf(a[0]), spDest = ComponentOf(a[1]);
        return e.bDrag ? p->CheckMoveDrag(pbstrMsg, spRoot.Get(), spMove.Get(), spDest.Get(), e.bAsChild, pbstrErrDB)
                       : p->CheckMoveDrop(pbstrMsg, spRoot.Get(), spMove.Get(), spDest.Get(), e.bAsChild, pbstrErrDB);
    }
    case EditKind::Replace: {
        auto spOld = ComponentOf(a[0]), spNew = ComponentOf(a[1]);
        return e.bDrag ? p->CheckReplaceDrag(pbstrMsg, spRoot.Get(), spNew.Get(), spOld.Get(), pbstrErrDB)
                       : p->CheckReplaceDrop(pbstrMsg, spRoot.Get(), spNew.Get(), spOld.Get(), pbstrErrDB);
    }
    case EditKind::Delete:
        return p->CheckDelete(pbstrMsg, spRoot.Get(), ComponentOf(a[0]).Get(), pbstrErrDB);
    case EditKind::Connect:
        return p->CheckConnect(pbstrMsg, spRoot.Get(), PortOf(a[0]).Get(), PortOf(a[1]).Get(), pbstrErrDB);
    case EditKind::Disconnect:
        return p->CheckDisconnect(pbstrMsg, spRoot.Get(), PortOf(a[0]).Get(), PortOf(a[1]).Get(), pbstrErrDB);
    case EditKind::Set: {
        ComPtr<IDispatch> spDisp;
        ComPtr<IPropertyData> spItem;
        CBstr component(a[0]), path(a[1]);
        Require(m_spProject->Item(component, path, &spDisp), spDisp);
        Require(spDisp.As(&spItem), spItem);
        CVariant value = CVariant::String(a[2]);
        return p->CheckPropertyChange(pbstrMsg, spRoot.Get(), spItem.Get(), value, pbstrErrDB);
    }
    case EditKind::CheckAll: {
        ComPtr<ICharacteristic> spChar1, spChar2;
        return p->CheckAll(pbstrMsg, spRoot.Get(), &spChar1, &spChar2, pbstrErrDB);
    }
    }
    return E_UNEXPECTED;
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
