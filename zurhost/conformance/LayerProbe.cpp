// The stand-in for the layer in the direct calls.
#include "zurhost/conformance/LayerProbe.h"
#include "com/GuidText.h"

void CLayerProbe::CalledBack(const wchar_t* pszWhat) const noexcept
{
    if (m_strCall.empty())
        return;
    try {
        m_pFindings->Fail(Rule::Reentrancy, m_strCall + L" called back into the layer (" + pszWhat + L")");
    } catch (...) {
        // Out of memory while reporting: the call itself still answers.
    }
}

bool CLayerProbe::AnswersInterface(REFIID riid) const noexcept
{
    if (m_strCall.empty()) // no check under way: nothing to name
        return true;
    try {
        CalledBack((L"QueryInterface " + GuidText(riid)).c_str());
    } catch (...) {
        // Out of memory while reporting: the call itself still answers.
    }
    return true;
}

STDMETHODIMP CLayerProbe::GetTypeInfoCount(UINT* pctinfo)
{
    CalledBack(L"GetTypeInfoCount");
    if (!pctinfo)
        return E_POINTER;
    *pctinfo = 0;
    return S_OK;
}

STDMETHODIMP CLayerProbe::GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo)
{
    CalledBack(L"GetTypeInfo");
    if (!ppTInfo)
        return E_POINTER;
    *ppTInfo = nullptr;
    return DISP_E_BADINDEX;
}

STDMETHODIMP CLayerProbe::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*)
{
    CalledBack(L"GetIDsOfNames");
    return DISP_E_UNKNOWNNAME;
}

STDMETHODIMP CLayerProbe::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*)
{
    CalledBack(L"Invoke");
    return DISP_E_MEMBERNOTFOUND;
}
