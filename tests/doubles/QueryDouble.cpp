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
            if (CRecording::On())
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
            const CQueryAnswer* pOverride = spHost->query.FindOverride(pContextNode, path);
            if (!CRecording::On() && !pOverride && pContextNode)
                if ((*ppResult = spHost->KeptResult(pContextNode, path).Detach()) != nullptr)
                    return S_OK;
            const CQueryAnswer answer = pOverride ? *pOverride : spHost->Evaluate(pContextNode, path);
            if (!answer.bNoEnumerator)
                *ppResult = CDoubleObject<CQueryResultDouble>::New(answer.vecItems).Detach();
            return answer.hrSelect;
        });
    }

private:
    ComPtr<NewZUR::ITopology> m_spTopology;
};

} // namespace

ComPtr<IUnknown> NewQueryDouble(std::weak_ptr<CHostDouble> wpHost)
{
    return static_cast<NewZUR::IDataQuery*>(CDoubleObject<CQueryDouble>::New(std::move(wpHost)).Get());
}
