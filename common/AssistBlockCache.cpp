// AssistBlockCache: fixed rows of slots, each empty or holding one block.
// A slot changes hands by one interlocked exchange, so two threads never get
// the same block.
#include "common/AssistBlockCache.h"
#include <windows.h>

namespace {

// Small blocks: a record per answer, so as many as a component of 64 buses
// needs at once, and a few for the lists and sets of the same check. Large
// blocks: the lists of such a component when they outgrow a small one.
constexpr int kSmallSlots = 80;
constexpr int kLargeSlots = 6;
constexpr size_t kLargeBlockSize = 1024;
void* volatile g_apSmall[kSmallSlots];
void* volatile g_apLarge[kLargeSlots];
volatile LONG g_lKeeping = 1;

template <size_t N>
void ReturnAll(void* volatile (&slots)[N]) noexcept
{
    for (void* volatile& slot : slots)
        ::operator delete(InterlockedExchangePointer(const_cast<void**>(&slot), nullptr));
}

void ReturnAll() noexcept
{
    ReturnAll(g_apSmall);
    ReturnAll(g_apLarge);
}

template <size_t N>
void* TakeFrom(void* volatile (&slots)[N], size_t cbBlock)
{
    for (void* volatile& slot : slots) {
        if (slot)
            if (void* p = InterlockedExchangePointer(const_cast<void**>(&slot), nullptr))
                return p;
    }
    return ::operator new(cbBlock);
}

template <size_t N>
bool GiveTo(void* volatile (&slots)[N], void* p) noexcept
{
    for (void* volatile& slot : slots) {
        if (!slot && !InterlockedCompareExchangePointer(const_cast<void**>(&slot), p, nullptr))
            return true;
    }
    return false;
}

// The kept blocks go back to the heap when the module is unloaded.
struct CReturnAtUnload
{
    ~CReturnAtUnload() { ReturnAll(); }
} g_returnAtUnload;

} // namespace

void* AssistBlockCache::Take(size_t cb)
{
    if (cb <= kBlockSize)
        return TakeFrom(g_apSmall, kBlockSize);
    if (cb <= kLargeBlockSize)
        return TakeFrom(g_apLarge, kLargeBlockSize);
    return ::operator new(cb);
}

void AssistBlockCache::Give(void* p, size_t cb) noexcept
{
    if (!p)
        return;
    if (g_lKeeping && cb <= kLargeBlockSize && (cb <= kBlockSize ? GiveTo(g_apSmall, p) : GiveTo(g_apLarge, p)))
        return;
    ::operator delete(p);
}

void AssistBlockCache::SetKeeping(bool bKeep) noexcept
{
    InterlockedExchange(&g_lKeeping, bKeep ? 1 : 0);
    if (!bKeep)
        ReturnAll();
}
