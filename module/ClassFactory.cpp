#include "module/ClassFactory.h"
#include <new>
#include "common/ComObject.h"
#include "module/ModuleLockedObject.h"
#include "proxy/ProxyAssistant.h"

// Allocation failure gives E_OUTOFMEMORY; a failed FinalConstruct or query
// destroys the object, which gives its module lock back.
HRESULT CClassFactory::CreateObject(REFIID riid, void** ppv) noexcept
{
    return CComObject<CModuleLocked<CProxyAssistant>>::CreateInstance(riid, ppv);
}

HRESULT CreateProxyClassObject(IUnknown** ppUnk) noexcept
{
    CClassFactory* pFactory = new (std::nothrow) CClassFactory();
    if (!pFactory)
        return E_OUTOFMEMORY;
    *ppUnk = pFactory;
    return S_OK;
}
