#pragma once
// Invoke through the type library, made usable by script clients. A script
// passes a variable for an [out] string or interface parameter by reference
// (which the type library's Invoke refuses) or a plain value; such an
// argument is replaced by a typed temporary holding the caller's value, and
// what the method writes over it is stored into the caller's variable
// afterwards. Everything else goes through the type library.
#include <windows.h>
#include <oaidl.h>

HRESULT InvokeFromTypeInfo(ITypeInfo* pTypeInfo, void* pvInstance, DISPID dispIdMember, WORD wFlags,
                           DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr);
