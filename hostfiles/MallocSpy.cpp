#include "hostfiles/MallocSpy.h"

STDMETHODIMP CMallocSpyBase::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IMallocSpy) ? this : nullptr;
    return *ppv ? S_OK : E_NOINTERFACE;
}

STDMETHODIMP_(SIZE_T) CMallocSpyBase::PreAlloc(SIZE_T cbRequest)
{
    return m_cbRequest = cbRequest;
}

STDMETHODIMP_(void*) CMallocSpyBase::PostAlloc(void* pActual)
{
    if (pActual) {
        EnterCriticalSection(&m_lock);
        OnAlloc(pActual, m_cbRequest);
        LeaveCriticalSection(&m_lock);
    }
    return pActual;
}

STDMETHODIMP_(void*) CMallocSpyBase::PreFree(void* pRequest, BOOL fSpyed)
{
    EnterCriticalSection(&m_lock);
    OnFree(pRequest, fSpyed);
    LeaveCriticalSection(&m_lock);
    return pRequest;
}

STDMETHODIMP_(SIZE_T) CMallocSpyBase::PreRealloc(void* pRequest, SIZE_T cbRequest, void** ppNewRequest, BOOL fSpyed)
{
    m_pReallocated = pRequest;
    m_fReallocatedSpyed = fSpyed;
    *ppNewRequest = pRequest;
    return m_cbRequest = cbRequest;
}

// A failed reallocation leaves the old block as it was; one to no bytes frees it.
STDMETHODIMP_(void*) CMallocSpyBase::PostRealloc(void* pActual, BOOL)
{
    if (!pActual && m_cbRequest)
        return pActual;
    EnterCriticalSection(&m_lock);
    OnFree(m_pReallocated, m_fReallocatedSpyed);
    if (pActual)
        OnAlloc(pActual, m_cbRequest);
    LeaveCriticalSection(&m_lock);
    return pActual;
}
