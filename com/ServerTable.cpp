// The table server: class objects, registration and its registry helpers.
#include "com/ServerTable.h"
#include <string>
#include "com/GuidText.h"
#include "com/Owners.h"
#include "com/ThisModule.h"

namespace {

HRESULT DeleteTree(const std::wstring& key)
{
    LONG err = RegDeleteTreeW(HKEY_CLASSES_ROOT, key.c_str());
    return err == ERROR_SUCCESS || err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND ? S_OK
                                                                                              : HRESULT_FROM_WIN32(err);
}

} // namespace

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

HRESULT WriteRegistryString(HKEY hRoot, const wchar_t* pszKey, const wchar_t* pszName, const wchar_t* pszData) noexcept
{
    CRegKey key;
    LONG err = RegCreateKeyExW(hRoot, pszKey, 0, nullptr, 0, KEY_WRITE, nullptr, key.Out(), nullptr);
    if (err == ERROR_SUCCESS)
        err = RegSetValueExW(key.Get(), pszName, 0, REG_SZ, reinterpret_cast<const BYTE*>(pszData),
                             static_cast<DWORD>((wcslen(pszData) + 1) * sizeof(wchar_t)));
    return HRESULT_FROM_WIN32(err);
}

HRESULT ModuleFolder(wchar_t* pszFolder, DWORD cch) noexcept
{
    DWORD n = GetModuleFileNameW(ThisModule(), pszFolder, cch);
    if (n == 0 || n >= cch)
        return n == 0 ? HRESULT_FROM_WIN32(GetLastError()) : HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    wchar_t* slash = wcsrchr(pszFolder, L'\\');
    if (slash)
        slash[1] = L'\0';
    return S_OK;
}

HRESULT RegisterClassTable(const ServedClass* pTable, size_t n) noexcept
{
    return ComBoundary([&] {
        wchar_t path[MAX_PATH];
        RETURN_IF_FAILED(ThisModulePath(path));
        for (size_t i = 0; i < n; ++i) {
            const ServedClass& e = pTable[i];
            std::wstring clsid = GuidText(*e.pClsid), classKey = L"CLSID\\" + clsid;
            struct
            {
                std::wstring key;
                const wchar_t* name;
                std::wstring data;
            } values[] = {
                {e.pszProgId, nullptr, e.pszDescription},
                {std::wstring(e.pszProgId) + L"\\CLSID", nullptr, clsid},
                {classKey, nullptr, e.pszDescription},
                {classKey + L"\\ProgID", nullptr, e.pszProgId},
                {classKey + L"\\InprocServer32", nullptr, path},
                {classKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
            };
            for (auto& v : values) {
                RETURN_IF_FAILED(WriteRegistryString(HKEY_CLASSES_ROOT, v.key.c_str(), v.name, v.data.c_str()));
            }
        }
        return S_OK;
    });
}

HRESULT UnregisterClassTable(const ServedClass* pTable, size_t n) noexcept
{
    return ComBoundary([&] {
        for (size_t i = 0; i < n; ++i) {
            HRESULT hr = DeleteTree(pTable[i].pszProgId);
            if (SUCCEEDED(hr))
                hr = DeleteTree(L"CLSID\\" + GuidText(*pTable[i].pClsid));
            if (FAILED(hr))
                return hr;
        }
        return S_OK;
    });
}
