// The table server: class objects and registration.
#include "com/ServerTable.h"
#include "com/Owners.h"

HRESULT GetClassObjectFromTable(const ServedClass* pTable, size_t n, REFCLSID rclsid, REFIID riid, void** ppv) noexcept
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    for (size_t i = 0; i < n; ++i)
        if (IsEqualCLSID(rclsid, *pTable[i].pClsid))
            return CComObject<CClassObject<CNewPerRequest>>::CreateInstance(riid, ppv, pTable[i].pfnCreate);
    return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT RegisterClassTable(const ServedClass* pTable, size_t n) noexcept
{
    return ComBoundary([&] {
        wchar_t path[MAX_PATH];
        RETURN_IF_FAILED(ThisModulePath(path));
        for (size_t i = 0; i < n; ++i)
            RETURN_IF_FAILED(
                WriteClassKeys(*pTable[i].pClsid, pTable[i].pszProgId, pTable[i].pszDescription, path, false));
        return S_OK;
    });
}

HRESULT UnregisterClassTable(const ServedClass* pTable, size_t n) noexcept
{
    return ComBoundary([&] {
        for (size_t i = 0; i < n; ++i)
            RETURN_IF_FAILED(DeleteClassKeys(*pTable[i].pClsid, pTable[i].pszProgId));
        return S_OK;
    });
}
