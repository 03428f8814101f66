// The context object and the key and value objects of its registry.
#include <algorithm>
#include "doubles/HostObjects.h"

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
} // namespace

STDMETHODIMP CContextDouble::OpenKey(long lScope, BSTR bstrPath, NewZUR::IRegistryKey** ppKey)
{
    LogCall(L"OpenKey");
    return ComBoundary([&] {
        std::wstring path(BstrView(bstrPath));
        CRegistryScript& registry = m_spHost->registry;
        Note(registry, [&] { return L"OpenKey " + Scoped(lScope, path); });
        DOUBLE_OUT_PARAMETER(ppKey);
        CRegKeyData* pKey = registry.FindKey(lScope, path);
        if (!pKey)
            return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
        if (FAILED(pKey->hrOpen))
            return pKey->hrOpen;
        *ppKey = CDoubleObject<CRegKeyDouble>::New(m_spHost, lScope, path).Detach();
        return CFaultPlan::Result(fault, pKey->hrOpen);
    });
}

CRegKeyDouble::CRegKeyDouble(std::shared_ptr<CHostDouble> spHost, long lScope, std::wstring path)
    : CDoubleBase(L"registry key", Scoped(lScope, path)),
      m_spHost(std::move(spHost)),
      m_lScope(lScope),
      m_strPath(std::move(path))
{}

CRegKeyData* CRegKeyDouble::Data() const
{
    return m_spHost->registry.FindKey(m_lScope, m_strPath);
}

STDMETHODIMP CRegKeyDouble::GetCount(long* plCount)
{
    return ComBoundary([&] {
        Note(m_spHost->registry, [&] { return L"GetCount " + m_strPath; });
        if (!plCount)
            return E_POINTER;
        DOUBLE_FAULT_POINT();
        CRegKeyData* pKey = Data();
        if (!pKey)
            return E_UNEXPECTED;
        if (FAILED(pKey->hrGetCount))
            return pKey->hrGetCount;
        *plCount = pKey->optCount ? *pKey->optCount : static_cast<long>(pKey->deqValues.size());
        return CFaultPlan::Result(fault, pKey->hrGetCount);
    });
}

STDMETHODIMP CRegKeyDouble::GetItem(VARIANT vIndex, NewZUR::IRegistryValue** ppValue)
{
    return ComBoundary([&] {
        CRegistryScript& registry = m_spHost->registry;
        bool bByName = vIndex.vt == VT_BSTR;
        std::wstring index = bByName              ? std::wstring(BstrView(vIndex.bstrVal))
                             : vIndex.vt == VT_I4 ? L"#" + std::to_wstring(vIndex.lVal)
                                                  : L"vt " + std::to_wstring(vIndex.vt);
        Note(registry, [&] { return L"GetItem " + m_strPath + L" " + index; });
        DOUBLE_OUT_PARAMETER(ppValue);
        CRegKeyData* pKey = Data();
        if (!pKey)
            return E_UNEXPECTED;
        size_t nIndex = pKey->deqValues.size(); // none
        if (bByName) {
            if (FAILED(pKey->hrItemByName))
                return pKey->hrItemByName;
            nIndex = pKey->IndexOf(BstrView(vIndex.bstrVal));
        } else if (vIndex.vt == VT_I4) {
            if (FAILED(pKey->hrItemByPosition))
                return pKey->hrItemByPosition;
            if (vIndex.lVal >= 0)
                nIndex = std::min(static_cast<size_t>(vIndex.lVal), nIndex);
        } else {
            return E_INVALIDARG;
        }
        if (nIndex == pKey->deqValues.size())
            return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
        *ppValue = CDoubleObject<CRegValueDouble>::New(m_spHost, m_lScope, m_strPath, nIndex).Detach();
        return CFaultPlan::Result(fault, S_OK);
    });
}

CRegValueDouble::CRegValueDouble(std::shared_ptr<CHostDouble> spHost, long lScope, std::wstring path, size_t nIndex)
    : CDoubleBase(L"registry value", Scoped(lScope, path) + L" #" + std::to_wstring(nIndex)),
      m_spHost(std::move(spHost)),
      m_lScope(lScope),
      m_strPath(std::move(path)),
      m_nIndex(nIndex)
{}

CRegValueData* CRegValueDouble::Data() const
{
    CRegKeyData* pKey = m_spHost->registry.FindKey(m_lScope, m_strPath);
    return pKey && m_nIndex < pKey->deqValues.size() ? &pKey->deqValues[m_nIndex] : nullptr;
}

STDMETHODIMP CRegValueDouble::GetData(VARIANT* pvData)
{
    return ComBoundary([&] {
        CRegValueData* pData = Data();
        Note(m_spHost->registry, [&] { return L"GetData " + (pData ? pData->strName : std::wstring()); });
        DOUBLE_OUT_PARAMETER(pvData);
        if (!pData)
            return E_UNEXPECTED;
        if (FAILED(pData->hrGetData))
            return pData->hrGetData;
        HRESULT hr = VariantCopy(pvData, &pData->vData);
        return FAILED(hr) ? hr : CFaultPlan::Result(fault, pData->hrGetData);
    });
}

STDMETHODIMP CRegValueDouble::GetName(BSTR* pbstrName)
{
    return ComBoundary([&] {
        CRegValueData* pData = Data();
        Note(m_spHost->registry, [&] { return L"GetName " + (pData ? pData->strName : std::wstring()); });
        DOUBLE_OUT_PARAMETER(pbstrName);
        if (!pData)
            return E_UNEXPECTED;
        *pbstrName = CBstr::Alloc(pData->strName);
        return CFaultPlan::Result(fault, S_OK);
    });
}
