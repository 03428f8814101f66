#pragma once
// One class object for both kinds a server needs: a new object per request,
// or one object for the whole process. The kind is a base that makes the
// object; IClassFactory's checks and LockServer are written here once.
#include <windows.h>
#include <unknwn.h>
#include <mutex>
#include <wrl/client.h>
#include "com/ComObject.h"

// Makes a new object and hands out the requested interface.
using ObjectCreator = HRESULT (*)(REFIID riid, void** ppv);

template <class Kind>
class CClassObject : public CComRootMultiThreaded, public IClassFactory, public Kind
{
public:
    BEGIN_INTERFACE_TABLE(CClassObject)
    INTERFACE_ENTRY(IClassFactory)
    END_INTERFACE_TABLE()

    explicit CClassObject(ObjectCreator pfnCreate) : Kind(pfnCreate) {}

    // Null out-pointer, then aggregation, then the object itself.
    STDMETHODIMP CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (pUnkOuter)
            return CLASS_E_NOAGGREGATION;
        return this->CreateObject(riid, ppv);
    }
    STDMETHODIMP LockServer(BOOL fLock) override
    {
        if (fLock)
            ModuleLock();
        else
            ModuleUnlock();
        return S_OK;
    }
};

// A new object for every request.
class CNewPerRequest
{
public:
    explicit CNewPerRequest(ObjectCreator pfnCreate) noexcept : m_pfnCreate(pfnCreate) {}
    HRESULT CreateObject(REFIID riid, void** ppv) noexcept { return m_pfnCreate(riid, ppv); }

private:
    ObjectCreator m_pfnCreate;
};

// One object per process, made at the first request and shared by every
// client. A failed creation is remembered and never retried.
class CProcessSingleton
{
public:
    explicit CProcessSingleton(ObjectCreator pfnCreate) noexcept : m_pfnCreate(pfnCreate) {}

    HRESULT CreateObject(REFIID riid, void** ppv) noexcept
    {
        std::call_once(m_created, [this] { m_hrCreate = m_pfnCreate(IID_PPV_ARGS(m_spObject.GetAddressOf())); });
        if (FAILED(m_hrCreate))
            return m_hrCreate;
        return m_spObject->QueryInterface(riid, ppv);
    }

private:
    ObjectCreator m_pfnCreate;
    std::once_flag m_created;
    // Released with the class object unless a client still holds it.
    Microsoft::WRL::ComPtr<IUnknown> m_spObject;
    HRESULT m_hrCreate = S_OK;
};

// The class object a class table keeps (its reference is the table's).
template <class Kind>
using CHeldClassObject = CComObject<CClassObject<Kind>, CHeldLifetime>;
