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

// Empty by its first character: the length prefix does not count here.
bool IsEmptyText(BSTR bstr) noexcept
{
    return !bstr || bstr[0] == L'\0';
}

} // namespace

CAssistLayer::CAssistLayer()
    : m_bstrRootName(T::kRootName),
      m_bstrProtocolPath(T::kProtocolPath),
      m_bstrOwnerPath(T::kOwnerPath),
      m_bstrEntityTypeName(T::kEntityTypeName),
      m_bstrProtocolAttribute(T::kProtocolAttribute)
{}

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
        TakeTopology(pdispTopology);
        RETURN_IF_FAILED(AttachDataQuery());
        // Entries from an earlier Init or from Add are not reloaded.
        if (m_mapAssistants.empty())
            RETURN_IF_FAILED(LoadAssistants(std::wstring_view()));

        std::wstring failed;
        const HRESULT hr = InitAssistants(pdispTopology, static_cast<IAssistLayer2*>(this), &failed);
        if (FAILED(hr))
            WriteLogRow(T::kRowAssistantInitFailed, hr, failed.c_str());
        return hr;
    });
}

STDMETHODIMP CAssistLayer::Term()
{
    return ComBoundary([&] {
        ZURTrace(T::kTraceTerm);
        std::wstring failed;
        return TermAssistants(&failed);
    });
}

STDMETHODIMP CAssistLayer::NewProjectCreated()
{
    return ComBoundary([&] {
        ZURTrace(T::kTraceNewProjectCreated);
        HRESULT hr = S_OK;
        if (DebugGateAnswers(&hr))
            return hr;
        for (const CatalogueEntry& entry : SnapshotCatalogue())
            RETURN_IF_FAILED(entry.second->NewProjectCreated());
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
            *pbstrBusname = bstrName
                                ? SysAllocStringByteLen(reinterpret_cast<LPCSTR>(bstrName), SysStringByteLen(bstrName))
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
        const HRESULT hr =
            punkAssistant->QueryInterface(IID_IAssist2, reinterpret_cast<void**>(spAssist.GetAddressOf()));
        RETURN_IF_FAILED(SUCCEEDED(hr) && !spAssist ? E_NOINTERFACE : hr);

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
        itAssist->second.Swap(spAssist); // a replaced assistant is released with spAssist
        itErrorDB->second.swap(errorDb);
        return S_OK;
    });
}
