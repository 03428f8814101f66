#include "bench/Counters.h"
#include <objbase.h>
#include <cstdlib>
#include <new>

namespace {

long g_lNew = 0;
long g_lTask = 0;

// Counts allocations only; every block passes through unchanged.
class CCountingSpy final : public IMallocSpy
{
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IMallocSpy)) {
            *ppv = static_cast<IMallocSpy*>(this);
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP_(SIZE_T) PreAlloc(SIZE_T cb) override { return cb; }
    STDMETHODIMP_(void*) PostAlloc(void* p) override
    {
        if (p)
            ++g_lTask;
        return p;
    }
    STDMETHODIMP_(void*) PreFree(void* p, BOOL) override { return p; }
    STDMETHODIMP_(void) PostFree(BOOL) override {}
    STDMETHODIMP_(SIZE_T) PreRealloc(void* p, SIZE_T cb, void** ppNew, BOOL) override
    {
        *ppNew = p;
        return cb;
    }
    STDMETHODIMP_(void*) PostRealloc(void* p, BOOL) override { return p; }
    STDMETHODIMP_(void*) PreGetSize(void* p, BOOL) override { return p; }
    STDMETHODIMP_(SIZE_T) PostGetSize(SIZE_T cb, BOOL) override { return cb; }
    STDMETHODIMP_(void*) PreDidAlloc(void* p, BOOL) override { return p; }
    STDMETHODIMP_(int) PostDidAlloc(void*, BOOL, int f) override { return f; }
    STDMETHODIMP_(void) PreHeapMinimize() override {}
    STDMETHODIMP_(void) PostHeapMinimize() override {}
};

CCountingSpy g_spy;

} // namespace

long OperatorNewCalls() noexcept
{
    return g_lNew;
}

bool StartTaskMemoryCount()
{
    if (FAILED(CoRegisterMallocSpy(&g_spy)))
        return false;
    // The runtime's bookkeeping of spied blocks starts with the first one.
    CoTaskMemFree(CoTaskMemAlloc(1));
    return true;
}

long TaskMemoryAllocations() noexcept
{
    return g_lTask;
}

void* operator new(size_t cb)
{
    ++g_lNew;
    if (void* p = std::malloc(cb ? cb : 1))
        return p;
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, size_t) noexcept
{
    std::free(p);
}
