#pragma once
// Invoke through the type library, made usable by script clients. A script
// variable passed for an [out] string or interface parameter arrives as a
// by-reference VARIANT, which the type library's Invoke refuses; such an
// argument is replaced by a typed temporary and the result is stored into the
// caller's VARIANT afterwards. Everything else goes through the type library.
#include <windows.h>
#include <oaidl.h>

HRESULT InvokeFromTypeInfo(ITypeInfo* pTypeInfo, void* pvInstance, DISPID dispIdMember, WORD wFlags,
                           DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr);
