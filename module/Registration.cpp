#include "module/Registration.h"
#include <objbase.h>
#include <utility>
#include "com/GuidText.h"
#include "com/Owners.h"
#include "com/ThisModule.h"
#include "module/ClassTable.h"
#include "module/TypeLibRegistration.h"

namespace {

const wchar_t kClsidKey[] = L"CLSID";
const wchar_t kProgIdKey[] = L"ProgID";
const wchar_t kVersionIndependentKey[] = L"VersionIndependentProgID";
const wchar_t kInprocServerKey[] = L"InprocServer32";
const wchar_t kThreadingModelValue[] = L"ThreadingModel";
const wchar_t kApartment[] = L"Apartment";
const UINT kDescriptionChars = 256;

// Creates parent\subKey and sets one string value (the default when pszName is null).
HRESULT WriteKey(HKEY hParent, const std::wstring& subKey, const wchar_t* pszName, const std::wstring& data,
                 CRegKey* pKey = nullptr)
{
    CRegKey key;
    LONG lError = RegCreateKeyExW(hParent, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                                  key.Out(), nullptr);
    if (lError != ERROR_SUCCESS)
        return HRESULT_FROM_WIN32(lError);
    DWORD cb = static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t));
    lError = RegSetValueExW(key.Get(), pszName, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()), cb);
    if (lError == ERROR_SUCCESS && pKey)
        *pKey = std::move(key);
    return HRESULT_FROM_WIN32(lError);
}

HRESULT LoadDescription(const ClassEntry& entry, std::wstring& description)
{
    wchar_t szDescription[kDescriptionChars] = {};
    int cch = LoadStringW(ThisModule(), entry.idsDescription, szDescription, kDescriptionChars);
    if (cch == 0)
        return HRESULT_FROM_WIN32(GetLastError());
    description.assign(szDescription, cch);
    return S_OK;
}

// ProgID (description) \ CLSID (class identity).
HRESULT WriteProgIdKey(const ClassEntry& entry, const std::wstring& description, const std::wstring& clsid)
{
    CRegKey progId;
    RETURN_IF_FAILED(WriteKey(HKEY_CLASSES_ROOT, entry.pszProgId, nullptr, description, &progId));
    return WriteKey(progId.Get(), kClsidKey, nullptr, clsid);
}

HRESULT WriteClassSubkeys(HKEY hClass, const ClassEntry& entry, const std::wstring& modulePath)
{
    RETURN_IF_FAILED(WriteKey(hClass, kProgIdKey, nullptr, entry.pszProgId));
    RETURN_IF_FAILED(WriteKey(hClass, kVersionIndependentKey, nullptr, std::wstring()));
    CRegKey server;
    RETURN_IF_FAILED(WriteKey(hClass, kInprocServerKey, nullptr, modulePath, &server));
    DWORD cb = sizeof(kApartment);
    return HRESULT_FROM_WIN32(
        RegSetValueExW(server.Get(), kThreadingModelValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(kApartment), cb));
}

// CLSID \ class identity (description) with ProgID, VersionIndependentProgID
// and InprocServer32.
HRESULT WriteClassKey(const ClassEntry& entry, const std::wstring& description, const std::wstring& clsid,
                      const std::wstring& modulePath)
{
    CRegKey classKey;
    {
        CRegKey clsidRoot;
        LONG lError = RegOpenKeyExW(HKEY_CLASSES_ROOT, kClsidKey, 0, KEY_ALL_ACCESS, clsidRoot.Out());
        if (lError != ERROR_SUCCESS)
            return HRESULT_FROM_WIN32(lError);
        RETURN_IF_FAILED(WriteKey(clsidRoot.Get(), clsid, nullptr, description, &classKey));
    }
    return WriteClassSubkeys(classKey.Get(), entry, modulePath);
}

HRESULT RegisterClassEntry(const ClassEntry& entry)
{
    std::wstring description, modulePath;
    RETURN_IF_FAILED(LoadDescription(entry, description));
    RETURN_IF_FAILED(GetModulePath(modulePath));
    std::wstring clsid = GuidText(*entry.pclsid);
    RETURN_IF_FAILED(WriteProgIdKey(entry, description, clsid));
    return WriteClassKey(entry, description, clsid, modulePath);
}

// A key that is already gone (errors 2 and 3) is not a failure.
HRESULT DeleteTree(const std::wstring& subKey) noexcept
{
    LONG lError = RegDeleteTreeW(HKEY_CLASSES_ROOT, subKey.c_str());
    if (lError == ERROR_SUCCESS || lError == ERROR_FILE_NOT_FOUND || lError == ERROR_PATH_NOT_FOUND)
        return S_OK;
    return HRESULT_FROM_WIN32(lError);
}

HRESULT UnregisterClassEntry(const ClassEntry& entry)
{
    RETURN_IF_FAILED(DeleteTree(entry.pszProgId));
    return DeleteTree(std::wstring(kClsidKey) + L"\\" + GuidText(*entry.pclsid));
}

} // namespace

HRESULT GetModulePath(std::wstring& path)
{
    wchar_t szPath[MAX_PATH];
    RETURN_IF_FAILED(ThisModulePath(szPath));
    path = szPath;
    return S_OK;
}

HRESULT RegisterServer() noexcept
{
    return ComBoundary([] {
        for (ClassEntry* p = ClassTableBegin(); p != ClassTableEnd(); ++p)
            RETURN_IF_FAILED(RegisterClassEntry(*p));
        return RegisterModuleTypeLib();
    });
}

HRESULT UnregisterServer() noexcept
{
    return ComBoundary([] {
        for (ClassEntry* p = ClassTableBegin(); p != ClassTableEnd(); ++p)
            RETURN_IF_FAILED(UnregisterClassEntry(*p));
        return UnregisterModuleTypeLib();
    });
}
