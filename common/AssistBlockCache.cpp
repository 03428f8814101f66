// AssistBlockCache: a fixed row of slots, each empty or holding one block.
// A slot changes hands by one interlocked exchange, so two threads never get
// the same block.
#include "common/AssistBlockCache.h"
#include <windows.h>

namespace {

constexpr int kSlots = 32;
void* volatile g_apSlots[kSlots];
volatile LONG g_lKeeping = 1;

void ReturnAll() noexcept
{
    for (void* volatile& slot : g_apSlots)
        ::operator delete(InterlockedExchangePointer(const_cast<void**>(&slot), nullptr));
}

// The kept blocks go back to the heap when the module is unloaded.
struct CReturnAtUnload
{
    ~CReturnAtUnload() { ReturnAll(); }
} g_returnAtUnload;

} // namespace

void* AssistBlockCache::Take(size_t cb)
{
    if (cb > kBlockSize)
        return ::operator new(cb);
    for (void* volatile& slot : g_apSlots) {
        if (slot)
            if (void* p = InterlockedExchangePointer(const_cast<void**>(&slot), nullptr))
                return p;
    }
    return ::operator new(kBlockSize);
}

void AssistBlockCache::Give(void* p, size_t cb) noexcept
{
    if (!p)
        return;
    if (cb <= kBlockSize && g_lKeeping) {
        for (void* volatile& slot : g_apSlots) {
            if (!slot && !InterlockedCompareExchangePointer(const_cast<void**>(&slot), p, nullptr))
                return;
        }
    }
    ::operator delete(p);
}

void AssistBlockCache::SetKeeping(bool bKeep) noexcept
{
    InterlockedExchange(&g_lKeeping, bKeep ? 1 : 0);
    if (!bKeep)
        ReturnAll();
}
