// A data item of the plant project.
#include "hostsim/SimItem.h"
#include "com/Owners.h"

namespace {

bool IsTopOfDataTree(IXMLDOMNode* pNode)
{
    ComPtr<IXMLDOMNode> spParent;
    pNode->get_parentNode(&spParent);
    return !spParent || NodeType(spParent.Get()) != NODE_ELEMENT || NodeName(spParent.Get()) == L"component";
}

// One step of the path text; siblings are told apart by their name or protocol.
std::wstring Step(IXMLDOMNode* pNode)
{
    if (NodeType(pNode) == NODE_ATTRIBUTE)
        return L"@" + NodeName(pNode);
    std::wstring step = NodeName(pNode);
    for (const wchar_t* key : {L"name", L"protocol"})
        if (HasAttribute(pNode, key))
            return step + L"[@" + key + L"=" + XPathLiteral(AttributeText(pNode, key)) + L"]";
    return step;
}

} // namespace

HRESULT CreateSimItem(const ProjectModelPtr& spModel, IXMLDOMNode* pNode, IDispatch** ppItem) noexcept
{
    if (!ppItem)
        return E_POINTER;
    *ppItem = nullptr;
    if (!pNode)
        return S_FALSE;
    return CComObject<CSimItem>::CreateInstance(IID_IDispatch, reinterpret_cast<void**>(ppItem), spModel,
                                                ComPtr<IXMLDOMNode>(pNode));
}

STDMETHODIMP CSimItem::GetValue(VARIANT* pvValue)
{
    if (!pvValue)
        return E_POINTER;
    return ComBoundary([&] {
        VariantInit(pvValue);
        std::wstring text;
        if (NodeType(m_spNode.Get()) == NODE_ELEMENT && HasAttribute(m_spNode.Get(), L"value"))
            text = AttributeText(m_spNode.Get(), L"value");
        else
            text = NodeText(m_spNode.Get());
        pvValue->bstrVal = CBstr::Alloc(text);
        pvValue->vt = VT_BSTR;
        return S_OK;
    });
}

STDMETHODIMP CSimItem::GetParent(NewZUR::IDataElement** ppParent)
{
    if (!ppParent)
        return E_POINTER;
    *ppParent = nullptr;
    return ComBoundary([&] {
        ComPtr<IXMLDOMNode> spParent;
        if (NodeType(m_spNode.Get()) == NODE_ATTRIBUTE)
            spParent = SelectNode(m_spNode.Get(), L"..");
        else if (!IsTopOfDataTree(m_spNode.Get()))
            m_spNode->get_parentNode(&spParent);
        if (!spParent)
            return S_FALSE;
        ComPtr<IDispatch> spItem;
        HRESULT hr = CreateSimItem(m_spModel, spParent.Get(), &spItem);
        return FAILED(hr) ? hr : spItem->QueryInterface(IID_PPV_ARGS(ppParent));
    });
}

STDMETHODIMP CSimItem::GetPathText(BSTR* pbstrPath)
{
    if (!pbstrPath)
        return E_POINTER;
    *pbstrPath = nullptr;
    return ComBoundary([&] {
        std::wstring path = Step(m_spNode.Get());
        ComPtr<IXMLDOMNode> spNode = m_spNode;
        if (NodeType(spNode.Get()) == NODE_ATTRIBUTE)
            spNode = SelectNode(spNode.Get(), L"..");
        else if (IsTopOfDataTree(spNode.Get()))
            spNode.Reset();
        while (spNode) {
            if (spNode.Get() != m_spNode.Get())
                path.insert(0, Step(spNode.Get()) + L"/");
            if (IsTopOfDataTree(spNode.Get()))
                break;
            ComPtr<IXMLDOMNode> spParent;
            spNode->get_parentNode(&spParent);
            spNode = spParent;
        }
        *pbstrPath = CBstr::Alloc(path);
        return S_OK;
    });
}

STDMETHODIMP CSimItem::GetOwningComponent(NewZUR::IComponent** ppComponent)
{
    if (!ppComponent)
        return E_POINTER;
    *ppComponent = nullptr;
    return ComBoundary([&] {
        ComPtr<IDispatch> spComponent;
        HRESULT hr = GetSimComponent(m_spModel, m_spModel->OwnerName(m_spNode.Get()), &spComponent);
        if (hr != S_OK)
            return hr;
        return spComponent->QueryInterface(IID_PPV_ARGS(ppComponent));
    });
}

STDMETHODIMP CSimItem::GetTypeId(long* plTypeId)
{
    if (!plTypeId)
        return E_POINTER;
    return ComBoundary([&] {
        std::wstring name = NodeName(m_spNode.Get());
        *plTypeId = m_spModel->TypeId(NodeType(m_spNode.Get()) == NODE_ATTRIBUTE ? L"@" + name : name);
        return S_OK;
    });
}

STDMETHODIMP CSimItem::GetSubItem(BSTR bstrName, IUnknown** ppItem)
{
    if (!ppItem)
        return E_POINTER;
    *ppItem = nullptr;
    return ComBoundary([&] {
        std::wstring_view name = BstrView(bstrName);
        ComPtr<IXMLDOMNode> spFound;
        ComPtr<IXMLDOMElement> spElement;
        if (!name.empty() && SUCCEEDED(m_spNode.As(&spElement))) {
            if (name[0] == L'@') {
                ComPtr<IXMLDOMAttribute> spAttr;
                CBstr attrName(name.substr(1));
                if (spElement->getAttributeNode(attrName, &spAttr) == S_OK && spAttr)
                    spAttr.As(&spFound);
            } else {
                ComPtr<IXMLDOMNode> spChild;
                m_spNode->get_firstChild(&spChild);
                while (spChild && !spFound) {
                    if (NodeType(spChild.Get()) == NODE_ELEMENT && NodeName(spChild.Get()) == name)
                        spFound = spChild;
                    ComPtr<IXMLDOMNode> spNext;
                    spChild->get_nextSibling(&spNext);
                    spChild = spNext;
                }
            }
        }
        if (!spFound)
            return S_FALSE;
        ComPtr<IDispatch> spItem;
        HRESULT hr = CreateSimItem(m_spModel, spFound.Get(), &spItem);
        return FAILED(hr) ? hr : spItem->QueryInterface(IID_PPV_ARGS(ppItem));
    });
}
