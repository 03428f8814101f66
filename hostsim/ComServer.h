#pragma once
// What the simulator's and the samples' COM servers share: a class table,
// class objects made from it, and registration under HKEY_CLASSES_ROOT.
#include <windows.h>
#include <objbase.h>

struct ClassEntry
{
    const CLSID* pClsid;
    const wchar_t* pszProgId;
    const wchar_t* pszDescription;
    HRESULT (*pfnCreate)(REFIID riid, void** ppv);
};

template <size_t N>
constexpr size_t CountOf(const ClassEntry (&)[N])
{
    return N;
}

HRESULT GetClassObjectFromTable(const ClassEntry* pTable, size_t n, REFCLSID rclsid, REFIID riid, void** ppv) noexcept;
// Writes the ProgID and class keys of every entry, in-process, apartment-threaded.
HRESULT RegisterClassTable(HMODULE hModule, const ClassEntry* pTable, size_t n) noexcept;
HRESULT UnregisterClassTable(const ClassEntry* pTable, size_t n) noexcept;
// Sets one string value under a key of the given root, creating the key.
HRESULT WriteRegistryString(HKEY hRoot, const wchar_t* pszKey, const wchar_t* pszName, const wchar_t* pszData) noexcept;
// The folder of a module, with a trailing backslash.
HRESULT ModuleFolder(HMODULE hModule, wchar_t* pszFolder, DWORD cch) noexcept;
