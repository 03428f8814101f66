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

// Recorded only when recording is on: the text is made then.
template <class MakeText>
void Note(CRegistryScript& registry, MakeText&& makeText)
{
    if (CRecording::On())
        registry.vecLog.push_back(makeText());
}

// A key or value of the registry under (scope, path).
class CRegistryPart : public CDoubleBase
{
public:
    CRegistryPart(std::wstring_view kind, std::wstring_view name, std::weak_ptr<CHostDouble> wpHost, long lScope,
                  std::wstring_view path)
        : CDoubleBase(kind, name), m_wpHost(std::move(wpHost)), m_lScope(lScope), m_strPath(path)
    {}

protected:
    CRegistryScript& Registry() const { return LiveHost(m_wpHost)->registry; }
    // The key's data; E_UNEXPECTED raised once it is gone.
    CRegKeyData& Key() const
    {
        CRegKeyData* pKey = Registry().FindKey(m_lScope, m_strPath);
        return pKey ? *pKey : throw CComError(E_UNEXPECTED);
    }

    std::weak_ptr<CHostDouble> m_wpHost;
    long m_lScope;
    std::wstring m_strPath;
};

class CRegValueDouble : public CRegistryPart, public CNoDispatch<NewZUR::IRegistryValue>
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
        return ComBoundary([&] {
            CRegValueData* pData = Data();
            Note(Registry(), [&] { return L"GetData " + (pData ? pData->strName : std::wstring()); });
            DOUBLE_OUT_PARAMETER(pvData);
            if (!pData)
                return E_UNEXPECTED;
            if (FAILED(pData->hrGetData))
                return pData->hrGetData;
            HRESULT hr = VariantCopy(pvData, &pData->vData);
            return FAILED(hr) ? hr : CFaultPlan::Result(fault, pData->hrGetData);
        });
    }
    STDMETHODIMP GetName(BSTR* pbstrName) override
    {
        return ComBoundary([&] {
            CRegValueData* pData = Data();
            Note(Registry(), [&] { return L"GetName " + (pData ? pData->strName : std::wstring()); });
            DOUBLE_OUT_PARAMETER(pbstrName);
            if (!pData)
                return E_UNEXPECTED;
            *pbstrName = CBstr::Alloc(pData->strName);
            return CFaultPlan::Result(fault, S_OK);
        });
    }
    DOUBLE_RESERVED(8)

private:
    CRegValueData* Data() const
    {
        CRegKeyData* pKey = Registry().FindKey(m_lScope, m_strPath);
        return pKey && m_nIndex < pKey->deqValues.size() ? &pKey->deqValues[m_nIndex] : nullptr;
    }
    size_t m_nIndex;
};

class CRegKeyDouble : public CRegistryPart, public CNoDispatch<NewZUR::IRegistryKey>
{
public:
    DOUBLE_INTERFACE_TABLE(CRegKeyDouble, NewZUR::IRegistryKey)

    CRegKeyDouble(std::weak_ptr<CHostDouble> wpHost, long lScope, std::wstring_view path)
        : CRegistryPart(L"registry key", Scoped(lScope, path), std::move(wpHost), lScope, path)
    {}
    STDMETHODIMP GetCount(long* plCount) override
    {
        return ComBoundary([&] {
            Note(Registry(), [&] { return L"GetCount " + m_strPath; });
            if (!plCount)
                return E_POINTER;
            DOUBLE_FAULT_POINT();
            CRegKeyData& key = Key();
            if (FAILED(key.hrGetCount))
                return key.hrGetCount;
            *plCount = key.optCount.value_or(static_cast<long>(key.deqValues.size()));
            return CFaultPlan::Result(fault, key.hrGetCount);
        });
    }
    // By name, or by position (one past the end and beyond: none).
    STDMETHODIMP GetItem(VARIANT vIndex, NewZUR::IRegistryValue** ppValue) override
    {
        return ComBoundary([&] {
            const bool bByName = vIndex.vt == VT_BSTR;
            Note(Registry(), [&] {
                return L"GetItem " + m_strPath + L" " +
                       (bByName ? std::wstring(BstrView(vIndex.bstrVal)) : L"#" + std::to_wstring(vIndex.lVal));
            });
            DOUBLE_OUT_PARAMETER(ppValue);
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
            return CFaultPlan::Result(fault, S_OK);
        });
    }
};

class CContextDouble : public CDoubleBase, public CNoDispatch<NewZUR::IContext>
{
public:
    DOUBLE_INTERFACE_TABLE(CContextDouble, NewZUR::IContext)

    explicit CContextDouble(std::weak_ptr<CHostDouble> wpHost)
        : CDoubleBase(L"context", L"context"), m_wpHost(std::move(wpHost))
    {}
    STDMETHODIMP OpenKey(long lScope, BSTR bstrPath, NewZUR::IRegistryKey** ppKey) override
    {
        LogCall(L"OpenKey");
        return ComBoundary([&] {
            const std::wstring_view path = BstrView(bstrPath);
            CRegistryScript& registry = LiveHost(m_wpHost)->registry;
            Note(registry, [&] { return L"OpenKey " + Scoped(lScope, path); });
            DOUBLE_OUT_PARAMETER(ppKey);
            CRegKeyData* pKey = registry.FindKey(lScope, path);
            if (!pKey)
                return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
            if (FAILED(pKey->hrOpen))
                return pKey->hrOpen;
            *ppKey = CDoubleObject<CRegKeyDouble>::New(m_wpHost, lScope, path).Detach();
            return CFaultPlan::Result(fault, pKey->hrOpen);
        });
    }
    // clang-format off
    DOUBLE_RESERVED(7) DOUBLE_RESERVED(8) DOUBLE_RESERVED(9) DOUBLE_RESERVED(10) DOUBLE_RESERVED(11)
    DOUBLE_RESERVED(12) DOUBLE_RESERVED(13) DOUBLE_RESERVED(14) DOUBLE_RESERVED(15) DOUBLE_RESERVED(16)
    DOUBLE_RESERVED(17)
    // clang-format on

private:
    std::weak_ptr<CHostDouble> m_wpHost;
};

} // namespace

ComPtr<IUnknown> NewContextDouble(std::weak_ptr<CHostDouble> wpHost)
{
    return static_cast<NewZUR::IContext*>(CDoubleObject<CContextDouble>::New(std::move(wpHost)).Get());
}
