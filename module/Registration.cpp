#include "module/Registration.h"
#include <objbase.h>
#include "com/ComError.h"
#include "module/ClassTable.h"
#include "module/Module.h"
#include "module/TypeLibRegistration.h"

namespace {

const wchar_t kClsidKey[] = L"CLSID";
const wchar_t kProgIdKey[] = L"ProgID";
const wchar_t kVersionIndependentKey[] = L"VersionIndependentProgID";
const wchar_t kInprocServerKey[] = L"InprocServer32";
const wchar_t kThreadingModelValue[] = L"ThreadingModel";
const wchar_t kApartment[] = L"Apartment";
const UINT kDescriptionChars = 256;

HRESULT FromRegistryError(LONG lError) noexcept
{
    return HRESULT_FROM_WIN32(static_cast<DWORD>(lError));
}

// Creates parent\subKey and sets one string value (the default when pszName is null).
HRESULT WriteKey(HKEY hParent, const std::wstring& subKey, const wchar_t* pszName, const std::wstring& data,
                 HKEY* phKey = nullptr)
{
    HKEY hKey = nullptr;
    LONG lError = RegCreateKeyExW(hParent, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                                  &hKey, nullptr);
    if (lError != ERROR_SUCCESS)
        return FromRegistryError(lError);
    DWORD cb = static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t));
    lError = RegSetValueExW(hKey, pszName, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()), cb);
    if (lError == ERROR_SUCCESS && phKey)
        *phKey = hKey;
    else
        RegCloseKey(hKey);
    return FromRegistryError(lError);
}

std::wstring ClassIdText(REFCLSID rclsid)
{
    wchar_t szClsid[40] = {};
    StringFromGUID2(rclsid, szClsid, 40);
    return szClsid;
}

HRESULT LoadDescription(const ClassEntry& entry, std::wstring& description)
{
    wchar_t szDescription[kDescriptionChars] = {};
    int cch = LoadStringW(ModuleInstance(), entry.idsDescription, szDescription, kDescriptionChars);
    if (cch == 0)
        return HRESULT_FROM_WIN32(GetLastError());
    description.assign(szDescription, cch);
    return S_OK;
}

// ProgID (description) \ CLSID (class identity).
HRESULT WriteProgIdKey(const ClassEntry& entry, const std::wstring& description, const std::wstring& clsid)
{
    HKEY hProgId = nullptr;
    HRESULT hr = WriteKey(HKEY_CLASSES_ROOT, entry.pszProgId, nullptr, description, &hProgId);
    if (FAILED(hr))
        return hr;
    hr = WriteKey(hProgId, kClsidKey, nullptr, clsid);
    RegCloseKey(hProgId);
    return hr;
}

HRESULT WriteClassSubkeys(HKEY hClass, const ClassEntry& entry, const std::wstring& modulePath)
{
    HRESULT hr = WriteKey(hClass, kProgIdKey, nullptr, entry.pszProgId);
    if (SUCCEEDED(hr))
        hr = WriteKey(hClass, kVersionIndependentKey, nullptr, std::wstring());
    HKEY hServer = nullptr;
    if (SUCCEEDED(hr))
        hr = WriteKey(hClass, kInprocServerKey, nullptr, modulePath, &hServer);
    if (SUCCEEDED(hr)) {
        DWORD cb = sizeof(kApartment);
        hr = FromRegistryError(
            RegSetValueExW(hServer, kThreadingModelValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(kApartment), cb));
        RegCloseKey(hServer);
    }
    return hr;
}

// CLSID \ class identity (description) with ProgID, VersionIndependentProgID
// and InprocServer32.
HRESULT WriteClassKey(const ClassEntry& entry, const std::wstring& description, const std::wstring& clsid,
                      const std::wstring& modulePath)
{
    HKEY hClsidRoot = nullptr;
    LONG lError = RegOpenKeyExW(HKEY_CLASSES_ROOT, kClsidKey, 0, KEY_ALL_ACCESS, &hClsidRoot);
    if (lError != ERROR_SUCCESS)
        return FromRegistryError(lError);
    HKEY hClass = nullptr;
    HRESULT hr = WriteKey(hClsidRoot, clsid, nullptr, description, &hClass);
    RegCloseKey(hClsidRoot);
    if (FAILED(hr))
        return hr;
    hr = WriteClassSubkeys(hClass, entry, modulePath);
    RegCloseKey(hClass);
    return hr;
}

HRESULT RegisterClassEntry(const ClassEntry& entry)
{
    std::wstring description;
    HRESULT hr = LoadDescription(entry, description);
    if (FAILED(hr))
        return hr;
    std::wstring modulePath;
    hr = GetModulePath(modulePath);
    if (FAILED(hr))
        return hr;
    std::wstring clsid = ClassIdText(*entry.pclsid);
    hr = WriteProgIdKey(entry, description, clsid);
    if (FAILED(hr))
        return hr;
    return WriteClassKey(entry, description, clsid, modulePath);
}

// A key that is already gone (errors 2 and 3) is not a failure.
HRESULT DeleteTree(const std::wstring& subKey) noexcept
{
    LONG lError = RegDeleteTreeW(HKEY_CLASSES_ROOT, subKey.c_str());
    if (lError == ERROR_SUCCESS || lError == ERROR_FILE_NOT_FOUND || lError == ERROR_PATH_NOT_FOUND)
        return S_OK;
    return FromRegistryError(lError);
}

HRESULT UnregisterClassEntry(const ClassEntry& entry)
{
    HRESULT hr = DeleteTree(entry.pszProgId);
    if (FAILED(hr))
        return hr;
    return DeleteTree(std::wstring(kClsidKey) + L"\\" + ClassIdText(*entry.pclsid));
}

} // namespace

HRESULT GetModulePath(std::wstring& path)
{
    wchar_t szPath[MAX_PATH];
    DWORD cch = GetModuleFileNameW(ModuleInstance(), szPath, MAX_PATH);
    if (cch == 0)
        return HRESULT_FROM_WIN32(GetLastError());
    if (cch >= MAX_PATH)
        return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    path.assign(szPath, cch);
    return S_OK;
}

HRESULT RegisterServer() noexcept
{
    return ComBoundary([] {
        for (ClassEntry* p = ClassTableBegin(); p != ClassTableEnd(); ++p) {
            HRESULT hr = RegisterClassEntry(*p);
            if (FAILED(hr))
                return hr;
        }
        return RegisterModuleTypeLib();
    });
}

HRESULT UnregisterServer() noexcept
{
    return ComBoundary([] {
        for (ClassEntry* p = ClassTableBegin(); p != ClassTableEnd(); ++p) {
            HRESULT hr = UnregisterClassEntry(*p);
            if (FAILED(hr))
                return hr;
        }
        return UnregisterModuleTypeLib();
    });
}
