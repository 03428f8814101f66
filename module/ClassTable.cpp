#include "module/ClassTable.h"
#include <iterator>
#include <mutex>
#include "LayerLib2.h"
#include "com/ClassObject.h"
#include "interfaces/LayerNames.h"
#include "layer/AssistLayer.h"
#include "proxy/ProxyAssistant.h"
#include "resource.h"

namespace {

template <class Kind, ObjectCreator pfnCreate>
HRESULT CreateClassObject(IUnknown** ppUnk) noexcept
{
    return CHeldClassObject<Kind>::CreateInstance(IID_IUnknown, reinterpret_cast<void**>(ppUnk), pfnCreate);
}

// The layer is one object for the process, held by its class object; a proxy
// is made for every request and keeps the module loaded while it lives.
constexpr ObjectCreator kCreateLayer = &CComObject<CAssistLayer, CHeldLifetime>::CreateInstance<>;
constexpr ObjectCreator kCreateProxy = &CComObject<CModuleLocked<CProxyAssistant>>::CreateInstance<>;

ClassEntry g_classTable[] = {
    {&CLSID_AssistLayer2, LayerNames::kLayerProgId, IDS_ASSISTLAYER2_DESC,
     CreateClassObject<CProcessSingleton, kCreateLayer>, nullptr},
    {&CLSID_ProxyAssistant, LayerNames::kProxyProgId, IDS_PROXYASSISTANT_DESC,
     CreateClassObject<CNewPerRequest, kCreateProxy>, nullptr},
};

// Serialises the creation of class objects.
std::mutex g_classObjectLock;

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
    if (entry.spClassObject)
        return S_OK;
    std::lock_guard<std::mutex> lock(g_classObjectLock);
    if (entry.spClassObject)
        return S_OK;
    Microsoft::WRL::ComPtr<IUnknown> spClassObject;
    RETURN_IF_FAILED(entry.pfnCreateClassObject(spClassObject.GetAddressOf()));
    entry.spClassObject.Swap(spClassObject);
    return S_OK;
}

} // namespace

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
    RETURN_IF_FAILED(EnsureClassObject(*pEntry));
    return pEntry->spClassObject->QueryInterface(riid, ppv);
}

// Releasing the class objects releases the layer singleton with them; the
// assistants are not terminated, the object is only destroyed.
void ReleaseClassObjects() noexcept
{
    for (ClassEntry& entry : g_classTable)
        entry.spClassObject.Reset();
}
