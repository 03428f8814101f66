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

// How the log shows an index: "BusA", "#0", or "vt 2" for another type.
std::wstring IndexText(const VARIANT& vIndex)
{
    if (vIndex.vt == VT_BSTR)
        return std::wstring(BstrView(vIndex.bstrVal));
    return vIndex.vt == VT_I4 ? L"#" + std::to_wstring(vIndex.lVal) : L"vt " + std::to_wstring(vIndex.vt);
}

// A call's log step, taken before the planned fault shows: the text in the
// registry's log. Only with recording on is the text made and the host reached.
template <class MakeText>
auto Noting(const std::weak_ptr<CHostDouble>& wpHost, MakeText makeText)
{
    return [&wpHost, makeText] {
        if (CRecording::On())
            LiveHost(wpHost)->registry.vecLog.push_back(makeText());
    };
}

// A key or value of the registry under (scope, path).
class CRegistryPart : public CHostObject
{
public:
    CRegistryPart(std::wstring_view kind, std::wstring_view name, std::weak_ptr<CHostDouble> wpHost, long lScope,
                  std::wstring_view path)
        : CHostObject(kind, name, std::move(wpHost)), m_lScope(lScope), m_strPath(path)
    {}

protected:
    // The host's registry, reached once per call (twice with recording on).
    CRegistryScript& Registry() const { return Host()->registry; }
    // The key's data; E_UNEXPECTED raised once it is gone.
    CRegKeyData& Key() const
    {
        CRegKeyData* pKey = Registry().FindKey(m_lScope, m_strPath);
        return pKey ? *pKey : throw CComError(E_UNEXPECTED);
    }

    long m_lScope;
    std::wstring m_strPath;
};

class CRegValueDouble : public CRegistryPart, public CHostInterface<NewZUR::IRegistryValue>
{
public:
    DOUBLE_INTERFACE_TABLE(CRegValueDouble, NewZUR::IRegistryValue)

    CRegValueDouble(std::weak_ptr<CHostDouble> wpHost, long lScope, std::wstring_view path, size_t nIndex)
        : CRegistryPart(L"registry value", Scoped(lScope, path) + L" #" + std::to_wstring(nIndex), std::move(wpHost),
                        lScope, path),
          m_nIndex(nIndex)
    {}
    STDMETHODIMP GetData(VARIANT* pvData) override
    {
        return Answer(nullptr, pvData, Noting(m_wpHost, [&] { return L"GetData " + Name(); }), [&] {
            CRegValueData& data = Data();
            return FAILED(data.hrGetData) ? data.hrGetData : VariantCopy(pvData, &data.vData);
        });
    }
    STDMETHODIMP GetName(BSTR* pbstrName) override
    {
        return Answer(nullptr, pbstrName, Noting(m_wpHost, [&] { return L"GetName " + Name(); }), [&] {
            *pbstrName = CBstr::Alloc(Data().strName);
            return S_OK;
        });
    }

private:
    // The value's name, empty once it is gone.
    std::wstring Name() const
    {
        const CRegValueData* pData = Find();
        return pData ? pData->strName : std::wstring();
    }
    // The value's data; null once it is gone.
    CRegValueData* Find() const
    {
        CRegKeyData* pKey = Registry().FindKey(m_lScope, m_strPath);
        return pKey && m_nIndex < pKey->deqValues.size() ? &pKey->deqValues[m_nIndex] : nullptr;
    }
    // E_UNEXPECTED raised once it is gone.
    CRegValueData& Data() const
    {
        CRegValueData* pData = Find();
        return pData ? *pData : throw CComError(E_UNEXPECTED);
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
        return Answer(nullptr, plCount, Noting(m_wpHost, [&] { return L"GetCount " + m_strPath; }), [&] {
            CRegKeyData& key = Key();
            if (SUCCEEDED(key.hrGetCount))
                *plCount = key.optCount.value_or(static_cast<long>(key.deqValues.size()));
            return key.hrGetCount;
        });
    }
    // By name, or by position (one past the end and beyond: none).
    STDMETHODIMP GetItem(VARIANT vIndex, NewZUR::IRegistryValue** ppValue) override
    {
        const auto log = Noting(m_wpHost, [&] { return L"GetItem " + m_strPath + L" " + IndexText(vIndex); });
        return Answer(nullptr, ppValue, log, [&] {
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
            *ppValue = CDoubleObject<CRegValueDouble>::New(m_wpHost, m_lScope, m_strPath, nIndex).Detach();
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
        return Answer(L"OpenKey", ppKey, Noting(m_wpHost, [&] { return L"OpenKey " + Scoped(lScope, path); }), [&] {
            CRegKeyData* pKey = Host()->registry.FindKey(lScope, path);
            if (!pKey)
                return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
            if (SUCCEEDED(pKey->hrOpen))
                *ppKey = CDoubleObject<CRegKeyDouble>::New(m_wpHost, lScope, path).Detach();
            return pKey->hrOpen;
        });
    }
};

} // namespace

ComPtr<IUnknown> NewContextDouble(std::weak_ptr<CHostDouble> wpHost)
{
    return static_cast<NewZUR::IContext*>(CDoubleObject<CContextDouble>::New(std::move(wpHost)).Get());
}
