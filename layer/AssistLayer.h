#pragma once
// CAssistLayer: the object behind AssistLayer2, one per process. It finds the
// protocols an edit touches, asks each protocol's assistant and answers the
// host with the worst answer.
#include <windows.h>
#include "LayerLib2.h"
#include "common/AssistCommon.h"
#include "com/Owners.h"
#include "com/ComObject.h"
#include "common/LayerDispatch.h"

class CAssistLayer : public CDispatchImpl<IAssistLayer2>,
                     public CDispatchImpl<IAssistLayerTest>,
                     public CAssistCommon,
                     public CComRootSingleThreaded
{
public:
    BEGIN_INTERFACE_TABLE(CAssistLayer)
    INTERFACE_ENTRY(IAssistLayer2)
    INTERFACE_ENTRY_IID(IID_IDispatch, IAssistLayer2)
    INTERFACE_ENTRY(IAssistLayerTest)
    END_INTERFACE_TABLE()

    CAssistLayer(); // raises E_OUTOFMEMORY when the constant texts cannot be allocated
    ~CAssistLayer() override;
    HRESULT FinalConstruct();

    // IAssistLayer2
    STDMETHODIMP Init(IDispatch* pdispTopology) override;
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
    STDMETHODIMP GetProcessedBusName(BSTR* pbstrBusname) override;

    // IAssistLayerTest
    STDMETHODIMP Add(BSTR bstrProtocol, BSTR bstrProgId, IUnknown* punkAssistant, BSTR bstrErrDB) override;

protected:
    // Protocol resolution (one running iteration per layer object).
    HRESULT GetFirstProtocol(IUnknown* pComponent, IPropertyData** ppNode, IAssist2** ppAssist);
    HRESULT GetNextProtocol(IPropertyData** ppNode, IAssist2** ppAssist);
    HRESULT GetAssistFromProtocol(IPropertyData* pNode, IAssist2** ppAssist);
    HRESULT GetComponentFromProtocol(IPropertyData* pNode, IComponent** ppComponent);
    IComponent* GetComponentFromCharacteristic(IUnknown* pItem);
    bool IsBelowCommunicationEntity(IUnknown* pItem);
    HRESULT GetCommunicationEntityProtocol(IUnknown* pItem, IPropertyData** ppProtocol);
    // Hands a fetched protocol node out and looks its assistant up.
    HRESULT DeliverProtocol(Microsoft::WRL::ComPtr<IPropertyData> spNode, IPropertyData** ppNode, IAssist2** ppAssist);

    CBstr m_bstrBusName;
    CBstr m_bstrRootName;
    CBstr m_bstrProtocolPath;
    // "..==>.", made once: every protocol of a check selects it.
    CBstr m_bstrOwnerPath;

    // ---- the check procedures (owned by the checks' files) ----
    // Their types are defined in layer/CheckSteps.h.
    struct ComponentArgs;
    struct ComponentCheck;
    struct ConnectionArgs;
    struct ConnectionCheck;
    struct CheckOut;
    struct CheckAllCharacteristics;
    class AnswerStrings;
    enum class ResultSelector
    {
        Worst,
        First
    };

    // What differs between the nine component checks and the two connection checks.
    static const ComponentCheck s_checkNewDevice, s_checkAll, s_checkInsertDrag, s_checkInsertDrop, s_checkMoveDrag,
        s_checkMoveDrop, s_checkReplaceDrag, s_checkReplaceDrop, s_checkDelete;
    static const ConnectionCheck s_checkConnect, s_checkDisconnect;

    // Trace, debug-option gate and null out-parameters: true when the check
    // answers at once with *phr.
    bool CheckAnswersAtOnce(const wchar_t* pszTrace, const CheckOut& out, bool bCharacteristics, HRESULT* phr);
    HRESULT RunComponentCheck(const ComponentCheck& check, const ComponentArgs& args) noexcept;
    HRESULT RunConnectionCheck(const ConnectionCheck& check, const ConnectionArgs& args) noexcept;
    void RecordAssistantResult(ResultList& results, HRESULT hrAnswer, AnswerStrings& answer, bool bRefuseFalse,
                               const CheckAllCharacteristics* pChars = nullptr);
    HRESULT ReturnCheckResult(ResultList& results, ResultSelector selector, const CheckOut& out,
                              const CheckAllCharacteristics* pChars = nullptr);

    // The walks from an item to its assistants; Consult is called once per assistant reached.
    template <class Consult>
    void WalkProtocols(IUnknown* pComponent, Consult&& consult);
    template <class Consult>
    void FollowEntityRoute(IUnknown* pItem, Consult&& consult);
    template <class Consult>
    void FollowCharacteristicRoutes(ICharacteristic* piChar, Consult&& consult);
    template <class Ask>
    void FollowOwnerRoute(IPropertyData* pData, Ask&& ask);
};
