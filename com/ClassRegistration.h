#pragma once
// An in-process server's class keys under HKEY_CLASSES_ROOT: the one writer
// of the module and the programs.
#include <windows.h>

// ProgID (description) \ CLSID; CLSID \ class (description) with ProgID, an
// empty VersionIndependentProgID when asked for, and InprocServer32 (the
// module's path, ThreadingModel Apartment). Stops at the first failure.
HRESULT WriteClassKeys(const CLSID& clsid, const wchar_t* pszProgId, const wchar_t* pszDescription,
                       const wchar_t* pszModulePath, bool bVersionIndependentKey);
// The ProgID key, then the class key, with their subkeys; one already gone is no failure.
HRESULT DeleteClassKeys(const CLSID& clsid, const wchar_t* pszProgId);
// Sets one string value (the default when pszName is null), creating the key.
HRESULT WriteRegistryString(HKEY hRoot, const wchar_t* pszKey, const wchar_t* pszName, const wchar_t* pszData) noexcept;
