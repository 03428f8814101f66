#pragma once
// A small in-process server made from a table of classes: a new object per
// request from each class object, registration under HKEY_CLASSES_ROOT, and
// the entry points. For the programs around the module; the module keeps its
// own table (module/ClassTable.h).
#include <windows.h>
#include <objbase.h>
#include "com/ClassObject.h"
#include "com/ClassRegistration.h"
#include "com/ModuleFolder.h"

struct ServedClass
{
    const CLSID* pClsid;
    const wchar_t* pszProgId;
    const wchar_t* pszDescription;
    ObjectCreator pfnCreate;
};

template <size_t N>
constexpr size_t CountOf(const ServedClass (&)[N])
{
    return N;
}

HRESULT GetClassObjectFromTable(const ServedClass* pTable, size_t n, REFCLSID rclsid, REFIID riid, void** ppv) noexcept;
// Writes the ProgID and class keys of every entry, in-process, apartment-threaded.
HRESULT RegisterClassTable(const ServedClass* pTable, size_t n) noexcept;
HRESULT UnregisterClassTable(const ServedClass* pTable, size_t n) noexcept;

// DllMain, DllGetClassObject from the table, and DllCanUnloadNow: such a
// server stays loaded for the process.
#define DEFINE_TABLE_SERVER_ENTRY_POINTS(table)                                   \
    extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID)   \
    {                                                                             \
        if (dwReason == DLL_PROCESS_ATTACH)                                       \
            DisableThreadLibraryCalls(hInstance);                                 \
        return TRUE;                                                              \
    }                                                                             \
    STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv)           \
    {                                                                             \
        return GetClassObjectFromTable(table, CountOf(table), rclsid, riid, ppv); \
    }                                                                             \
    STDAPI DllCanUnloadNow()                                                      \
    {                                                                             \
        return S_FALSE;                                                           \
    }
