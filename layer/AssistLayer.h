#pragma once
// CAssistLayer: the object behind AssistLayer2, one per process. It finds the
// protocols an edit touches, asks each protocol's assistant and answers the
// host with the worst answer.
#include <windows.h>
#include "LayerLib2.h"
#include "com/ComObject.h"
#include "com/FunctionRef.h"
#include "com/Owners.h"
#include "common/AssistCommon.h"
#include "interfaces/AssistChecks.h"
#include "interfaces/LayerDispatch.h"

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
    // The checks (LayerChecks.cpp).
    STDMETHODIMP CheckNewDevice(BSTR*, IComponent*, BSTR*) override;
    STDMETHODIMP CheckAll(BSTR*, IComponent*, ICharacteristic**, ICharacteristic**, BSTR*) override;
    STDMETHODIMP CheckPropertyChange(BSTR*, IComponent*, IPropertyData*, VARIANT, BSTR*) override;
    STDMETHODIMP CheckInsertDrag(BSTR*, IComponent*, IComponent*, IComponent*, LONG, BSTR*) override;
    STDMETHODIMP CheckInsertDrop(BSTR*, IComponent*, IComponent*, IComponent*, LONG, BSTR*) override;
    STDMETHODIMP CheckMoveDrag(BSTR*, IComponent*, IComponent*, IComponent*, LONG, BSTR*) override;
    STDMETHODIMP CheckMoveDrop(BSTR*, IComponent*, IComponent*, IComponent*, LONG, BSTR*) override;
    STDMETHODIMP CheckReplaceDrag(BSTR*, IComponent*, IComponent*, IComponent*, BSTR*) override;
    STDMETHODIMP CheckReplaceDrop(BSTR*, IComponent*, IComponent*, IComponent*, BSTR*) override;
    STDMETHODIMP CheckConnect(BSTR*, IComponent*, ICharacteristic*, ICharacteristic*, BSTR*) override;
    STDMETHODIMP CheckDisconnect(BSTR*, IComponent*, ICharacteristic*, ICharacteristic*, BSTR*) override;
    STDMETHODIMP CheckDelete(BSTR*, IComponent*, IComponent*, BSTR*) override;
    STDMETHODIMP GetProcessedBusName(BSTR* pbstrBusname) override;

    // IAssistLayerTest
    STDMETHODIMP Add(BSTR bstrProtocol, BSTR bstrProgId, IUnknown* punkAssistant, BSTR bstrErrDB) override;

protected:
    // Protocol resolution (ProtocolRoutes.cpp; one running iteration per layer object).
    HRESULT GetFirstProtocol(IUnknown* pComponent, IPropertyData** ppNode, IAssist2** ppAssist);
    HRESULT GetNextProtocol(IPropertyData** ppNode, IAssist2** ppAssist);
    HRESULT GetAssistFromProtocol(IPropertyData* pNode, IAssist2** ppAssist);
    HRESULT GetComponentFromProtocol(IPropertyData* pNode, IComponent** ppComponent);
    IComponent* GetComponentFromCharacteristic(IUnknown* pItem);
    bool IsBelowCommunicationEntity(IUnknown* pItem);
    HRESULT GetCommunicationEntityProtocol(IUnknown* pItem, IPropertyData** ppProtocol);
    // Hands a fetched protocol node out and looks its assistant up.
    HRESULT DeliverProtocol(Microsoft::WRL::ComPtr<IPropertyData> spNode, IPropertyData** ppNode, IAssist2** ppAssist);

    // The routes from what a check names to the assistants that judge it
    // (ProtocolRoutes.cpp); the consult is called once per assistant reached,
    // with the protocol that led to it.
    using ConsultProtocol = CFunctionRef<void(IPropertyData* pNode, IAssist2* pAssist, std::wstring_view protocol)>;
    using Consult = CFunctionRef<void(IAssist2* pAssist, std::wstring_view protocol)>;
    void WalkProtocols(IUnknown* pComponent, ConsultProtocol consult);
    void FollowConnectionRoutes(ICharacteristic* piChar1, ICharacteristic* piChar2, Consult consult);
    void FollowPropertyRoute(IPropertyData* pData, Consult consult);

    // The checks (LayerChecks.cpp): one procedure, a row per check of what differs.
    HRESULT RunCheck(CheckId id, const CheckArgs& args, BSTR* pbstrErrMsg, BSTR* pbstrErrDB) noexcept;

    CBstr m_bstrBusName;
    CBstr m_bstrRootName;
    CBstr m_bstrProtocolPath;
    // "..==>.", made once: every protocol of a check selects it.
    CBstr m_bstrOwnerPath;
    // Made once too: every item inside a communication entity asks for both.
    CBstr m_bstrEntityTypeName;
    CBstr m_bstrProtocolAttribute;

private:
    // The assistants already asked in one call, compared by the identity of
    // the reference; each is held while it is in the set.
    using ConsultedAssistants =
        std::vector<Microsoft::WRL::ComPtr<IAssist2>, CKeptBlockAllocator<Microsoft::WRL::ComPtr<IAssist2>>>;
    void FollowItemRoute(IPropertyData* pData, CFunctionRef<IComponent*()> component, ConsultedAssistants& consulted,
                         Consult consult);
};
