// Reading the host's configuration through its context object.
#include "zurhost/Configuration.h"
#include "com/Owners.h"

using Microsoft::WRL::ComPtr;

HRESULT CConfiguration::Open()
{
    return CoCreateInstance(NewZUR::CLSID_Context, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&m_spContext));
}

std::vector<std::pair<std::wstring, std::wstring>> CConfiguration::Values(long lScope, const wchar_t* pszKey) const
{
    std::vector<std::pair<std::wstring, std::wstring>> values;
    ComPtr<NewZUR::IRegistryKey> spKey;
    long lCount = 0;
    CBstr path{std::wstring_view(pszKey)};
    if (!m_spContext || FAILED(m_spContext->OpenKey(lScope, path, &spKey)) || FAILED(spKey->GetCount(&lCount)))
        return values;
    for (long i = 0; i < lCount; ++i) {
        ComPtr<NewZUR::IRegistryValue> spValue;
        CVariant index, data;
        index.vt = VT_I4;
        index.lVal = i;
        CBstr name;
        // One that cannot be read keeps its place, with what could be read.
        if (SUCCEEDED(spKey->GetItem(index, &spValue)) && SUCCEEDED(spValue->GetName(name.Out())) &&
            SUCCEEDED(spValue->GetData(data.Out())))
            VariantChangeType(&data, &data, 0, VT_BSTR);
        values.emplace_back(name.View(), data.vt == VT_BSTR ? BstrView(data.bstrVal) : std::wstring_view());
    }
    return values;
}

bool CConfiguration::ReadLong(long lScope, const wchar_t* pszKey, const wchar_t* pszName, long& lValue) const
{
    ComPtr<NewZUR::IRegistryKey> spKey;
    ComPtr<NewZUR::IRegistryValue> spValue;
    CBstr path{std::wstring_view(pszKey)};
    CVariant index = CVariant::String(pszName), data;
    if (!m_spContext || FAILED(m_spContext->OpenKey(lScope, path, &spKey)) || FAILED(spKey->GetItem(index, &spValue)) ||
        FAILED(spValue->GetData(data.Out())) || FAILED(VariantChangeType(&data, &data, 0, VT_I4)))
        return false;
    lValue = data.lVal;
    return true;
}
