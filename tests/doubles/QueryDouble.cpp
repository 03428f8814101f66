// The query service, the enumerators it gives and the ones the host keeps.
#include "doubles/HostDouble.h"

using Microsoft::WRL::ComPtr;

namespace {

class CQueryResultDouble : public CDoubleBase, public CHostInterface<NewZUR::IDataQueryResult>
{
public:
    DOUBLE_INTERFACE_TABLE(CQueryResultDouble, NewZUR::IDataQueryResult)

    explicit CQueryResultDouble(const CQueryAnswer& answer)
        : CDoubleBase(L"query result", L"queryresult"), m_vecItems(answer.vecItems.begin(), answer.vecItems.end())
    {}
    STDMETHODIMP Next(IDispatch** ppItem, long* plFound) override
    {
        if (!plFound)
            return E_POINTER;
        *plFound = 0;
        return Answer(L"Next", ppItem, [&] {
            if (m_nNext >= m_vecItems.size())
                return S_FALSE;
            HandOut(ppItem, m_vecItems[m_nNext++]->AsPropertyData());
            *plFound = 1;
            return S_OK;
        });
    }

    std::vector<ComPtr<CNodeDouble>> m_vecItems;
    size_t m_nNext = 0;
};

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
                *ppResult = CDoubleObject<CQueryResultDouble>::New(answer).Detach();
            return answer.hrSelect;
        });
    }

private:
    ComPtr<NewZUR::ITopology> m_spTopology;
};

CQueryResultDouble* ResultOf(const ComPtr<NewZUR::IDataQueryResult>& sp)
{
    return static_cast<CQueryResultDouble*>(sp.Get());
}

} // namespace

ComPtr<IUnknown> NewQueryDouble(std::weak_ptr<CHostDouble> wpHost)
{
    return static_cast<NewZUR::IDataQuery*>(CDoubleObject<CQueryDouble>::New(std::move(wpHost)).Get());
}

ComPtr<NewZUR::IDataQueryResult> CHostDouble::KeptResult(CNodeDouble* pContext, std::wstring_view path)
{
    // Only the two paths the layer selects are kept; the key tells them apart.
    const bool bOwner = path == kOwnerPath;
    if (!bOwner && path != kProtocolPath)
        return nullptr;
    ComPtr<NewZUR::IDataQueryResult>& spKept = m_mapKept[{pContext, bOwner}];
    if (!spKept || ResultOf(spKept)->References() > 1)
        spKept = CDoubleObject<CQueryResultDouble>::New(Evaluate(pContext, path));
    ResultOf(spKept)->m_nNext = 0;
    return spKept;
}

long CHostDouble::ForeignReferences() const
{
    // The host holds one reference on each of its objects; nodes also hold
    // their links, and kept enumerators their items.
    auto beyondOne = [](IUnknown* p) { return p ? static_cast<long>(RefCount(p)) - 1 : 0L; };
    long lForeign = beyondOne(m_spTopology.Get()) + beyondOne(m_spSchema.Get()) + beyondOne(m_spErrorDb.Get());
    for (const auto& spNode : m_vecNodes)
        lForeign += static_cast<long>(spNode->References()) - 1 - spNode->Links();
    for (const auto& [key, spResult] : m_mapKept)
        lForeign += beyondOne(spResult.Get()) - static_cast<long>(ResultOf(spResult)->m_vecItems.size());
    return lForeign;
}
