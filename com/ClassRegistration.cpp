#include "com/ClassRegistration.h"
#include <string>
#include "com/ComError.h"
#include "com/GuidText.h"
#include "com/Owners.h"

const wchar_t kApartment[] = L"Apartment";

HRESULT WriteRegistryString(HKEY hRoot, const wchar_t* pszKey, const wchar_t* pszName, const wchar_t* pszData) noexcept
{
    CRegKey key;
    LONG lError = RegCreateKeyExW(hRoot, pszKey, 0, nullptr, 0, KEY_WRITE, nullptr, key.Out(), nullptr);
    if (lError == ERROR_SUCCESS)
        lError = RegSetValueExW(key.Get(), pszName, 0, REG_SZ, reinterpret_cast<const BYTE*>(pszData),
                                static_cast<DWORD>((wcslen(pszData) + 1) * sizeof(wchar_t)));
    return HRESULT_FROM_WIN32(lError);
}

HRESULT WriteClassKeys(const CLSID& clsid, const wchar_t* pszProgId, const wchar_t* pszDescription,
                       const wchar_t* pszModulePath, bool bVersionIndependentKey)
{
    const std::wstring progId = pszProgId, classKey = L"CLSID\\" + GuidText(clsid);
    const std::wstring server = classKey + L"\\InprocServer32",
                       versionIndependent = classKey + L"\\VersionIndependentProgID";
    const std::wstring values[][3] = {{progId, L"", pszDescription},
                                      {progId + L"\\CLSID", L"", GuidText(clsid)},
                                      {classKey, L"", pszDescription},
                                      {classKey + L"\\ProgID", L"", pszProgId},
                                      {bVersionIndependentKey ? versionIndependent : L"", L"", L""},
                                      {server, L"", pszModulePath},
                                      {server, L"ThreadingModel", kApartment}};
    for (const auto& v : values)
        if (!v[0].empty())
            RETURN_IF_FAILED(WriteRegistryString(HKEY_CLASSES_ROOT, v[0].c_str(), v[1].empty() ? nullptr : v[1].c_str(),
                                                 v[2].c_str()));
    return S_OK;
}

HRESULT DeleteClassKeys(const CLSID& clsid, const wchar_t* pszProgId)
{
    for (const std::wstring& key : {std::wstring(pszProgId), L"CLSID\\" + GuidText(clsid)}) {
        const LONG lError = RegDeleteTreeW(HKEY_CLASSES_ROOT, key.c_str());
        // A key that is already gone (errors 2 and 3) is not a failure.
        if (lError != ERROR_SUCCESS && lError != ERROR_FILE_NOT_FOUND && lError != ERROR_PATH_NOT_FOUND)
            return HRESULT_FROM_WIN32(lError);
    }
    return S_OK;
}
