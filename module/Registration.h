#pragma once
// Self-registration: the keys of every class under HKEY_CLASSES_ROOT, then
// the type library.
#include <windows.h>
#include <string>

HRESULT RegisterServer() noexcept;
HRESULT UnregisterServer() noexcept;

// The module's full path as the system reports it; 0x8007007A when it fills
// the whole buffer of MAX_PATH characters.
HRESULT GetModulePath(std::wstring& path);
