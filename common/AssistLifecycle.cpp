// CAssistCommon: the steps of Init and Term that the layer and the proxy
// share - the host's topology, its query service, and the catalogue's
// assistants told to start and to stop.
#include "common/AssistCommon.h"
#include "com/Owners.h"
#include "common/HostCall.h"

using Microsoft::WRL::ComPtr;

namespace {

HRESULT InitAssistant(IAssist2* pAssist, const std::wstring& protocol, IDispatch* pdispTopology, IDispatch* pdispLayer)
{
    // An assistant that knows IAssist3 is told its protocol.
    ComPtr<IAssist3> spAssist3;
    if (SUCCEEDED(pAssist->QueryInterface(IID_PPV_ARGS(&spAssist3))) && spAssist3)
        return spAssist3->InitEx(pdispTopology, pdispLayer, CBstr(protocol));
    return pAssist->Init(pdispTopology, pdispLayer);
}

} // namespace

// The same pointer again is kept as it is; one that does not answer ITopology
// leaves none.
void CAssistCommon::TakeTopology(IDispatch* pdispTopology)
{
    if (static_cast<IDispatch*>(m_spTopology.Get()) == pdispTopology)
        return;
    ComPtr<NewZUR::ITopology> spBefore = std::move(m_spTopology);
    if (pdispTopology)
        pdispTopology->QueryInterface(NewZUR::IID_ITopology, reinterpret_cast<void**>(m_spTopology.GetAddressOf()));
}

// A new query service on the held topology; one from an earlier Init is
// replaced.
HRESULT CAssistCommon::AttachDataQuery()
{
    HRESULT hr = CoCreateInstance(NewZUR::CLSID_DataQuery, nullptr, CLSCTX_ALL, NewZUR::IID_IDataQuery,
                                  reinterpret_cast<void**>(m_spDataQuery.ReleaseAndGetAddressOf()));
    RETURN_IF_FAILED(RequireObject(hr, m_spDataQuery));
    return m_spDataQuery->Attach(m_spTopology.Get());
}

// The passes over the catalogue walk a copy: an assistant that calls back
// while it is being called cannot pull the map from under them. An entry
// without an assistant has nobody to call.
CAssistCommon::CatalogueSnapshot CAssistCommon::SnapshotCatalogue() const
{
    CatalogueSnapshot entries;
    entries.reserve(m_mapAssistants.size());
    for (const auto& entry : m_mapAssistants)
        if (entry.second)
            entries.emplace_back(entry.first, entry.second);
    return entries;
}

HRESULT CAssistCommon::InitAssistants(IDispatch* pdispTopology, IDispatch* pdispLayer, std::wstring* pFailed)
{
    for (const CatalogueEntry& entry : SnapshotCatalogue()) {
        const HRESULT hr = InitAssistant(entry.second.Get(), entry.first, pdispTopology, pdispLayer);
        if (FAILED(hr)) {
            *pFailed = entry.first;
            return hr;
        }
    }
    return S_OK;
}

// A failing assistant stops the pass and everything stays: a later Term
// starts again at the first.
HRESULT CAssistCommon::TermAssistants(std::wstring* pFailed)
{
    for (const CatalogueEntry& entry : SnapshotCatalogue()) {
        const HRESULT hr = entry.second->Term();
        if (FAILED(hr)) {
            *pFailed = entry.first;
            return hr;
        }
    }
    // Moved out before they are destroyed, so a release that calls back finds
    // the catalogue empty.
    AssistantMap mapReleased = std::move(m_mapAssistants);
    m_mapAssistants.clear();
    mapReleased.clear();
    m_mapErrorDBs.clear();
    m_spTopology.Reset();
    m_spDataQuery.Reset();
    m_spProtocolEnum.Reset();
    return S_OK;
}
