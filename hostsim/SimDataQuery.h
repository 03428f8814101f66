#pragma once
// The host's query service. A path is an XPath expression evaluated with the
// context item's node as context node; the path "..==>." selects the "root"
// item of the component that owns the context item.
#include "com/ComObject.h"
#include "hostsim/SimDispatch.h"
#include "hostsim/SimNode.h"
#include <vector>

class CSimDataQuery : public CComRootSingleThreaded, public CSimDispatch<NewZURLibrary, NewZUR::IDataQuery>
{
public:
    BEGIN_INTERFACE_TABLE(CSimDataQuery)
    INTERFACE_ENTRY(NewZUR::IDataQuery)
    INTERFACE_ENTRY_IID(IID_IDispatch, NewZUR::IDataQuery)
    END_INTERFACE_TABLE()

    STDMETHODIMP Attach(NewZUR::ITopology* piTopology) override;
    STDMETHODIMP Select(NewZUR::IPropertyData* pContext, BSTR bstrPath, NewZUR::IDataQueryResult** ppResult) override;

private:
    ComPtr<NewZUR::ITopology> m_spTopology;
};

// The items a selection found, handed out one by one.
class CSimQueryResult : public CComRootSingleThreaded, public CSimDispatch<NewZURLibrary, NewZUR::IDataQueryResult>
{
public:
    CSimQueryResult(ProjectModelPtr spModel, std::vector<ComPtr<IXMLDOMNode>> nodes)
        : m_spModel(std::move(spModel)), m_vecNodes(std::move(nodes))
    {}

    BEGIN_INTERFACE_TABLE(CSimQueryResult)
    INTERFACE_ENTRY(NewZUR::IDataQueryResult)
    INTERFACE_ENTRY_IID(IID_IDispatch, NewZUR::IDataQueryResult)
    END_INTERFACE_TABLE()

    SIM_RESERVED(7)
    STDMETHODIMP Next(IDispatch** ppItem, long* plFound) override;

private:
    ProjectModelPtr m_spModel;
    std::vector<ComPtr<IXMLDOMNode>> m_vecNodes;
    size_t m_nNext = 0;
};

inline constexpr wchar_t kOwnerPath[] = L"..==>.";
