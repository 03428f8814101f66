#pragma once
// IDispatch for dual interfaces, served from their type library; script
// clients may pass by-reference VARIANTs for [out] parameters. An object that
// answers several dual interfaces serves IDispatch for the first.
#include <windows.h>
#include <oaidl.h>
#include <wrl/client.h>
#include "com/ComError.h"
#include "com/DispatchInvoke.h"

// Library: a type with `static HRESULT TypeInfo(REFIID, ITypeInfo**)`.
template <class Library, class Itf, class... Others>
class CTypeLibDispatch : public Itf, public Others...
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
        if (iTInfo != 0)
            return DISP_E_BADINDEX;
        return Library::TypeInfo(__uuidof(Itf), ppTInfo);
    }

    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID, DISPID* rgDispId) override
    {
        if (!IsEqualIID(riid, IID_NULL))
            return DISP_E_UNKNOWNINTERFACE;
        Microsoft::WRL::ComPtr<ITypeInfo> spTypeInfo;
        RETURN_IF_FAILED(Library::TypeInfo(__uuidof(Itf), &spTypeInfo));
        return spTypeInfo->GetIDsOfNames(rgszNames, cNames, rgDispId);
    }

    STDMETHODIMP Invoke(DISPID dispIdMember, REFIID riid, LCID, WORD wFlags, DISPPARAMS* pDispParams,
                        VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override
    {
        if (!IsEqualIID(riid, IID_NULL))
            return DISP_E_UNKNOWNINTERFACE;
        Microsoft::WRL::ComPtr<ITypeInfo> spTypeInfo;
        RETURN_IF_FAILED(Library::TypeInfo(__uuidof(Itf), &spTypeInfo));
        return InvokeFromTypeInfo(spTypeInfo.Get(), static_cast<Itf*>(this), dispIdMember, wFlags, pDispParams,
                                  pVarResult, pExcepInfo, puArgErr);
    }
};
