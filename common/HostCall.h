#pragma once
// Small helpers for calls into host objects.
#include <windows.h>
#include <wrl/client.h>
#include "NewZUR.h"

// A host call that claims success but hands out no object has failed.
template <class T>
inline HRESULT RequireObject(HRESULT hr, const Microsoft::WRL::ComPtr<T>& sp) noexcept
{
    return SUCCEEDED(hr) && !sp ? E_POINTER : hr;
}

// A new context object; each registry read uses its own.
inline HRESULT CreateContext(Microsoft::WRL::ComPtr<NewZUR::IContext>& spContext) noexcept
{
    HRESULT hr =
        CoCreateInstance(NewZUR::CLSID_Context, nullptr, CLSCTX_ALL, IID_PPV_ARGS(spContext.ReleaseAndGetAddressOf()));
    return RequireObject(hr, spContext);
}
