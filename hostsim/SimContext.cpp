// The host's configuration store, kept in the registry.
#include "hostsim/SimContext.h"
#include "com/Owners.h"
#include <vector>

STDMETHODIMP CSimContext::OpenKey(long lScope, BSTR bstrPath, NewZUR::IRegistryKey** ppKey)
{
    if (!ppKey)
        return E_POINTER;
    *ppKey = nullptr;
    HKEY hRoot = lScope == kUserScope ? HKEY_CURRENT_USER : lScope == kMachineScope ? HKEY_LOCAL_MACHINE : nullptr;
    std::wstring_view path = BstrView(bstrPath);
    if (!hRoot || path.find(L'\0') != std::wstring_view::npos)
        return E_INVALIDARG;
    return ComBoundary([&] {
        std::wstring full = kConfigurationKey;
        if (!path.empty())
            full += L"\\" + std::wstring(path);
        HKEY hKey = nullptr;
        LONG err = RegOpenKeyExW(hRoot, full.c_str(), 0, KEY_READ, &hKey);
        if (err != ERROR_SUCCESS)
            return HRESULT_FROM_WIN32(err);
        return CComObject<CSimRegistryKey>::CreateInstance(__uuidof(NewZUR::IRegistryKey),
                                                           reinterpret_cast<void**>(ppKey), hKey);
    });
}

STDMETHODIMP CSimRegistryKey::GetCount(long* plCount)
{
    if (!plCount)
        return E_POINTER;
    DWORD cValues = 0;
    LONG err = RegQueryInfoKeyW(m_key.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &cValues, nullptr,
                                nullptr, nullptr, nullptr);
    if (err != ERROR_SUCCESS)
        return HRESULT_FROM_WIN32(err);
    *plCount = static_cast<long>(cValues);
    return S_OK;
}

STDMETHODIMP CSimRegistryKey::GetItem(VARIANT vIndex, NewZUR::IRegistryValue** ppValue)
{
    if (!ppValue)
        return E_POINTER;
    *ppValue = nullptr;
    return ComBoundary([&] {
        if (vIndex.vt == VT_BSTR)
            return ReadValue(std::wstring(BstrView(vIndex.bstrVal)), ppValue);
        CVariant position;
        if (FAILED(VariantChangeType(&position, &vIndex, 0, VT_I4)) || position.lVal < 0)
            return E_INVALIDARG;
        wchar_t name[16384];
        DWORD cch = 16384;
        LONG err = RegEnumValueW(m_key.Get(), static_cast<DWORD>(position.lVal), name, &cch, nullptr, nullptr, nullptr,
                                 nullptr);
        if (err != ERROR_SUCCESS)
            return HRESULT_FROM_WIN32(err);
        return ReadValue(std::wstring(name, cch), ppValue);
    });
}

HRESULT CSimRegistryKey::ReadValue(const std::wstring& name, NewZUR::IRegistryValue** ppValue)
{
    DWORD type = 0, cb = 0;
    LONG err = RegQueryValueExW(m_key.Get(), name.c_str(), nullptr, &type, nullptr, &cb);
    if (err != ERROR_SUCCESS)
        return HRESULT_FROM_WIN32(err);
    std::vector<BYTE> data(cb + sizeof(wchar_t) * 2, 0);
    err = RegQueryValueExW(m_key.Get(), name.c_str(), nullptr, &type, data.data(), &cb);
    if (err != ERROR_SUCCESS)
        return HRESULT_FROM_WIN32(err);
    CVariant value;
    if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) {
        std::wstring_view text(reinterpret_cast<const wchar_t*>(data.data()), cb / sizeof(wchar_t));
        text = text.substr(0, text.find(L'\0'));
        value.bstrVal = CBstr::Alloc(text);
        value.vt = VT_BSTR;
    } else if (type == REG_DWORD && cb == 4) {
        value.vt = VT_I4;
        value.lVal = *reinterpret_cast<const LONG*>(data.data());
    } else if (type == REG_QWORD && cb == 8) {
        value.vt = VT_I8;
        value.llVal = *reinterpret_cast<const LONGLONG*>(data.data());
    }
    return CComObject<CSimRegistryValue>::CreateInstance(
        __uuidof(NewZUR::IRegistryValue), reinterpret_cast<void**>(ppValue), name, static_cast<VARIANT*>(&value));
}

STDMETHODIMP CSimRegistryValue::GetData(VARIANT* pvData)
{
    if (!pvData)
        return E_POINTER;
    VariantInit(pvData);
    return VariantCopy(pvData, &m_vData);
}

STDMETHODIMP CSimRegistryValue::GetName(BSTR* pbstrName)
{
    if (!pbstrName)
        return E_POINTER;
    *pbstrName = nullptr;
    return ComBoundary([&] {
        *pbstrName = CBstr::Alloc(m_strName);
        return S_OK;
    });
}
