// The query service.
#include "doubles/HostDouble.h"

using Microsoft::WRL::ComPtr;

namespace {

class CQueryDouble : public CHostObject, public CHostInterface<NewZUR::IDataQuery>
{
public:
    DOUBLE_INTERFACE_TABLE(CQueryDouble, NewZUR::IDataQuery)

    explicit CQueryDouble(std::weak_ptr<CHostDouble> wpHost) : CHostObject(L"query", L"query", std::move(wpHost)) {}
    STDMETHODIMP Attach(NewZUR::ITopology* piTopology) override
    {
        return Answer(L"Attach", [&] {
            CQueryScript& script = Host()->query;
            if (g_bRecording)
                script.vecAttached.push_back(piTopology);
            if (SUCCEEDED(script.hrAttach))
                m_spTopology = piTopology;
            return script.hrAttach;
        });
    }
    STDMETHODIMP Select(NewZUR::IPropertyData* pContext, BSTR bstrPath, NewZUR::IDataQueryResult** ppResult) override
    {
        return Answer(L"Select", ppResult, [&] {
            std::shared_ptr<CHostDouble> spHost = Host();
            CNodeDouble* pContextNode = spHost->FindNode(pContext);
            const std::wstring_view path = BstrView(bstrPath);
            // Only the two paths the layer selects, from a node of this host.
            if (!pContextNode || (path != kProtocolPath && path != kOwnerPath))
                return E_INVALIDARG;
            if (g_bRecording)
                *ppResult = CComObject<CQueryResultDouble>::New(spHost->Evaluate(pContextNode, path)).Detach();
            else
                *ppResult = spHost->KeptResult(pContextNode, path).Detach();
            return S_OK;
        });
    }

private:
    ComPtr<NewZUR::ITopology> m_spTopology;
};

} // namespace

ComPtr<IUnknown> NewQueryDouble(std::weak_ptr<CHostDouble> wpHost)
{
    return static_cast<NewZUR::IDataQuery*>(CComObject<CQueryDouble>::New(std::move(wpHost)).Get());
}
