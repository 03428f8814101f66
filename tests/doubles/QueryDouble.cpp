// The query service and the enumerators it gives.
#include "doubles/HostObjects.h"

using Microsoft::WRL::ComPtr;

STDMETHODIMP CQueryDouble::Attach(NewZUR::ITopology* piTopology)
{
    LogCall(L"Attach");
    if (CRecording::On())
        m_spHost->query.vecAttached.push_back(piTopology);
    DOUBLE_FAULT_POINT();
    if (FAILED(m_spHost->query.hrAttach))
        return m_spHost->query.hrAttach;
    m_spTopology = piTopology;
    return CFaultPlan::Result(fault, m_spHost->query.hrAttach);
}

STDMETHODIMP CQueryDouble::Select(NewZUR::IPropertyData* pContext, BSTR bstrPath, NewZUR::IDataQueryResult** ppResult)
{
    LogCall(L"Select");
    return ComBoundary([&] {
        DOUBLE_OUT_PARAMETER(ppResult);
        CNodeDouble* pContextNode = m_spHost->FindNode(pContext);
        const std::wstring_view path = BstrView(bstrPath);
        const CQueryAnswer* pOverride = m_spHost->query.FindOverride(pContextNode, path);
        if (!CRecording::On() && !pOverride && pContextNode)
            if (ComPtr<NewZUR::IDataQueryResult> spKept = m_spHost->KeptResult(pContextNode, path)) {
                *ppResult = spKept.Detach();
                return CFaultPlan::Result(fault, S_OK);
            }
        CQueryAnswer answer = pOverride ? *pOverride : m_spHost->Evaluate(pContextNode, path);
        if (!answer.bNoEnumerator) {
            auto spResult = CDoubleObject<CQueryResultDouble>::New(answer);
            *ppResult = spResult.Detach();
        }
        return CFaultPlan::Result(fault, answer.hrSelect);
    });
}

CQueryResultDouble::CQueryResultDouble(const CQueryAnswer& answer) : CDoubleBase(L"query result", L"queryresult")
{
    for (CNodeDouble* pItem : answer.vecItems)
        m_vecItems.emplace_back(pItem);
}

STDMETHODIMP CQueryResultDouble::Next(IDispatch** ppItem, long* plFound)
{
    LogCall(L"Next");
    if (!ppItem || !plFound)
        return E_POINTER;
    *ppItem = nullptr;
    *plFound = 0;
    DOUBLE_FAULT_POINT();
    if (m_nNext >= m_vecItems.size())
        return S_FALSE;
    HandOut(ppItem, static_cast<NewZUR::IPropertyData*>(m_vecItems[m_nNext++].Get()));
    *plFound = 1;
    return CFaultPlan::Result(fault, S_OK);
}
