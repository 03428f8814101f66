#include "module/ClassObjectRoot.h"
#include "module/Module.h"

STDMETHODIMP CClassObjectRoot::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IClassFactory))
        return E_NOINTERFACE;
    *ppv = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CClassObjectRoot::AddRef()
{
    LONG l = InterlockedIncrement(&m_lRef);
    if (l == 2)
        ModuleLock();
    return static_cast<ULONG>(l);
}

STDMETHODIMP_(ULONG) CClassObjectRoot::Release()
{
    LONG l = InterlockedDecrement(&m_lRef);
    if (l == 1)
        ModuleUnlock();
    else if (l == 0)
        delete this;
    return static_cast<ULONG>(l);
}

STDMETHODIMP CClassObjectRoot::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (pUnkOuter)
        return CLASS_E_NOAGGREGATION;
    return CreateObject(riid, ppv);
}

STDMETHODIMP CClassObjectRoot::LockServer(BOOL fLock)
{
    if (fLock)
        ModuleLock();
    else
        ModuleUnlock();
    return S_OK;
}
