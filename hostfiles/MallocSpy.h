#pragma once
// The plumbing of a task-allocator spy: the runtime's pre- and post-calls
// reduced to one hook for each block that comes and one for each block that
// goes (a reallocation is both). The hooks run under the spy's lock, which
// a subclass also takes to read what it counted. The object lives as long as
// the process: the runtime may keep it past its revoking while spied blocks
// are outstanding.
#include <objidl.h>

class CMallocSpyBase : public IMallocSpy
{
public:
    CMallocSpyBase() { InitializeCriticalSection(&m_lock); }
    CMallocSpyBase(const CMallocSpyBase&) = delete;
    CMallocSpyBase& operator=(const CMallocSpyBase&) = delete;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    // Not counted: the object outlives every reference.
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }

    STDMETHODIMP_(SIZE_T) PreAlloc(SIZE_T cbRequest) override;
    STDMETHODIMP_(void*) PostAlloc(void* pActual) override;
    STDMETHODIMP_(void*) PreFree(void* pRequest, BOOL fSpyed) override;
    STDMETHODIMP_(void) PostFree(BOOL) override {}
    STDMETHODIMP_(SIZE_T) PreRealloc(void* pRequest, SIZE_T cbRequest, void** ppNewRequest, BOOL fSpyed) override;
    STDMETHODIMP_(void*) PostRealloc(void* pActual, BOOL) override;
    STDMETHODIMP_(void*) PreGetSize(void* pRequest, BOOL) override { return pRequest; }
    STDMETHODIMP_(SIZE_T) PostGetSize(SIZE_T cbActual, BOOL) override { return cbActual; }
    STDMETHODIMP_(void*) PreDidAlloc(void* pRequest, BOOL) override { return pRequest; }
    STDMETHODIMP_(int) PostDidAlloc(void*, BOOL, int fActual) override { return fActual; }
    STDMETHODIMP_(void) PreHeapMinimize() override {}
    STDMETHODIMP_(void) PostHeapMinimize() override {}

protected:
    ~CMallocSpyBase() = default;
    // A block of cb bytes came.
    virtual void OnAlloc(void* p, SIZE_T cb) = 0;
    // The block p goes; fSpyed: it was allocated while a spy was registered.
    virtual void OnFree(void* p, BOOL fSpyed) = 0;

    CRITICAL_SECTION m_lock;

private:
    SIZE_T m_cbRequest = 0;
    void* m_pReallocated = nullptr;
    BOOL m_fReallocatedSpyed = FALSE;
};
