#pragma once
// IDispatch for a dual interface, served from the LAYERLib2 type information;
// script clients may pass by-reference VARIANTs for [out] parameters.
#include <windows.h>
#include <oaidl.h>
#include <wrl/client.h>
#include "common/DispatchInvoke.h"
#include "common/TypeInfoCache.h"

template <class Itf>
class CDispatchImpl : public Itf
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
        return GetLayerTypeInfo(__uuidof(Itf), ppTInfo);
    }

    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID, DISPID* rgDispId) override
    {
        if (!IsEqualIID(riid, IID_NULL))
            return DISP_E_UNKNOWNINTERFACE;
        Microsoft::WRL::ComPtr<ITypeInfo> spTypeInfo;
        HRESULT hr = GetLayerTypeInfo(__uuidof(Itf), &spTypeInfo);
        if (FAILED(hr))
            return hr;
        return spTypeInfo->GetIDsOfNames(rgszNames, cNames, rgDispId);
    }

    STDMETHODIMP Invoke(DISPID dispIdMember, REFIID riid, LCID, WORD wFlags, DISPPARAMS* pDispParams,
                        VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override
    {
        if (!IsEqualIID(riid, IID_NULL))
            return DISP_E_UNKNOWNINTERFACE;
        Microsoft::WRL::ComPtr<ITypeInfo> spTypeInfo;
        HRESULT hr = GetLayerTypeInfo(__uuidof(Itf), &spTypeInfo);
        if (FAILED(hr))
            return hr;
        return InvokeFromTypeInfo(spTypeInfo.Get(), static_cast<Itf*>(this), dispIdMember, wFlags, pDispParams,
                                  pVarResult, pExcepInfo, puArgErr);
    }
};
