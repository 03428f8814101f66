// The assistant's COM face: each check is its rule and the component it judges.
#include "Assistant.h"
#include "AssistantConfig.h"
#include "com/Owners.h"

namespace {
const wchar_t kNotInitialized[] = L"The assistant has not been initialised.";
const wchar_t kNotText[] = L"The new value cannot be read as text.";
} // namespace

HRESULT CAssistant::Judge(BSTR* pbstrErrMsg, BSTR* pbstrErrDB, CFunctionRef<Verdict()> rule) noexcept
{
    if (!pbstrErrMsg || !pbstrErrDB)
        return E_POINTER;
    *pbstrErrMsg = nullptr;
    *pbstrErrDB = nullptr;
    return ComBoundary([&] {
        Verdict verdict = m_rules.IsAttached() ? rule() : Verdict{Code::E_NOT_INITIALIZED, kNotInitialized};
        CBstr message, errDB;
        if (!verdict.strMessage.empty())
            message = CBstr(verdict.strMessage);
        if (verdict.hr != S_OK)
            errDB = CBstr(kErrorDatabaseId);
        *pbstrErrMsg = message.Detach();
        *pbstrErrDB = errDB.Detach();
        return verdict.hr;
    });
}

STDMETHODIMP CAssistant::Init(IDispatch* pdispTopology, IDispatch*)
{
    return ComBoundary([&] { return m_rules.Attach(pdispTopology); });
}

STDMETHODIMP CAssistant::InitEx(IDispatch* pdispTopology, IDispatch* pdispLayer, BSTR bstrProtocol)
{
    // Bound to another bus's name is a configuration fault worth refusing.
    if (BstrView(bstrProtocol) != kProtocol)
        return E_INVALIDARG;
    return Init(pdispTopology, pdispLayer);
}

STDMETHODIMP CAssistant::Term()
{
    m_rules.Detach();
    return S_OK;
}

STDMETHODIMP CAssistant::NewProjectCreated()
{
    return S_OK;
}

STDMETHODIMP CAssistant::CheckNewDevice(BSTR* pbstrErrMsg, IComponent* piComponent3, BSTR* UUIDOfErrorDB)
{
    return Judge(pbstrErrMsg, UUIDOfErrorDB, [&] { return m_rules.Device(piComponent3); });
}

STDMETHODIMP CAssistant::CheckAll(BSTR* pbstrErrMsg, IComponent* piCompRoot, ICharacteristic**, ICharacteristic**,
                                  BSTR* UUIDOfErrorDB)
{
    return Judge(pbstrErrMsg, UUIDOfErrorDB, [&] { return m_rules.All(piCompRoot); });
}

STDMETHODIMP CAssistant::CheckPropertyChange(BSTR* pbstrErrMsg, IComponent*, IPropertyData* pData, VARIANT vValue,
                                             BSTR* UUIDOfErrorDB)
{
    return Judge(pbstrErrMsg, UUIDOfErrorDB, [&] {
        CVariant text;
        if (FAILED(VariantChangeType(&text, &vValue, 0, VT_BSTR)))
            return Verdict{DISP_E_TYPEMISMATCH, kNotText};
        return m_rules.PropertyChange(pData, std::wstring(BstrView(text.bstrVal)));
    });
}

STDMETHODIMP CAssistant::CheckInsertDrag(BSTR* pbstrErrMsg, IComponent*, IComponent* piCompIns, IComponent*, LONG,
                                         BSTR* UUIDOfErrorDB)
{
    return Judge(pbstrErrMsg, UUIDOfErrorDB, [&] { return m_rules.Device(piCompIns); });
}

STDMETHODIMP CAssistant::CheckInsertDrop(BSTR* pbstrErrMsg, IComponent* piCompRoot, IComponent* piCompIns,
                                         IComponent* piCompDest, LONG bAsChild, BSTR* UUIDOfErrorDB)
{
    return CheckInsertDrag(pbstrErrMsg, piCompRoot, piCompIns, piCompDest, bAsChild, UUIDOfErrorDB);
}

STDMETHODIMP CAssistant::CheckReplaceDrag(BSTR* pbstrErrMsg, IComponent*, IComponent* piCompPalett, IComponent*,
                                          BSTR* UUIDOfErrorDB)
{
    return Judge(pbstrErrMsg, UUIDOfErrorDB, [&] { return m_rules.Device(piCompPalett); });
}

STDMETHODIMP CAssistant::CheckReplaceDrop(BSTR* pbstrErrMsg, IComponent* piCompRoot, IComponent* piCompPalett,
                                          IComponent* piCompReplace, BSTR* UUIDOfErrorDB)
{
    return CheckReplaceDrag(pbstrErrMsg, piCompRoot, piCompPalett, piCompReplace, UUIDOfErrorDB);
}

// Moves, cables and deletions break none of this bus's rules yet: they are
// judged (an answer with its out-parameters set) and accepted.
STDMETHODIMP CAssistant::CheckMoveDrag(BSTR* pbstrErrMsg, IComponent*, IComponent*, IComponent*, LONG,
                                       BSTR* UUIDOfErrorDB)
{
    return Judge(pbstrErrMsg, UUIDOfErrorDB, [] { return Verdict{}; });
}

STDMETHODIMP CAssistant::CheckMoveDrop(BSTR* pbstrErrMsg, IComponent*, IComponent*, IComponent*, LONG,
                                       BSTR* UUIDOfErrorDB)
{
    return Judge(pbstrErrMsg, UUIDOfErrorDB, [] { return Verdict{}; });
}

STDMETHODIMP CAssistant::CheckConnect(BSTR* pbstrErrMsg, IComponent*, ICharacteristic*, ICharacteristic*,
                                      BSTR* UUIDOfErrorDB)
{
    return Judge(pbstrErrMsg, UUIDOfErrorDB, [] { return Verdict{}; });
}

STDMETHODIMP CAssistant::CheckDisconnect(BSTR* pbstrErrMsg, IComponent*, ICharacteristic*, ICharacteristic*,
                                         BSTR* UUIDOfErrorDB)
{
    return Judge(pbstrErrMsg, UUIDOfErrorDB, [] { return Verdict{}; });
}

STDMETHODIMP CAssistant::CheckDelete(BSTR* pbstrErrMsg, IComponent*, IComponent*, BSTR* UUIDOfErrorDB)
{
    return Judge(pbstrErrMsg, UUIDOfErrorDB, [] { return Verdict{}; });
}
