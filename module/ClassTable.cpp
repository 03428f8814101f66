#include "module/ClassTable.h"
#include <mutex>
#include <wrl/client.h>
#include "LayerLib2.h"
#include "com/ClassObject.h"
#include "com/ClassRegistration.h"
#include "com/ThisModule.h"
#include "interfaces/LayerNames.h"
#include "layer/AssistLayer.h"
#include "proxy/ProxyAssistant.h"
#include "resource.h"

namespace {

struct ClassEntry
{
    const CLSID* pclsid;
    const wchar_t* pszProgId;
    UINT idsDescription; // string resource
    HRESULT (*pfnCreateClassObject)(IUnknown** ppUnk);
    Microsoft::WRL::ComPtr<IUnknown> spClassObject; // empty until first asked for
};

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

// Serialises the creation of class objects: two threads asking at once get
// the same one.
std::mutex g_classObjectLock;

HRESULT RegisterClassEntry(const ClassEntry& entry)
{
    wchar_t szDescription[256] = {}, szPath[MAX_PATH];
    if (LoadStringW(ThisModule(), entry.idsDescription, szDescription, 256) == 0)
        return HRESULT_FROM_WIN32(GetLastError());
    RETURN_IF_FAILED(ThisModulePath(szPath));
    return WriteClassKeys(*entry.pclsid, entry.pszProgId, szDescription, szPath, true);
}

} // namespace

HRESULT GetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) noexcept
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    for (ClassEntry& entry : g_classTable) {
        if (!IsEqualCLSID(rclsid, *entry.pclsid))
            continue;
        std::lock_guard<std::mutex> lock(g_classObjectLock);
        if (!entry.spClassObject)
            RETURN_IF_FAILED(entry.pfnCreateClassObject(entry.spClassObject.GetAddressOf()));
        return entry.spClassObject->QueryInterface(riid, ppv);
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

// Releasing the class objects releases the layer singleton with them; the
// assistants are not terminated, the object is only destroyed.
void ReleaseClassObjects() noexcept
{
    for (ClassEntry& entry : g_classTable)
        entry.spClassObject.Reset();
}

HRESULT RegisterClasses()
{
    for (const ClassEntry& entry : g_classTable)
        RETURN_IF_FAILED(RegisterClassEntry(entry));
    return S_OK;
}

HRESULT UnregisterClasses()
{
    for (const ClassEntry& entry : g_classTable)
        RETURN_IF_FAILED(DeleteClassKeys(*entry.pclsid, entry.pszProgId));
    return S_OK;
}
