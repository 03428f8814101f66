#pragma once
// One item of a component's data tree (an element or an attribute of the
// project document): its value and parent, its path, type and owner, and its
// sub-items by name ("@attr" for an attribute, else the first child element).
#include "com/ComObject.h"
#include "hostsim/SimDispatch.h"
#include "hostsim/SimNode.h"

class CSimItem
    : public CComRootSingleThreaded,
      public CSimDispatch<NewZURLibrary, NewZUR::IPropertyData, NewZUR::IDataElement, NewZUR::ICharacteristic>,
      public ISimNode
{
public:
    CSimItem(ProjectModelPtr spModel, ComPtr<IXMLDOMNode> spNode)
        : m_spModel(std::move(spModel)), m_spNode(std::move(spNode))
    {}

    BEGIN_INTERFACE_TABLE(CSimItem)
    INTERFACE_ENTRY(NewZUR::IPropertyData)
    INTERFACE_ENTRY_IID(IID_IDispatch, NewZUR::IPropertyData)
    INTERFACE_ENTRY(NewZUR::IDataElement)
    INTERFACE_ENTRY(NewZUR::ICharacteristic)
    INTERFACE_ENTRY(ISimNode)
    END_INTERFACE_TABLE()

    // IPropertyData
    STDMETHODIMP GetValue(VARIANT* pvValue) override;
    // clang-format off
    SIM_RESERVED(8) SIM_RESERVED(9) SIM_RESERVED(10) SIM_RESERVED(11) SIM_RESERVED(12)
    // clang-format on
    STDMETHODIMP
    GetParent(NewZUR::IDataElement** ppParent) override;
    // IDataElement
    SIM_RESERVED(7)
    STDMETHODIMP GetPathText(BSTR* pbstrPath) override;
    STDMETHODIMP GetOwningComponent(NewZUR::IComponent** ppComponent) override;
    STDMETHODIMP GetTypeId(long* plTypeId) override;
    // ICharacteristic
    STDMETHODIMP GetSubItem(BSTR bstrName, IUnknown** ppItem) override;
    // ISimNode
    ComPtr<IXMLDOMNode> Node() override { return m_spNode; }
    const ProjectModelPtr& Model() override { return m_spModel; }

private:
    ProjectModelPtr m_spModel;
    ComPtr<IXMLDOMNode> m_spNode;
};
