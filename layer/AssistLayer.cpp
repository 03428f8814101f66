// CAssistLayer: creation, the host's lifecycle calls, the processed bus name
// and the test interface's Add.
#include "layer/AssistLayer.h"
#include <utility>
#include <vector>
#include "common/HostCall.h"
#include "layer/AssistLayerTexts.h"

using Microsoft::WRL::ComPtr;
namespace T = AssistLayerText;

namespace {

using CatalogueEntry = std::pair<std::wstring, ComPtr<IAssist2>>;

// The passes over the catalogue walk a copy: an assistant that calls back
// into the layer while it is being called cannot pull the map from under us.
// An entry without an assistant has nobody to call.
std::vector<CatalogueEntry> SnapshotOf(const AssistantMap& map)
{
    std::vector<CatalogueEntry> entries;
    for (const auto& entry : map)
        if (entry.second)
            entries.emplace_back(entry.first, entry.second);
    return entries;
}

// Empty by its first character: the length prefix does not count here.
bool IsEmptyText(BSTR bstr) noexcept
{
    return !bstr || bstr[0] == L'\0';
}

// Keeps the topology the host passed; the same pointer again is kept as it is.
void TakeTopology(ComPtr<NewZUR::ITopology>& spTopology, IDispatch* pdispTopology)
{
    if (static_cast<IDispatch*>(spTopology.Get()) == pdispTopology)
        return;
    ComPtr<NewZUR::ITopology> spBefore = std::move(spTopology);
    if (pdispTopology)
        pdispTopology->QueryInterface(NewZUR::IID_ITopology, reinterpret_cast<void**>(spTopology.GetAddressOf()));
    // A failed query leaves the member null; the previous topology goes with spBefore.
}

HRESULT InitAssistant(IAssist2* pAssist, const std::wstring& protocol, IDispatch* pdispTopology,
                      IDispatch* pdispLayer)
{
    ComPtr<IAssist3> spAssist3;
    if (SUCCEEDED(pAssist->QueryInterface(IID_IAssist3, reinterpret_cast<void**>(spAssist3.GetAddressOf()))) &&
        spAssist3)
        return spAssist3->InitEx(pdispTopology, pdispLayer, CBstr(protocol));
    return pAssist->Init(pdispTopology, pdispLayer);
}

} // namespace

CAssistLayer::CAssistLayer() : m_bstrRootName(T::kRootName), m_bstrProtocolPath(T::kProtocolPath) {}

// Releases what the layer holds; the assistants are not told to terminate.
CAssistLayer::~CAssistLayer() = default;

HRESULT CAssistLayer::FinalConstruct()
{
    LoadDebugOptions();
    return S_OK;
}

STDMETHODIMP CAssistLayer::Init(IDispatch* pdispTopology)
{
    return ComBoundary([&] {
        // Traced before the topology is taken: the first Init's trace reaches nobody.
        ZURTrace(T::kTraceInit);
        TakeTopology(m_spTopology, pdispTopology);

        HRESULT hr = CoCreateInstance(NewZUR::CLSID_DataQuery, nullptr, CLSCTX_ALL, NewZUR::IID_IDataQuery,
                                      reinterpret_cast<void**>(m_spDataQuery.ReleaseAndGetAddressOf()));
        hr = RequireObject(hr, m_spDataQuery);
        if (FAILED(hr))
            return hr;
        hr = m_spDataQuery->Attach(m_spTopology.Get());
        if (FAILED(hr))
            return hr;

        // Entries from an earlier Init or from Add are not reloaded.
        if (m_mapAssistants.empty()) {
            hr = LoadAssistants(std::wstring_view());
            if (FAILED(hr))
                return hr;
        }

        IDispatch* pdispLayer = static_cast<IAssistLayer2*>(this);
        for (const CatalogueEntry& entry : SnapshotOf(m_mapAssistants)) {
            hr = InitAssistant(entry.second.Get(), entry.first, pdispTopology, pdispLayer);
            if (FAILED(hr)) {
                WriteLogRow(T::kRowAssistantInitFailed, hr, entry.first.c_str());
                return hr;
            }
        }
        return S_OK;
    });
}

STDMETHODIMP CAssistLayer::Term()
{
    return ComBoundary([&] {
        ZURTrace(T::kTraceTerm);
        for (const CatalogueEntry& entry : SnapshotOf(m_mapAssistants)) {
            const HRESULT hr = entry.second->Term();
            if (FAILED(hr))
                return hr;  // everything stays, a later Term starts again at the first
        }
        // Moved out before they are destroyed, so a release that calls back finds the maps empty.
        AssistantMap mapAssistants = std::move(m_mapAssistants);
        m_mapAssistants.clear();
        mapAssistants.clear();
        m_mapErrorDBs.clear();
        m_spTopology.Reset();
        m_spDataQuery.Reset();
        m_spProtocolEnum.Reset();
        return S_OK;
    });
}

STDMETHODIMP CAssistLayer::NewProjectCreated()
{
    return ComBoundary([&] {
        ZURTrace(T::kTraceNewProjectCreated);
        HRESULT hr = S_OK;
        if (DebugGateAnswers(&hr))
            return hr;
        for (const CatalogueEntry& entry : SnapshotOf(m_mapAssistants)) {
            hr = entry.second->NewProjectCreated();
            if (FAILED(hr))
                return hr;
        }
        return S_OK;
    });
}

STDMETHODIMP CAssistLayer::GetProcessedBusName(BSTR* pbstrBusname)
{
    return ComBoundary([&] {
        ZURTrace(T::kTraceGetProcessedBusName);
        HRESULT hr = S_OK;
        if (DebugGateAnswers(&hr))
            return hr;
        // S_OK whatever the copy gives: a failed allocation hands out null.
        if (pbstrBusname) {
            BSTR bstrName = m_bstrBusName.Get();
            *pbstrBusname = bstrName ? SysAllocStringByteLen(reinterpret_cast<LPCSTR>(bstrName),
                                                             SysStringByteLen(bstrName))
                                     : nullptr;
        }
        return S_OK;
    });
}

STDMETHODIMP CAssistLayer::Add(BSTR bstrProtocol, BSTR bstrProgId, IUnknown* punkAssistant, BSTR bstrErrDB)
{
    return ComBoundary([&] {
        // The ProgID is checked like the others, though it is not kept.
        if (IsEmptyText(bstrProtocol) || IsEmptyText(bstrProgId) || IsEmptyText(bstrErrDB) || !punkAssistant)
            return E_INVALIDARG;
        ComPtr<IAssist2> spAssist;
        HRESULT hr = punkAssistant->QueryInterface(IID_IAssist2, reinterpret_cast<void**>(spAssist.GetAddressOf()));
        if (SUCCEEDED(hr) && !spAssist)
            hr = E_NOINTERFACE;
        if (FAILED(hr))
            return hr;

        // Both entries are made before either value changes, so running out
        // of memory leaves the catalogue as it was.
        std::wstring protocol(BstrView(bstrProtocol));
        std::wstring errorDb(BstrView(bstrErrDB));
        auto [itErrorDB, bNewErrorDB] = m_mapErrorDBs.try_emplace(protocol);
        AssistantMap::iterator itAssist;
        try {
            itAssist = m_mapAssistants.try_emplace(std::move(protocol)).first;
        } catch (...) {
            if (bNewErrorDB)
                m_mapErrorDBs.erase(itErrorDB);
            throw;
        }
        itAssist->second.Swap(spAssist);  // a replaced assistant is released with spAssist
        itErrorDB->second.swap(errorDb);
        return S_OK;
    });
}
