#pragma once
// CProxyAssistant: an assistant that stands for the assistants of one
// protocol, named by InitEx, and forwards every check to them.
#include <windows.h>
#include <oaidl.h>
#include <string>
#include <utility>
#include <vector>
#include "LayerLib2.h"
#include "common/AssistCommon.h"
#include "com/ComObject.h"
#include "common/LayerDispatch.h"

class CProxyAssistant : public CComRootMultiThreaded,
                        public CDispatchImpl<IAssist3>,
                        public ISupportErrorInfo,
                        public CAssistCommon
{
public:
    BEGIN_INTERFACE_TABLE(CProxyAssistant)
    INTERFACE_ENTRY(IAssist3)
    INTERFACE_ENTRY_IID(IID_IAssist2, IAssist3)
    INTERFACE_ENTRY_IID(IID_IDispatch, IAssist3)
    INTERFACE_ENTRY(ISupportErrorInfo)
    END_INTERFACE_TABLE()

    CProxyAssistant() = default;
    ~CProxyAssistant() override = default;
    HRESULT FinalConstruct();

    // IAssist2
    STDMETHODIMP Init(IDispatch* pdispTopology, IDispatch* pdispLayer) override;
    STDMETHODIMP Term() override;
    STDMETHODIMP NewProjectCreated() override;
    STDMETHODIMP CheckNewDevice(BSTR* pbstrErrMsg, IComponent* piComponent3, BSTR* UUIDOfErrorDB) override;
    STDMETHODIMP CheckAll(BSTR* pbstrErrMsg, IComponent* piCompRoot, ICharacteristic** piCharErr1,
                          ICharacteristic** piCharErr2, BSTR* UUIDOfErrorDB) override;
    STDMETHODIMP CheckPropertyChange(BSTR* pbstrErrMsg, IComponent* piCompRoot, IPropertyData* pData, VARIANT vValue,
                                     BSTR* UUIDOfErrorDB) override;
    STDMETHODIMP CheckInsertDrag(BSTR* pbstrErrMsg, IComponent* piCompRoot, IComponent* piCompIns,
                                 IComponent* piCompDest, LONG bAsChild, BSTR* UUIDOfErrorDB) override;
    STDMETHODIMP CheckInsertDrop(BSTR* pbstrErrMsg, IComponent* piCompRoot, IComponent* piCompIns,
                                 IComponent* piCompDest, LONG bAsChild, BSTR* UUIDOfErrorDB) override;
    STDMETHODIMP CheckMoveDrag(BSTR* pbstrErrMsg, IComponent* piCompRoot, IComponent* piCompMove,
                               IComponent* piCompDest, LONG bAsChild, BSTR* UUIDOfErrorDB) override;
    STDMETHODIMP CheckMoveDrop(BSTR* pbstrErrMsg, IComponent* piCompRoot, IComponent* piCompMove,
                               IComponent* piCompDest, LONG bAsChild, BSTR* UUIDOfErrorDB) override;
    STDMETHODIMP CheckReplaceDrag(BSTR* pbstrErrMsg, IComponent* piCompRoot, IComponent* piCompPalett,
                                  IComponent* piCompReplace, BSTR* UUIDOfErrorDB) override;
    STDMETHODIMP CheckReplaceDrop(BSTR* pbstrErrMsg, IComponent* piCompRoot, IComponent* piCompPalett,
                                  IComponent* piCompReplace, BSTR* UUIDOfErrorDB) override;
    STDMETHODIMP CheckConnect(BSTR* pbstrErrMsg, IComponent* piCompRoot, ICharacteristic* piCharConn1,
                              ICharacteristic* piCharConn2, BSTR* UUIDOfErrorDB) override;
    STDMETHODIMP CheckDisconnect(BSTR* pbstrErrMsg, IComponent* piCompRoot, ICharacteristic* piCharConn1,
                                 ICharacteristic* piCharConn2, BSTR* UUIDOfErrorDB) override;
    STDMETHODIMP CheckDelete(BSTR* pbstrErrMsg, IComponent* piCompRoot, IComponent* piComp,
                             BSTR* UUIDOfErrorDB) override;

    // IAssist3
    STDMETHODIMP InitEx(IDispatch* pdispTopology, IDispatch* pdispLayer, BSTR bstrProtocol) override;

    // ISupportErrorInfo
    STDMETHODIMP InterfaceSupportsErrorInfo(REFIID riid) override;

protected:
    std::wstring m_strProtocol;

private:
    // What differs between the forwarded checks, besides the assistant call.
    struct ForwardedCheck
    {
        const wchar_t* pszTrace;
        bool bCharacteristics; // the whole-project check also carries two characteristics
    };
    // The slots one assistant answers into.
    struct AnswerSlots
    {
        BSTR* pbstrErrMsg;
        BSTR* pbstrErrDB;
        ICharacteristic** ppCharErr1;
        ICharacteristic** ppCharErr2;
    };

    static const ForwardedCheck s_CheckNewDevice, s_CheckAll, s_CheckPropertyChange, s_CheckInsertDrag,
        s_CheckInsertDrop, s_CheckMoveDrag, s_CheckMoveDrop, s_CheckReplaceDrag, s_CheckReplaceDrop, s_CheckConnect,
        s_CheckDisconnect, s_CheckDelete;

    // The one procedure behind every check; Call(IAssist2*, const AnswerSlots&) asks one assistant.
    template <class Call>
    HRESULT ForwardCheck(const ForwardedCheck& check, BSTR* pbstrErrMsg, BSTR* UUIDOfErrorDB,
                         ICharacteristic** piCharErr1, ICharacteristic** piCharErr2, Call&& call) noexcept;
};
