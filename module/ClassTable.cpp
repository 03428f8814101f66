#include "module/ClassTable.h"
#include <iterator>
#include "LayerLib2.h"
#include "resource.h"
#include "module/ClassFactory.h"
#include "module/SingletonClassFactory.h"

namespace {

ClassEntry g_classTable[] = {
    {&CLSID_AssistLayer2, L"Zerani.Layer.AssistLayer.7", IDS_ASSISTLAYER2_DESC, CreateLayerClassObject, nullptr},
    {&CLSID_ProxyAssistant, L"Zerani.Layer.ProxyAssistant.7", IDS_PROXYASSISTANT_DESC, CreateProxyClassObject, nullptr},
};

// Serialises the creation of class objects.
CRITICAL_SECTION g_classObjectLock;

ClassEntry* FindEntry(REFCLSID rclsid) noexcept
{
    for (ClassEntry& entry : g_classTable) {
        if (IsEqualCLSID(rclsid, *entry.pclsid))
            return &entry;
    }
    return nullptr;
}

// The slot is read without the lock first; the second look inside it makes
// two threads asking at once get the same class object.
HRESULT EnsureClassObject(ClassEntry& entry) noexcept
{
    if (entry.pClassObject)
        return S_OK;
    HRESULT hr = S_OK;
    EnterCriticalSection(&g_classObjectLock);
    if (!entry.pClassObject) {
        IUnknown* pUnk = nullptr;
        hr = entry.pfnCreateClassObject(&pUnk);
        if (SUCCEEDED(hr))
            InterlockedExchangePointer(reinterpret_cast<void* volatile*>(&entry.pClassObject), pUnk);
    }
    LeaveCriticalSection(&g_classObjectLock);
    return hr;
}

} // namespace

void InitializeClassTable() noexcept
{
    InitializeCriticalSection(&g_classObjectLock);
}

void DeleteClassTable() noexcept
{
    DeleteCriticalSection(&g_classObjectLock);
}

ClassEntry* ClassTableBegin() noexcept
{
    return std::begin(g_classTable);
}

ClassEntry* ClassTableEnd() noexcept
{
    return std::end(g_classTable);
}

HRESULT GetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) noexcept
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    ClassEntry* pEntry = FindEntry(rclsid);
    if (!pEntry)
        return CLASS_E_CLASSNOTAVAILABLE;
    HRESULT hr = EnsureClassObject(*pEntry);
    if (FAILED(hr))
        return hr;
    return pEntry->pClassObject->QueryInterface(riid, ppv);
}

void ReleaseClassObjects() noexcept
{
    for (ClassEntry& entry : g_classTable) {
        IUnknown* pUnk = entry.pClassObject;
        entry.pClassObject = nullptr;
        if (pUnk)
            pUnk->Release();
    }
}
