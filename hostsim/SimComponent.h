#pragma once
// A device (component) of the plant project. One object per component name
// while anybody holds it, so clients may compare components by identity. Its
// sub-item "root" is the top of its data tree.
#include "com/ComObject.h"
#include "hostsim/SimDispatch.h"
#include "hostsim/SimNode.h"

class CSimComponent
    : public CComRootSingleThreaded,
      public CSimDispatch<NewZURLibrary, NewZUR::IComponent, NewZUR::ICharacteristic, NewZUR::IDataElement>,
      public ISimNode
{
public:
    CSimComponent(ProjectModelPtr spModel, std::wstring name)
        : m_spModel(std::move(spModel)), m_strName(std::move(name))
    {}
    ~CSimComponent() { m_spModel->RemoveLive(m_strName); }

    BEGIN_INTERFACE_TABLE(CSimComponent)
    INTERFACE_ENTRY(NewZUR::IComponent)
    INTERFACE_ENTRY_IID(IID_IDispatch, NewZUR::IComponent)
    INTERFACE_ENTRY(NewZUR::ICharacteristic)
    INTERFACE_ENTRY(NewZUR::IDataElement)
    INTERFACE_ENTRY(ISimNode)
    END_INTERFACE_TABLE()

    // clang-format off
    SIM_RESERVED(7) SIM_RESERVED(8) SIM_RESERVED(9) SIM_RESERVED(10)
    // clang-format on
    // ICharacteristic
    STDMETHODIMP GetSubItem(BSTR bstrName, IUnknown** ppItem) override;
    // IDataElement
    STDMETHODIMP GetPathText(BSTR* pbstrPath) override;
    STDMETHODIMP GetOwningComponent(NewZUR::IComponent** ppComponent) override;
    STDMETHODIMP GetTypeId(long* plTypeId) override;
    // ISimNode
    ComPtr<IXMLDOMNode> Node() override { return m_spModel->ComponentElement(m_strName); }
    const ProjectModelPtr& Model() override { return m_spModel; }

private:
    ProjectModelPtr m_spModel;
    std::wstring m_strName;
};
