// CProxyAssistant: stands for the assistants of one protocol and forwards
// every check to them, returning the worst answer.
#include "proxy/ProxyAssistant.h"
#include "com/Owners.h"
#include "com/ComError.h"
#include "common/LogRow.h"
#include "interfaces/NewZUR.h"

using Microsoft::WRL::ComPtr;

namespace {

// Trace texts and error-log rows of this object.
constexpr wchar_t kTraceInitEx[] = L"CProxyAssistant::InitEx";
constexpr wchar_t kTraceTerm[] = L"CProxyAssistant::Term";
constexpr const wchar_t* kTraceChecks[] = {ASSIST_CHECKS(CHECK_NAME, L"CProxyAssistant::")};
constexpr wchar_t kSource[] = L".\\ProxyAssistant";
constexpr LogRow kRowInitFailed{SeverityError, kTraceInitEx, kSource, 961, L"Assistant::Init failed.", L""};
constexpr LogRow kRowTermFailed{SeverityError, kTraceTerm, kSource, 54, L"Assistant::Term failed.", L""};

} // namespace

HRESULT CProxyAssistant::FinalConstruct()
{
    return ComBoundary([&] {
        LoadDebugOptions();
        return S_OK;
    });
}

// ---- lifecycle ---------------------------------------------------------------

// The proxy learns its protocol from InitEx only.
STDMETHODIMP CProxyAssistant::Init(IDispatch*, IDispatch*)
{
    return E_NOTIMPL;
}

STDMETHODIMP CProxyAssistant::NewProjectCreated()
{
    return E_NOTIMPL;
}

STDMETHODIMP CProxyAssistant::InitEx(IDispatch* pdispTopology, IDispatch* pdispLayer, BSTR bstrProtocol)
{
    return ComBoundary([&]() -> HRESULT {
        ZURTrace(kTraceInitEx);
        TakeTopology(pdispTopology);
        m_strProtocol.assign(BstrView(bstrProtocol));

        // A second InitEx replaces the earlier query service; nothing uses it any more.
        RETURN_IF_FAILED(AttachDataQuery());

        // A filled catalogue is kept, whatever protocol this call names.
        if (m_mapAssistants.empty()) {
            const HRESULT hrLoad = LoadAssistants(BstrView(bstrProtocol));
            m_spCatalogue = std::make_shared<const CatalogueSnapshot>(SnapshotCatalogue());
            RETURN_IF_FAILED(hrLoad);
        }

        std::wstring failed;
        const HRESULT hr = InitAssistants(pdispTopology, pdispLayer, &failed);
        if (FAILED(hr))
            WriteLogRow(kRowInitFailed, hr, failed.c_str());
        return hr;
    });
}

STDMETHODIMP CProxyAssistant::Term()
{
    return ComBoundary([&]() -> HRESULT {
        ZURTrace(kTraceTerm);
        std::wstring failed;
        const HRESULT hr = TermAssistants(&failed);
        if (FAILED(hr))
            WriteLogRow(kRowTermFailed, hr, failed.c_str());
        else
            m_spCatalogue.reset(); // the emptied catalogue's; a failed Term keeps both
        return hr;
    });
}

STDMETHODIMP CProxyAssistant::InterfaceSupportsErrorInfo(REFIID riid)
{
    return IsEqualIID(riid, IID_IAssist2) || IsEqualIID(riid, IID_IAssist3) ? S_OK : S_FALSE;
}

// ---- the forwarding checks -------------------------------------------------

// The host's arguments, named by the fields they fill (m the message, d the error database).
STDMETHODIMP CProxyAssistant::CheckNewDevice(BSTR* m, IComponent* c, BSTR* d)
{
    return RunCheck(CheckId::NewDevice, {.piComp = c}, m, d);
}

STDMETHODIMP CProxyAssistant::CheckAll(BSTR* m, IComponent* r, ICharacteristic** e1, ICharacteristic** e2, BSTR* d)
{
    return RunCheck(CheckId::All, {.piRoot = r, .piComp = r, .ppCharErr1 = e1, .ppCharErr2 = e2}, m, d);
}

STDMETHODIMP CProxyAssistant::CheckPropertyChange(BSTR* m, IComponent* r, IPropertyData* p, VARIANT v, BSTR* d)
{
    return RunCheck(CheckId::PropertyChange, {.piRoot = r, .pData = p, .pvValue = &v}, m, d);
}

STDMETHODIMP CProxyAssistant::CheckInsertDrag(BSTR* m, IComponent* r, IComponent* c, IComponent* o, LONG b, BSTR* d)
{
    return RunCheck(CheckId::InsertDrag, {.piRoot = r, .piComp = c, .piOther = o, .bAsChild = b}, m, d);
}

STDMETHODIMP CProxyAssistant::CheckInsertDrop(BSTR* m, IComponent* r, IComponent* c, IComponent* o, LONG b, BSTR* d)
{
    return RunCheck(CheckId::InsertDrop, {.piRoot = r, .piComp = c, .piOther = o, .bAsChild = b}, m, d);
}

STDMETHODIMP CProxyAssistant::CheckMoveDrag(BSTR* m, IComponent* r, IComponent* c, IComponent* o, LONG b, BSTR* d)
{
    return RunCheck(CheckId::MoveDrag, {.piRoot = r, .piComp = c, .piOther = o, .bAsChild = b}, m, d);
}

STDMETHODIMP CProxyAssistant::CheckMoveDrop(BSTR* m, IComponent* r, IComponent* c, IComponent* o, LONG b, BSTR* d)
{
    return RunCheck(CheckId::MoveDrop, {.piRoot = r, .piComp = c, .piOther = o, .bAsChild = b}, m, d);
}

STDMETHODIMP CProxyAssistant::CheckReplaceDrag(BSTR* m, IComponent* r, IComponent* c, IComponent* o, BSTR* d)
{
    return RunCheck(CheckId::ReplaceDrag, {.piRoot = r, .piComp = c, .piOther = o}, m, d);
}

STDMETHODIMP CProxyAssistant::CheckReplaceDrop(BSTR* m, IComponent* r, IComponent* c, IComponent* o, BSTR* d)
{
    return RunCheck(CheckId::ReplaceDrop, {.piRoot = r, .piComp = c, .piOther = o}, m, d);
}

STDMETHODIMP CProxyAssistant::CheckConnect(BSTR* m, IComponent* r, ICharacteristic* c1, ICharacteristic* c2, BSTR* d)
{
    return RunCheck(CheckId::Connect, {.piRoot = r, .piChar1 = c1, .piChar2 = c2}, m, d);
}

STDMETHODIMP CProxyAssistant::CheckDisconnect(BSTR* m, IComponent* r, ICharacteristic* c1, ICharacteristic* c2, BSTR* d)
{
    return RunCheck(CheckId::Disconnect, {.piRoot = r, .piChar1 = c1, .piChar2 = c2}, m, d);
}

STDMETHODIMP CProxyAssistant::CheckDelete(BSTR* m, IComponent* r, IComponent* c, BSTR* d)
{
    return RunCheck(CheckId::Delete, {.piRoot = r, .piComp = c}, m, d);
}

// Each answer is kept under this proxy's protocol; the catalogue entry's own
// protocol names its error database. The verdict is the worst answer.
HRESULT CProxyAssistant::RunCheck(CheckId id, const CheckArgs& args, BSTR* pbstrErrMsg, BSTR* pbstrErrDB) noexcept
{
    return ComBoundary([&]() -> HRESULT {
        HRESULT hr;
        if (CheckAnswersAtOnce(kTraceChecks[static_cast<int>(id)], id, args, pbstrErrMsg, pbstrErrDB, &hr))
            return hr;
        CCheckCharacteristics chars(id, args);
        CheckArgs& passed = chars.Passed();
        ResultList results = NewResultList();
        static const CatalogueSnapshot kNoEntries;
        const std::shared_ptr<const CatalogueSnapshot> spWalked = m_spCatalogue;
        for (const CatalogueEntry& entry : spWalked ? *spWalked : kNoEntries) {
            CAnswerStrings answer;
            const HRESULT hrAnswer =
                CallCheck(entry.second.Get(), id, answer.bstrErrMsg.Out(), passed, answer.bstrErrDB.Out());
            KeepAnswer(results, hrAnswer, answer, entry.first, m_strProtocol, false, chars);
            if (FAILED(hrAnswer))
                break;
        }
        return HandVerdict(results, ResultSelector::Worst, args, pbstrErrMsg, pbstrErrDB, chars, HostCopies::Required);
    });
}
