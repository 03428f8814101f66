// The host's query service over the project document.
#include "hostsim/SimDataQuery.h"
#include "com/Owners.h"

STDMETHODIMP CSimDataQuery::Attach(NewZUR::ITopology* piTopology)
{
    m_spTopology = piTopology;
    return S_OK;
}

STDMETHODIMP CSimDataQuery::Select(NewZUR::IPropertyData* pContext, BSTR bstrPath, NewZUR::IDataQueryResult** ppResult)
{
    if (!ppResult)
        return E_POINTER;
    *ppResult = nullptr;
    ComPtr<ISimNode> spContext;
    if (!pContext || FAILED(pContext->QueryInterface(IID_PPV_ARGS(&spContext))))
        return E_INVALIDARG;
    return ComBoundary([&] {
        ComPtr<IXMLDOMNode> spNode = spContext->Node();
        const ProjectModelPtr& spModel = spContext->Model();
        std::vector<ComPtr<IXMLDOMNode>> nodes;
        std::wstring_view path = BstrView(bstrPath);
        if (!spNode)
            return E_INVALIDARG;
        if (path == kOwnerPath) {
            ComPtr<IXMLDOMNode> spOwner = spModel->ComponentElement(spModel->OwnerName(spNode.Get()));
            ComPtr<IXMLDOMNode> spRoot = spOwner ? SelectNode(spOwner.Get(), L"root") : nullptr;
            if (spRoot)
                nodes.push_back(spRoot);
        } else {
            ComPtr<IXMLDOMNodeList> spList;
            if (path.empty() || path.find(L'\0') != std::wstring_view::npos ||
                FAILED(SelectNodes(spNode.Get(), path, spList)))
                return E_INVALIDARG;
            ComPtr<IXMLDOMNode> spFound;
            while (spList->nextNode(spFound.ReleaseAndGetAddressOf()) == S_OK && spFound)
                nodes.push_back(spFound);
        }
        return CComObject<CSimQueryResult>::CreateInstance(
            __uuidof(NewZUR::IDataQueryResult), reinterpret_cast<void**>(ppResult), spModel, std::move(nodes));
    });
}

STDMETHODIMP CSimQueryResult::Next(IDispatch** ppItem, long* plFound)
{
    if (!ppItem || !plFound)
        return E_POINTER;
    *ppItem = nullptr;
    *plFound = 0;
    if (m_nNext >= m_vecNodes.size())
        return S_FALSE;
    HRESULT hr = CreateSimItem(m_spModel, m_vecNodes[m_nNext].Get(), ppItem);
    if (FAILED(hr))
        return hr;
    ++m_nNext;
    *plFound = 1;
    return S_OK;
}
