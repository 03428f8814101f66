#pragma once
// How an assistant reads the plant: through the host's query service only.
// Paths are the host's XPath, evaluated below the context item.
#include <windows.h>
#include <wrl/client.h>
#include <string>
#include <vector>
#include "LayerLib2.h"
#include "interfaces/NewZUR.h"

using Microsoft::WRL::ComPtr;
using ItemList = std::vector<ComPtr<NewZUR::IPropertyData>>;

class CTopologyReader
{
public:
    HRESULT Attach(IDispatch* pdispTopology);
    void Detach();
    bool IsAttached() const { return m_spQuery != nullptr; }

    // The "root" item of a component, or null.
    ComPtr<NewZUR::IPropertyData> Root(IUnknown* pComponent) const;
    // A characteristic or other item as context for a path.
    ComPtr<NewZUR::IPropertyData> AsItem(IUnknown* pItem) const;
    ItemList Select(NewZUR::IPropertyData* pContext, const std::wstring& path) const;
    // The value of the first item the path selects, or "".
    std::wstring Text(NewZUR::IPropertyData* pContext, const std::wstring& path) const;
    std::wstring Value(NewZUR::IPropertyData* pItem) const;
    std::wstring PathText(NewZUR::IPropertyData* pItem) const;

private:
    ComPtr<NewZUR::IDataQuery> m_spQuery;
};
