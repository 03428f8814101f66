// A device of the plant project.
#include "hostsim/SimComponent.h"
#include "com/Owners.h"

HRESULT GetSimComponent(const ProjectModelPtr& spModel, const std::wstring& name, IDispatch** ppComponent) noexcept
{
    if (!ppComponent)
        return E_POINTER;
    *ppComponent = nullptr;
    return ComBoundary([&] {
        if (!spModel->ComponentElement(name))
            return S_FALSE;
        if (CSimComponent* pLive = spModel->FindLive(name))
            return static_cast<ISimNode*>(pLive)->QueryInterface(IID_PPV_ARGS(ppComponent));
        HRESULT hr = CComObject<CSimComponent>::CreateInstance(IID_IDispatch, reinterpret_cast<void**>(ppComponent),
                                                               spModel, name);
        if (SUCCEEDED(hr)) {
            ComPtr<ISimNode> spNode;
            (*ppComponent)->QueryInterface(IID_PPV_ARGS(&spNode));
            spModel->AddLive(name, static_cast<CSimComponent*>(spNode.Get()));
        }
        return hr;
    });
}

STDMETHODIMP CSimComponent::GetSubItem(BSTR bstrName, IUnknown** ppItem)
{
    if (!ppItem)
        return E_POINTER;
    *ppItem = nullptr;
    return ComBoundary([&] {
        ComPtr<IXMLDOMNode> spElement = Node();
        if (!spElement)
            return S_FALSE;
        // The component element itself answers the same lookups as its items.
        ComPtr<IDispatch> spSelf;
        HRESULT hr = CreateSimItem(m_spModel, spElement.Get(), &spSelf);
        ComPtr<NewZUR::ICharacteristic> spChar;
        if (FAILED(hr) || FAILED(hr = spSelf.As(&spChar)))
            return hr;
        return spChar->GetSubItem(bstrName, ppItem);
    });
}

STDMETHODIMP CSimComponent::GetPathText(BSTR* pbstrPath)
{
    if (!pbstrPath)
        return E_POINTER;
    *pbstrPath = nullptr;
    return ComBoundary([&] {
        *pbstrPath = CBstr::Alloc(L"component[@name=" + XPathLiteral(m_strName) + L"]");
        return S_OK;
    });
}

STDMETHODIMP CSimComponent::GetOwningComponent(NewZUR::IComponent** ppComponent)
{
    if (!ppComponent)
        return E_POINTER;
    *ppComponent = this;
    static_cast<NewZUR::IComponent*>(this)->AddRef();
    return S_OK;
}

STDMETHODIMP CSimComponent::GetTypeId(long* plTypeId)
{
    if (!plTypeId)
        return E_POINTER;
    return ComBoundary([&] {
        *plTypeId = m_spModel->TypeId(L"component");
        return S_OK;
    });
}
