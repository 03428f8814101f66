// The sample bus assistants' COM face.
#include "samples/BusAssistant.h"
#include "com/Owners.h"

HRESULT CBusAssistant::Judge(BSTR* pbstrErrMsg, BSTR* pbstrErrDB, const std::function<Verdict()>& rule) noexcept
{
    if (!pbstrErrMsg || !pbstrErrDB)
        return E_POINTER;
    *pbstrErrMsg = nullptr;
    *pbstrErrDB = nullptr;
    return ComBoundary([&] {
        Verdict verdict = m_reader.IsAttached() ? rule() : Verdict{Bus::E_NOT_INITIALIZED, Bus::kNotInitialized};
        CBstr message, errDB;
        if (!verdict.strMessage.empty())
            message = CBstr(verdict.strMessage);
        if (verdict.hr != S_OK)
            errDB = CBstr(m_bus.pszErrorDatabase);
        *pbstrErrMsg = message.Detach();
        *pbstrErrDB = errDB.Detach();
        return verdict.hr;
    });
}

STDMETHODIMP CBusAssistant::Init(IDispatch* pdispTopology, IDispatch*)
{
    return ComBoundary([&] { return m_reader.Attach(pdispTopology); });
}

STDMETHODIMP CBusAssistant::InitEx(IDispatch* pdispTopology, IDispatch* pdispLayer, BSTR bstrProtocol)
{
    // Registered under another bus's name is a configuration fault worth refusing.
    if (BstrView(bstrProtocol) != m_bus.pszProtocol)
        return E_INVALIDARG;
    return Init(pdispTopology, pdispLayer);
}

STDMETHODIMP CBusAssistant::Term()
{
    m_reader.Detach();
    return S_OK;
}

STDMETHODIMP CBusAssistant::NewProjectCreated()
{
    return S_OK;
}

STDMETHODIMP CBusAssistant::CheckNewDevice(BSTR* pbstrErrMsg, IComponent* piComponent3, BSTR* UUIDOfErrorDB)
{
    return Judge(pbstrErrMsg, UUIDOfErrorDB, [&] { return m_rules.NewDevice(piComponent3); });
}

STDMETHODIMP CBusAssistant::CheckAll(BSTR* pbstrErrMsg, IComponent* piCompRoot, ICharacteristic**, ICharacteristic**,
                                     BSTR* UUIDOfErrorDB)
{
    return Judge(pbstrErrMsg, UUIDOfErrorDB, [&] { return m_rules.All(piCompRoot); });
}

STDMETHODIMP CBusAssistant::CheckPropertyChange(BSTR* pbstrErrMsg, IComponent*, IPropertyData* pData, VARIANT vValue,
                                                BSTR* UUIDOfErrorDB)
{
    return Judge(pbstrErrMsg, UUIDOfErrorDB, [&] {
        CVariant text;
        if (FAILED(VariantChangeType(&text, &vValue, 0, VT_BSTR)))
            return Verdict{DISP_E_TYPEMISMATCH, {}};
        return m_rules.PropertyChange(pData, std::wstring(BstrView(text.bstrVal)));
    });
}

STDMETHODIMP CBusAssistant::CheckInsertDrag(BSTR* pbstrErrMsg, IComponent*, IComponent* piCompIns,
                                            IComponent* piCompDest, LONG bAsChild, BSTR* UUIDOfErrorDB)
{
    return Judge(pbstrErrMsg, UUIDOfErrorDB, [&] { return m_rules.Place(piCompIns, piCompDest, bAsChild != 0); });
}

STDMETHODIMP CBusAssistant::CheckInsertDrop(BSTR* pbstrErrMsg, IComponent* piCompRoot, IComponent* piCompIns,
                                            IComponent* piCompDest, LONG bAsChild, BSTR* UUIDOfErrorDB)
{
    return CheckInsertDrag(pbstrErrMsg, piCompRoot, piCompIns, piCompDest, bAsChild, UUIDOfErrorDB);
}

STDMETHODIMP CBusAssistant::CheckMoveDrag(BSTR* pbstrErrMsg, IComponent*, IComponent* piCompMove,
                                          IComponent* piCompDest, LONG bAsChild, BSTR* UUIDOfErrorDB)
{
    return Judge(pbstrErrMsg, UUIDOfErrorDB, [&] { return m_rules.Place(piCompMove, piCompDest, bAsChild != 0); });
}

STDMETHODIMP CBusAssistant::CheckMoveDrop(BSTR* pbstrErrMsg, IComponent* piCompRoot, IComponent* piCompMove,
                                          IComponent* piCompDest, LONG bAsChild, BSTR* UUIDOfErrorDB)
{
    return CheckMoveDrag(pbstrErrMsg, piCompRoot, piCompMove, piCompDest, bAsChild, UUIDOfErrorDB);
}

STDMETHODIMP CBusAssistant::CheckReplaceDrag(BSTR* pbstrErrMsg, IComponent*, IComponent* piCompPalett,
                                             IComponent* piCompReplace, BSTR* UUIDOfErrorDB)
{
    return Judge(pbstrErrMsg, UUIDOfErrorDB, [&] { return m_rules.Replace(piCompPalett, piCompReplace); });
}

STDMETHODIMP CBusAssistant::CheckReplaceDrop(BSTR* pbstrErrMsg, IComponent* piCompRoot, IComponent* piCompPalett,
                                             IComponent* piCompReplace, BSTR* UUIDOfErrorDB)
{
    return CheckReplaceDrag(pbstrErrMsg, piCompRoot, piCompPalett, piCompReplace, UUIDOfErrorDB);
}

STDMETHODIMP CBusAssistant::CheckConnect(BSTR* pbstrErrMsg, IComponent*, ICharacteristic* piCharConn1,
                                         ICharacteristic* piCharConn2, BSTR* UUIDOfErrorDB)
{
    return Judge(pbstrErrMsg, UUIDOfErrorDB, [&] { return m_rules.Connect(piCharConn1, piCharConn2); });
}

STDMETHODIMP CBusAssistant::CheckDisconnect(BSTR* pbstrErrMsg, IComponent*, ICharacteristic* piCharConn1,
                                            ICharacteristic* piCharConn2, BSTR* UUIDOfErrorDB)
{
    return Judge(pbstrErrMsg, UUIDOfErrorDB, [&] { return m_rules.Disconnect(piCharConn1, piCharConn2); });
}

STDMETHODIMP CBusAssistant::CheckDelete(BSTR* pbstrErrMsg, IComponent*, IComponent* piComp, BSTR* UUIDOfErrorDB)
{
    return Judge(pbstrErrMsg, UUIDOfErrorDB, [&] { return m_rules.Delete(piComp); });
}
