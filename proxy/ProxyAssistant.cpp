// CProxyAssistant: stands for the assistants of one protocol and forwards
// every check to them, returning the worst answer.
#include "proxy/ProxyAssistant.h"
#include <memory>
#include "com/Owners.h"
#include "com/ComError.h"
#include "diagnostics/ErrorLog.h"
#include "interfaces/NewZUR.h"

using Microsoft::WRL::ComPtr;

namespace {

// Trace texts and error-log rows of this object.
constexpr const wchar_t* kTraceInitEx = L"CProxyAssistant::InitEx";
constexpr const wchar_t* kTraceTerm = L"CProxyAssistant::Term";
constexpr const wchar_t* kSourceFile = L".\\ProxyAssistant";
constexpr long kLineInitFailed = 961;
constexpr const wchar_t* kMsgInitFailed = L"Assistant::Init failed.";
constexpr long kLineTermFailed = 54;
constexpr const wchar_t* kMsgTermFailed = L"Assistant::Term failed.";

} // namespace

const CProxyAssistant::ForwardedCheck CProxyAssistant::s_CheckNewDevice{L"CProxyAssistant::CheckNewDevice", false};
const CProxyAssistant::ForwardedCheck CProxyAssistant::s_CheckAll{L"CProxyAssistant::CheckAll", true};
const CProxyAssistant::ForwardedCheck CProxyAssistant::s_CheckPropertyChange{L"CProxyAssistant::CheckPropertyChange",
                                                                             false};
const CProxyAssistant::ForwardedCheck CProxyAssistant::s_CheckInsertDrag{L"CProxyAssistant::CheckInsertDrag", false};
const CProxyAssistant::ForwardedCheck CProxyAssistant::s_CheckInsertDrop{L"CProxyAssistant::CheckInsertDrop", false};
const CProxyAssistant::ForwardedCheck CProxyAssistant::s_CheckMoveDrag{L"CProxyAssistant::CheckMoveDrag", false};
const CProxyAssistant::ForwardedCheck CProxyAssistant::s_CheckMoveDrop{L"CProxyAssistant::CheckMoveDrop", false};
const CProxyAssistant::ForwardedCheck CProxyAssistant::s_CheckReplaceDrag{L"CProxyAssistant::CheckReplaceDrag", false};
const CProxyAssistant::ForwardedCheck CProxyAssistant::s_CheckReplaceDrop{L"CProxyAssistant::CheckReplaceDrop", false};
const CProxyAssistant::ForwardedCheck CProxyAssistant::s_CheckConnect{L"CProxyAssistant::CheckConnect", false};
const CProxyAssistant::ForwardedCheck CProxyAssistant::s_CheckDisconnect{L"CProxyAssistant::CheckDisconnect", false};
const CProxyAssistant::ForwardedCheck CProxyAssistant::s_CheckDelete{L"CProxyAssistant::CheckDelete", false};

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
        HRESULT hr = AttachDataQuery();
        if (FAILED(hr))
            return hr;

        // A filled catalogue is kept, whatever protocol this call names.
        if (m_mapAssistants.empty()) {
            hr = LoadAssistants(BstrView(bstrProtocol));
            if (FAILED(hr))
                return hr;
        }

        std::wstring failed;
        hr = InitAssistants(pdispTopology, pdispLayer, &failed);
        if (FAILED(hr))
            LogError(g_SeverityNames[SeverityError], kTraceInitEx, kSourceFile, kLineInitFailed, kMsgInitFailed,
                     failed.c_str(), hr);
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
            LogError(g_SeverityNames[SeverityError], kTraceTerm, kSourceFile, kLineTermFailed, kMsgTermFailed,
                     failed.c_str(), hr);
        return hr;
    });
}

STDMETHODIMP CProxyAssistant::InterfaceSupportsErrorInfo(REFIID riid)
{
    return IsEqualIID(riid, IID_IAssist2) || IsEqualIID(riid, IID_IAssist3) ? S_OK : S_FALSE;
}

// ---- the forwarding checks -------------------------------------------------------

namespace {

// The caller's in/out characteristic: the reference it held is given up and
// replaced by the one handed back.
void HandBack(ICharacteristic** ppChar, ComPtr<ICharacteristic>& spNew) noexcept
{
    ICharacteristic* pHeld = *ppChar;
    *ppChar = spNew.Detach();
    if (pHeld)
        pHeld->Release();
}

} // namespace

template <class Call>
HRESULT CProxyAssistant::ForwardCheck(const ForwardedCheck& check, BSTR* pbstrErrMsg, BSTR* UUIDOfErrorDB,
                                      ICharacteristic** piCharErr1, ICharacteristic** piCharErr2, Call&& call) noexcept
{
    return ComBoundary([&]() -> HRESULT {
        ZURTrace(check.pszTrace);
        HRESULT hr = S_OK;
        if (DebugGateAnswers(&hr))
            return hr;
        if (!pbstrErrMsg || !UUIDOfErrorDB)
            return E_POINTER;
        if (check.bCharacteristics && (!piCharErr1 || !piCharErr2))
            return E_POINTER;

        // Not reset between assistants: each sees what the one before it left.
        ComPtr<ICharacteristic> spWork1, spWork2;
        if (check.bCharacteristics) {
            spWork1 = *piCharErr1;
            spWork2 = *piCharErr2;
        }

        ResultList results = NewResultList();
        for (const auto& entry : SnapshotCatalogue()) {
            CBstr bstrMsg, bstrErrDB;
            const AnswerSlots slots{bstrMsg.Out(), bstrErrDB.Out(), spWork1.GetAddressOf(), spWork2.GetAddressOf()};
            const HRESULT hrAnswer = call(entry.second.Get(), slots);
            SelectProperErrorDBforRetval(hrAnswer, entry.first, slots.pbstrErrDB);
            if (hrAnswer != S_FALSE) {
                if (check.bCharacteristics)
                    results.push_back(std::make_unique<CAssistResult>(m_strProtocol, bstrMsg.View(), hrAnswer,
                                                                      spWork1.Get(), spWork2.Get(), bstrErrDB.View()));
                else
                    results.push_back(
                        std::make_unique<CAssistResult>(m_strProtocol, bstrMsg.View(), hrAnswer, bstrErrDB.View()));
            }
            if (FAILED(hrAnswer))
                break;
        }

        // Everything handed out is built before the results go and before any
        // out-parameter is written, so a failure leaves the caller's slots alone.
        CAssistResult* pWorst = GetWorstResult(results);
        CBstr bstrErrDB, bstrMsg;
        ComPtr<ICharacteristic> spOut1, spOut2;
        hr = E_FAIL;
        if (pWorst) {
            bstrErrDB = CBstr(pWorst->GetErrDB());
            bstrMsg = CBstr(pWorst->GetErrMsg());
            if (check.bCharacteristics && spWork1)
                pWorst->GetCharErr1(&spOut1);
            if (check.bCharacteristics && spWork2)
                pWorst->GetCharErr2(&spOut2);
            hr = pWorst->GetHr();
        }
        ClearResults(results);

        if (pWorst && check.bCharacteristics) {
            HandBack(piCharErr1, spOut1);
            HandBack(piCharErr2, spOut2);
        }
        *UUIDOfErrorDB = bstrErrDB.Detach();
        *pbstrErrMsg = bstrMsg.Detach();
        return hr;
    });
}

STDMETHODIMP CProxyAssistant::CheckNewDevice(BSTR* pbstrErrMsg, IComponent* piComponent3, BSTR* UUIDOfErrorDB)
{
    return ForwardCheck(s_CheckNewDevice, pbstrErrMsg, UUIDOfErrorDB, nullptr, nullptr,
                        [&](IAssist2* p, const AnswerSlots& s) {
                            return p->CheckNewDevice(s.pbstrErrMsg, piComponent3, s.pbstrErrDB);
                        });
}

STDMETHODIMP CProxyAssistant::CheckAll(BSTR* pbstrErrMsg, IComponent* piCompRoot, ICharacteristic** piCharErr1,
                                       ICharacteristic** piCharErr2, BSTR* UUIDOfErrorDB)
{
    return ForwardCheck(s_CheckAll, pbstrErrMsg, UUIDOfErrorDB, piCharErr1, piCharErr2,
                        [&](IAssist2* p, const AnswerSlots& s) {
                            return p->CheckAll(s.pbstrErrMsg, piCompRoot, s.ppCharErr1, s.ppCharErr2, s.pbstrErrDB);
                        });
}

// The variant goes on as received, its contents not copied.
STDMETHODIMP CProxyAssistant::CheckPropertyChange(BSTR* pbstrErrMsg, IComponent* piCompRoot, IPropertyData* pData,
                                                  VARIANT vValue, BSTR* UUIDOfErrorDB)
{
    return ForwardCheck(s_CheckPropertyChange, pbstrErrMsg, UUIDOfErrorDB, nullptr, nullptr,
                        [&](IAssist2* p, const AnswerSlots& s) {
                            return p->CheckPropertyChange(s.pbstrErrMsg, piCompRoot, pData, vValue, s.pbstrErrDB);
                        });
}

STDMETHODIMP CProxyAssistant::CheckInsertDrag(BSTR* pbstrErrMsg, IComponent* piCompRoot, IComponent* piCompIns,
                                              IComponent* piCompDest, LONG bAsChild, BSTR* UUIDOfErrorDB)
{
    return ForwardCheck(
        s_CheckInsertDrag, pbstrErrMsg, UUIDOfErrorDB, nullptr, nullptr, [&](IAssist2* p, const AnswerSlots& s) {
            return p->CheckInsertDrag(s.pbstrErrMsg, piCompRoot, piCompIns, piCompDest, bAsChild, s.pbstrErrDB);
        });
}

STDMETHODIMP CProxyAssistant::CheckInsertDrop(BSTR* pbstrErrMsg, IComponent* piCompRoot, IComponent* piCompIns,
                                              IComponent* piCompDest, LONG bAsChild, BSTR* UUIDOfErrorDB)
{
    return ForwardCheck(
        s_CheckInsertDrop, pbstrErrMsg, UUIDOfErrorDB, nullptr, nullptr, [&](IAssist2* p, const AnswerSlots& s) {
            return p->CheckInsertDrop(s.pbstrErrMsg, piCompRoot, piCompIns, piCompDest, bAsChild, s.pbstrErrDB);
        });
}

STDMETHODIMP CProxyAssistant::CheckMoveDrag(BSTR* pbstrErrMsg, IComponent* piCompRoot, IComponent* piCompMove,
                                            IComponent* piCompDest, LONG bAsChild, BSTR* UUIDOfErrorDB)
{
    return ForwardCheck(
        s_CheckMoveDrag, pbstrErrMsg, UUIDOfErrorDB, nullptr, nullptr, [&](IAssist2* p, const AnswerSlots& s) {
            return p->CheckMoveDrag(s.pbstrErrMsg, piCompRoot, piCompMove, piCompDest, bAsChild, s.pbstrErrDB);
        });
}

STDMETHODIMP CProxyAssistant::CheckMoveDrop(BSTR* pbstrErrMsg, IComponent* piCompRoot, IComponent* piCompMove,
                                            IComponent* piCompDest, LONG bAsChild, BSTR* UUIDOfErrorDB)
{
    return ForwardCheck(
        s_CheckMoveDrop, pbstrErrMsg, UUIDOfErrorDB, nullptr, nullptr, [&](IAssist2* p, const AnswerSlots& s) {
            return p->CheckMoveDrop(s.pbstrErrMsg, piCompRoot, piCompMove, piCompDest, bAsChild, s.pbstrErrDB);
        });
}

STDMETHODIMP CProxyAssistant::CheckReplaceDrag(BSTR* pbstrErrMsg, IComponent* piCompRoot, IComponent* piCompPalett,
                                               IComponent* piCompReplace, BSTR* UUIDOfErrorDB)
{
    return ForwardCheck(
        s_CheckReplaceDrag, pbstrErrMsg, UUIDOfErrorDB, nullptr, nullptr, [&](IAssist2* p, const AnswerSlots& s) {
            return p->CheckReplaceDrag(s.pbstrErrMsg, piCompRoot, piCompPalett, piCompReplace, s.pbstrErrDB);
        });
}

STDMETHODIMP CProxyAssistant::CheckReplaceDrop(BSTR* pbstrErrMsg, IComponent* piCompRoot, IComponent* piCompPalett,
                                               IComponent* piCompReplace, BSTR* UUIDOfErrorDB)
{
    return ForwardCheck(
        s_CheckReplaceDrop, pbstrErrMsg, UUIDOfErrorDB, nullptr, nullptr, [&](IAssist2* p, const AnswerSlots& s) {
            return p->CheckReplaceDrop(s.pbstrErrMsg, piCompRoot, piCompPalett, piCompReplace, s.pbstrErrDB);
        });
}

STDMETHODIMP CProxyAssistant::CheckConnect(BSTR* pbstrErrMsg, IComponent* piCompRoot, ICharacteristic* piCharConn1,
                                           ICharacteristic* piCharConn2, BSTR* UUIDOfErrorDB)
{
    return ForwardCheck(s_CheckConnect, pbstrErrMsg, UUIDOfErrorDB, nullptr, nullptr,
                        [&](IAssist2* p, const AnswerSlots& s) {
                            return p->CheckConnect(s.pbstrErrMsg, piCompRoot, piCharConn1, piCharConn2, s.pbstrErrDB);
                        });
}

STDMETHODIMP CProxyAssistant::CheckDisconnect(BSTR* pbstrErrMsg, IComponent* piCompRoot, ICharacteristic* piCharConn1,
                                              ICharacteristic* piCharConn2, BSTR* UUIDOfErrorDB)
{
    return ForwardCheck(
        s_CheckDisconnect, pbstrErrMsg, UUIDOfErrorDB, nullptr, nullptr, [&](IAssist2* p, const AnswerSlots& s) {
            return p->CheckDisconnect(s.pbstrErrMsg, piCompRoot, piCharConn1, piCharConn2, s.pbstrErrDB);
        });
}

STDMETHODIMP CProxyAssistant::CheckDelete(BSTR* pbstrErrMsg, IComponent* piCompRoot, IComponent* piComp,
                                          BSTR* UUIDOfErrorDB)
{
    return ForwardCheck(s_CheckDelete, pbstrErrMsg, UUIDOfErrorDB, nullptr, nullptr,
                        [&](IAssist2* p, const AnswerSlots& s) {
                            return p->CheckDelete(s.pbstrErrMsg, piCompRoot, piComp, s.pbstrErrDB);
                        });
}
