#pragma once
// IDispatch for the simulator's dual interfaces, served from a type library:
// the host framework's (NewZUR.tlb) or the simulator's own, looked up by
// library identity. Reserved slots of the host interfaces answer E_NOTIMPL
// through SIM_RESERVED, the one place that says so.
#include <windows.h>
#include <oaidl.h>
#include <wrl/client.h>
#include "interfaces/NewZUR.h"

HRESULT GetSimTypeInfo(REFGUID libid, WORD wMajor, REFIID riid, ITypeInfo** ppTypeInfo) noexcept;

inline HRESULT NotImplemented() noexcept
{
    return E_NOTIMPL;
}
#define SIM_RESERVED(n) \
    STDMETHODIMP Reserved##n() override { return NotImplemented(); }

// The type library an interface is described in.
struct NewZURLibrary
{
    static const GUID& Id() { return NewZUR::LIBID_NewZUR; }
    static WORD Major() { return 7; }
};

// Serves IDispatch for the first interface; the others share the same
// IDispatch methods (an object of the host answers several interfaces).
template <class Lib, class Itf, class... Others>
class CSimDispatch : public Itf, public Others...
{
public:
    STDMETHODIMP GetTypeInfoCount(UINT* pctinfo) override
    {
        if (!pctinfo)
            return E_POINTER;
        *pctinfo = 1;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT iTInfo, LCID, ITypeInfo** ppTInfo) override
    {
        if (!ppTInfo)
            return E_POINTER;
        *ppTInfo = nullptr;
        return iTInfo != 0 ? DISP_E_BADINDEX : Load(ppTInfo);
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* rgszNames, UINT cNames, LCID, DISPID* rgDispId) override
    {
        Microsoft::WRL::ComPtr<ITypeInfo> spInfo;
        HRESULT hr = Load(&spInfo);
        return FAILED(hr) ? hr : spInfo->GetIDsOfNames(rgszNames, cNames, rgDispId);
    }
    STDMETHODIMP Invoke(DISPID dispId, REFIID, LCID, WORD wFlags, DISPPARAMS* pParams, VARIANT* pResult,
                        EXCEPINFO* pExcepInfo, UINT* puArgErr) override
    {
        Microsoft::WRL::ComPtr<ITypeInfo> spInfo;
        HRESULT hr = Load(&spInfo);
        return FAILED(hr) ? hr
                          : spInfo->Invoke(static_cast<Itf*>(this), dispId, wFlags, pParams, pResult, pExcepInfo, puArgErr);
    }

private:
    static HRESULT Load(ITypeInfo** ppInfo) { return GetSimTypeInfo(Lib::Id(), Lib::Major(), __uuidof(Itf), ppInfo); }
};
