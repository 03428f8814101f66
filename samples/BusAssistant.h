#pragma once
// A sample bus assistant: answers the layer's questions for one fieldbus by
// the rules of that bus. The three sample classes differ only in their bus.
#include "com/ComObject.h"
#include "interfaces/LayerDispatch.h"
#include "samples/BusRules.h"
#include <functional>

class CBusAssistant : public CComRootSingleThreaded, public CDispatchImpl<IAssist3>
{
public:
    explicit CBusAssistant(const BusDescriptor& bus) : m_bus(bus), m_rules(bus, m_reader) {}

    BEGIN_INTERFACE_TABLE(CBusAssistant)
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
    // Every check: the verdict's code is returned, its message and this bus's
    // error database handed out.
    HRESULT Judge(BSTR* pbstrErrMsg, BSTR* pbstrErrDB, const std::function<Verdict()>& rule) noexcept;

    const BusDescriptor& m_bus;
    CTopologyReader m_reader;
    CBusRules m_rules;
};
