#pragma once
// The assistant: answers the layer's questions about one bus (IAssist3, so
// that the layer names the protocol it was bound to; IAssist2 for hosts that
// know only that). Each check hands its component to a rule.
#include "LayerLib2.h"
#include "Rules.h"
#include "com/ComObject.h"
#include "com/FunctionRef.h"
#include "interfaces/LayerDispatch.h"

class CAssistant : public CComRootSingleThreaded, public CDispatchImpl<IAssist3>
{
public:
    BEGIN_INTERFACE_TABLE(CAssistant)
    INTERFACE_ENTRY(IAssist3)
    INTERFACE_ENTRY_IID(IID_IAssist2, IAssist3)
    INTERFACE_ENTRY_IID(IID_IDispatch, IAssist3)
    END_INTERFACE_TABLE()

    STDMETHODIMP Init(IDispatch* pdispTopology, IDispatch* pdispLayer) override;
    STDMETHODIMP InitEx(IDispatch* pdispTopology, IDispatch* pdispLayer, BSTR bstrProtocol) override;
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

private:
    // Every check: the out-parameters are set first, the rule runs inside the
    // boundary, its message and (for any verdict but S_OK) the error database
    // are handed out.
    HRESULT Judge(BSTR* pbstrErrMsg, BSTR* pbstrErrDB, CFunctionRef<Verdict()> rule) noexcept;

    CRules m_rules;
};
