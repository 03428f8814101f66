// Schema and error-database service of the simulated topology.
#include "hostsim/SimServices.h"
#include "com/Owners.h"

STDMETHODIMP CSimSchema::GetTypeId(BSTR bstrTypeName, long* plTypeId)
{
    if (!plTypeId)
        return E_POINTER;
    return ComBoundary([&] {
        *plTypeId = m_spModel->TypeId(std::wstring(BstrView(bstrTypeName)));
        return S_OK;
    });
}

STDMETHODIMP CSimErrorService::Classify(long lCode, long* plClass, BSTR bstrMessage, BSTR bstrErrDB, BSTR* pbstrText)
{
    if (!plClass)
        return E_POINTER;
    if (pbstrText)
        *pbstrText = nullptr;
    return ComBoundary([&] {
        long lClass = 0;
        std::wstring text;
        m_spModel->Classify(lCode, BstrView(bstrMessage), BstrView(bstrErrDB), lClass, text);
        *plClass = lClass;
        if (pbstrText)
            *pbstrText = CBstr::Alloc(text);
        return S_OK;
    });
}
