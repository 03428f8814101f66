// The context object and the key and value objects of its registry; keys
// and values look their data up at each call.
#include <algorithm>
#include "doubles/HostDouble.h"

using Microsoft::WRL::ComPtr;

namespace {

std::wstring Scoped(long lScope, std::wstring_view path)
{
    return std::to_wstring(lScope) + L" " + std::wstring(path);
}

// A key of the registry under (scope, path), or one of its values.
class CRegistryPart : public CHostObject
{
public:
    CRegistryPart(std::wstring_view kind, std::wstring_view name, std::weak_ptr<CHostDouble> wpHost, long lScope,
                  std::wstring_view path)
        : CHostObject(kind, name, std::move(wpHost)), m_lScope(lScope), m_strPath(path)
    {}

protected:
    // The key's data; E_UNEXPECTED raised once it is gone.
    CRegKeyData& Key() const
    {
        CRegKeyData* pKey = Host()->registry.FindKey(m_lScope, m_strPath);
        return pKey ? *pKey : throw CComError(E_UNEXPECTED);
    }

    long m_lScope;
    std::wstring m_strPath;
};

// Named "<scope> <path> <value name>": the call log shows which value was read.
class CRegValueDouble : public CRegistryPart, public CHostInterface<NewZUR::IRegistryValue>
{
public:
    DOUBLE_INTERFACE_TABLE(CRegValueDouble, NewZUR::IRegistryValue)

    CRegValueDouble(std::weak_ptr<CHostDouble> wpHost, long lScope, std::wstring_view path, size_t nIndex,
                    std::wstring_view name)
        : CRegistryPart(L"registry value", Scoped(lScope, path) + L" " + std::wstring(name), std::move(wpHost), lScope,
                        path),
          m_nIndex(nIndex)
    {}
    STDMETHODIMP GetData(VARIANT* pvData) override
    {
        return Answer(L"GetData", pvData, [&] {
            CRegValueData& data = Data();
            return FAILED(data.hrGetData) ? data.hrGetData : VariantCopy(pvData, &data.vData);
        });
    }
    STDMETHODIMP GetName(BSTR* pbstrName) override
    {
        return Answer(L"GetName", pbstrName, [&] {
            *pbstrName = CBstr::Alloc(Data().strName);
            return S_OK;
        });
    }

private:
    // E_UNEXPECTED raised once it is gone.
    CRegValueData& Data() const
    {
        CRegKeyData& key = Key();
        return m_nIndex < key.deqValues.size() ? key.deqValues[m_nIndex] : throw CComError(E_UNEXPECTED);
    }
    size_t m_nIndex;
};

class CRegKeyDouble : public CRegistryPart, public CHostInterface<NewZUR::IRegistryKey>
{
public:
    DOUBLE_INTERFACE_TABLE(CRegKeyDouble, NewZUR::IRegistryKey)

    CRegKeyDouble(std::weak_ptr<CHostDouble> wpHost, long lScope, std::wstring_view path)
        : CRegistryPart(L"registry key", Scoped(lScope, path), std::move(wpHost), lScope, path)
    {}
    STDMETHODIMP GetCount(long* plCount) override
    {
        return Answer(L"GetCount", plCount, [&] {
            CRegKeyData& key = Key();
            if (SUCCEEDED(key.hrGetCount))
                *plCount = key.optCount.value_or(static_cast<long>(key.deqValues.size()));
            return key.hrGetCount;
        });
    }
    // By name, or by position (one past the end and beyond: none).
    STDMETHODIMP GetItem(VARIANT vIndex, NewZUR::IRegistryValue** ppValue) override
    {
        return Answer(L"GetItem", ppValue, [&] {
            const bool bByName = vIndex.vt == VT_BSTR;
            CRegKeyData& key = Key();
            if (!bByName && vIndex.vt != VT_I4)
                return E_INVALIDARG;
            if (bByName && FAILED(key.hrItemByName))
                return key.hrItemByName;
            const size_t nIndex = bByName            ? key.IndexOf(BstrView(vIndex.bstrVal))
                                  : vIndex.lVal >= 0 ? std::min(static_cast<size_t>(vIndex.lVal), key.deqValues.size())
                                                     : key.deqValues.size();
            if (nIndex == key.deqValues.size())
                return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
            *ppValue =
                CComObject<CRegValueDouble>::New(m_wpHost, m_lScope, m_strPath, nIndex, key.deqValues[nIndex].strName)
                    .Detach();
            return S_OK;
        });
    }
};

class CContextDouble : public CHostObject, public CHostInterface<NewZUR::IContext>
{
public:
    DOUBLE_INTERFACE_TABLE(CContextDouble, NewZUR::IContext)

    explicit CContextDouble(std::weak_ptr<CHostDouble> wpHost) : CHostObject(L"context", L"context", std::move(wpHost))
    {}
    STDMETHODIMP OpenKey(long lScope, BSTR bstrPath, NewZUR::IRegistryKey** ppKey) override
    {
        const std::wstring_view path = BstrView(bstrPath);
        return Answer(L"OpenKey", ppKey, [&] {
            CRegKeyData* pKey = Host()->registry.FindKey(lScope, path);
            if (!pKey)
                return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
            if (SUCCEEDED(pKey->hrOpen))
                *ppKey = CComObject<CRegKeyDouble>::New(m_wpHost, lScope, path).Detach();
            return pKey->hrOpen;
        });
    }
};

} // namespace

ComPtr<IUnknown> NewContextDouble(std::weak_ptr<CHostDouble> wpHost)
{
    return static_cast<NewZUR::IContext*>(CComObject<CContextDouble>::New(std::move(wpHost)).Get());
}
