#pragma once
// The layer as the assistant sees it when the run drives it directly: an
// object that answers IDispatch and nothing more, and reports every call the
// assistant makes on it in the middle of a check.
#include "com/ComObject.h"
#include "zurhost/conformance/Findings.h"
#include <string>

class CLayerProbe : public CComRootSingleThreaded, public IDispatch
{
public:
    explicit CLayerProbe(CFindings* pFindings) : m_pFindings(pFindings) {}

    BEGIN_INTERFACE_TABLE(CLayerProbe)
    INTERFACE_ENTRY(IDispatch)
    END_INTERFACE_TABLE()

    // The kit asks before every QueryInterface but IUnknown's.
    bool AnswersInterface(REFIID riid) const noexcept;

    STDMETHODIMP GetTypeInfoCount(UINT* pctinfo) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) override;
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override;

    void Enter(const std::wstring& strCall) { m_strCall = strCall; }
    void Leave() { m_strCall.clear(); }

private:
    void CalledBack(const wchar_t* pszWhat) const noexcept;

    CFindings* m_pFindings;
    std::wstring m_strCall; // the check under way, or ""
};
