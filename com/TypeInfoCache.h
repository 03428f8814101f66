#pragma once
// Type information of the dual interfaces a module serves, loaded once per
// interface and kept for the life of the module. Interface identities are
// unique, so one cache serves every library.
#include <windows.h>
#include <oaidl.h>

// Loads the library that describes an interface (the first time only).
using TypeLibLoader = HRESULT (*)(ITypeLib** ppTypeLib);

HRESULT GetCachedTypeInfo(REFIID riid, TypeLibLoader pfnLoad, ITypeInfo** ppTypeInfo) noexcept;
// Drops every cached ITypeInfo (module shutdown).
void ReleaseCachedTypeInfo() noexcept;
// The registered library, else the TYPELIB resource of the module that holds
// this code.
HRESULT LoadRegisteredOrOwnTypeLib(REFGUID libid, WORD wMajor, WORD wMinor, LCID lcid, ITypeLib** ppTypeLib) noexcept;
