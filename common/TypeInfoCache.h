#pragma once
// Type information of LAYERLib2, loaded once per interface and kept for the
// life of the module: from the registered library (version 7.0), else from the
// TYPELIB resource of the module that holds this code.
#include <windows.h>
#include <oaidl.h>

HRESULT GetLayerTypeInfo(REFIID riid, ITypeInfo** ppTypeInfo) noexcept;
// Drops every cached ITypeInfo (module shutdown).
void ReleaseLayerTypeInfo() noexcept;
