// Reading the plant through the host's query service.
#include "samples/TopologyReader.h"
#include "com/Owners.h"

HRESULT CTopologyReader::Attach(IDispatch* pdispTopology)
{
    ComPtr<NewZUR::ITopology> spTopology;
    if (!pdispTopology || FAILED(pdispTopology->QueryInterface(IID_PPV_ARGS(&spTopology))))
        return E_INVALIDARG;
    ComPtr<NewZUR::IDataQuery> spQuery;
    HRESULT hr = CoCreateInstance(NewZUR::CLSID_DataQuery, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&spQuery));
    if (SUCCEEDED(hr))
        hr = spQuery->Attach(spTopology.Get());
    if (FAILED(hr))
        return hr;
    m_spQuery = spQuery;
    return S_OK;
}

void CTopologyReader::Detach()
{
    m_spQuery.Reset();
}

ComPtr<NewZUR::IPropertyData> CTopologyReader::Root(IUnknown* pComponent) const
{
    ComPtr<NewZUR::ICharacteristic> spChar;
    ComPtr<IUnknown> spRoot;
    if (!pComponent || FAILED(pComponent->QueryInterface(IID_PPV_ARGS(&spChar))))
        return nullptr;
    CBstr name(L"root");
    spChar->GetSubItem(name, &spRoot);
    return spRoot ? AsItem(spRoot.Get()) : nullptr;
}

ComPtr<NewZUR::IPropertyData> CTopologyReader::AsItem(IUnknown* pItem) const
{
    ComPtr<NewZUR::IPropertyData> spItem;
    if (pItem)
        pItem->QueryInterface(IID_PPV_ARGS(&spItem));
    return spItem;
}

ItemList CTopologyReader::Select(NewZUR::IPropertyData* pContext, const std::wstring& path) const
{
    ItemList items;
    ComPtr<NewZUR::IDataQueryResult> spResult;
    CBstr query(path);
    if (!pContext || !m_spQuery || FAILED(m_spQuery->Select(pContext, query, &spResult)) || !spResult)
        return items;
    for (;;) {
        ComPtr<IDispatch> spItem;
        long lFound = 0;
        if (FAILED(spResult->Next(&spItem, &lFound)) || !lFound || !spItem)
            break;
        if (auto spData = AsItem(spItem.Get()))
            items.push_back(spData);
    }
    return items;
}

std::wstring CTopologyReader::Text(NewZUR::IPropertyData* pContext, const std::wstring& path) const
{
    ItemList items = Select(pContext, path);
    return items.empty() ? std::wstring() : Value(items[0].Get());
}

std::wstring CTopologyReader::Value(NewZUR::IPropertyData* pItem) const
{
    CVariant value;
    if (!pItem || FAILED(pItem->GetValue(value.Out())) || FAILED(VariantChangeType(&value, &value, 0, VT_BSTR)))
        return {};
    return std::wstring(BstrView(value.bstrVal));
}

std::wstring CTopologyReader::PathText(NewZUR::IPropertyData* pItem) const
{
    ComPtr<NewZUR::IDataElement> spElement;
    CBstr path;
    if (pItem && SUCCEEDED(pItem->QueryInterface(IID_PPV_ARGS(&spElement))))
        spElement->GetPathText(path.Out());
    return std::wstring(path.View());
}
