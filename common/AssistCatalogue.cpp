// CAssistCommon: the assistant catalogue, filled from the host's registry
// keys through its context object; the steps of Init and Term that the layer
// and the proxy share (the host's topology, its query service, the assistants
// told to start and to stop); and the error database of a failing answer.
#include "common/AssistCommon.h"
#include "common/AssistCommonTexts.h"
#include "com/Owners.h"
#include "common/BindingWalk.h"
#include "common/HostCall.h"

using Microsoft::WRL::ComPtr;
namespace T = AssistCommonText;

HRESULT CAssistCommon::LoadAssistants(std::wstring_view suffix)
{
    ZURTrace(T::kTraceLoadAssistants);
    // Both scopes into one catalogue: an entry of the second replaces the first's.
    const HRESULT r9 = LoadAssistants(T::kFirstScope, suffix);
    const HRESULT r17 = LoadAssistants(T::kSecondScope, suffix);
    if (r9 == S_OK || r17 == S_OK)
        return S_OK;
    WriteLogRow(T::kRowNoAssistant, FAILED(r9) ? r9 : r17);
    return FAILED(r9) && FAILED(r17) ? E_FAIL : S_OK;
}

HRESULT CAssistCommon::LoadAssistants(long lScope, std::wstring_view suffix)
{
    ZURTrace(T::kTraceLoadAssistants);
    ComPtr<NewZUR::IContext> spContext;
    HRESULT hr = CreateContext(spContext);
    if (FAILED(hr)) {
        WriteLogRow(T::kRowNoContext, hr);
        return hr;
    }
    return WalkBindings(spContext.Get(), lScope, suffix, 0, [this](const Binding& binding) {
        if (FAILED(binding.hrErrorDB)) {
            WriteLogRow(T::kRowNoErrorDB, binding.hrErrorDB, std::wstring(binding.progId).c_str());
            return T::kErrorDBUnreadable;
        }
        const HRESULT hr = InsertProtocolBusEntryIntoMap(binding.protocol, binding.progId, binding.errorDb);
        if (FAILED(hr))
            WriteLogRow(T::kRowInsertFailed, hr, std::wstring(binding.progId).c_str());
        return hr;
    });
}

namespace {

HRESULT CreateAssistant(const std::wstring& strProgId, ComPtr<IAssist2>& spAssist) noexcept
{
    // A ProgID never holds a zero; such a name cannot be registered.
    if (strProgId.find(L'\0') != std::wstring::npos)
        return CO_E_CLASSSTRING;
    CLSID clsid;
    RETURN_IF_FAILED(CLSIDFromProgID(strProgId.c_str(), &clsid));
    const HRESULT hr =
        CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IAssist2, reinterpret_cast<void**>(spAssist.GetAddressOf()));
    return RequireObject(hr, spAssist);
}

} // namespace

HRESULT CAssistCommon::InsertProtocolBusEntryIntoMap(std::wstring_view protocol, std::wstring_view progId,
                                                     std::wstring_view errorDb)
{
    const std::wstring strProgId(progId);
    ComPtr<IAssist2> spAssist;
    const HRESULT hr = CreateAssistant(strProgId, spAssist);
    // Only a plain S_OK counts; any other answer leaves the catalogue as it was.
    if (hr != S_OK) {
        WriteLogRow(T::kRowCreateAssistant, hr, strProgId.c_str());
        return hr;
    }
    try {
        m_mapAssistants[std::wstring(protocol)] = spAssist;
        m_mapErrorDBs[std::wstring(protocol)] = std::wstring(errorDb);
    } catch (...) {
        // Only memory runs out here.
        WriteLogRow(T::kRowInsertOutOfMemory, S_OK, strProgId.c_str());
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

void CAssistCommon::SelectProperErrorDBforRetval(HRESULT hr, std::wstring_view protocol, BSTR* pErrorDb)
{
    ZURTrace(T::kTraceSelectErrorDB);
    // An assistant's own identifier always wins; a success needs none.
    if (SUCCEEDED(hr) || !pErrorDb || *pErrorDb)
        return;
    // A protocol without an error database gets an empty, non-null identifier,
    // and an empty entry of its own.
    auto it = m_mapErrorDBs.find(protocol);
    if (it == m_mapErrorDBs.end())
        it = m_mapErrorDBs.emplace(std::wstring(protocol), std::wstring()).first;
    *pErrorDb = CBstr::Alloc(it->second);
}

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
        pdispTopology->QueryInterface(IID_PPV_ARGS(m_spTopology.GetAddressOf()));
}

// A new query service on the held topology; one from an earlier Init is
// replaced.
HRESULT CAssistCommon::AttachDataQuery()
{
    HRESULT hr = CoCreateInstance(NewZUR::CLSID_DataQuery, nullptr, CLSCTX_ALL,
                                  IID_PPV_ARGS(m_spDataQuery.ReleaseAndGetAddressOf()));
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
