#pragma once
// An enumerator the query service gives: its items in order, then S_FALSE
// for ever. The host keeps one per select with recording off and walks it
// again from the start.
#include <vector>
#include <wrl/client.h>
#include "doubles/NodeDouble.h"

class CQueryResultDouble : public CDoubleBase, public CHostInterface<NewZUR::IDataQueryResult>
{
public:
    DOUBLE_INTERFACE_TABLE(CQueryResultDouble, NewZUR::IDataQueryResult)

    explicit CQueryResultDouble(const std::vector<CNodeDouble*>& vecItems)
        : CDoubleBase(L"query result", L"queryresult"), m_vecItems(vecItems.begin(), vecItems.end())
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

    void Rewind() { m_nNext = 0; }
    long ItemReferences() const { return static_cast<long>(m_vecItems.size()); }

private:
    std::vector<Microsoft::WRL::ComPtr<CNodeDouble>> m_vecItems;
    size_t m_nNext = 0;
};
