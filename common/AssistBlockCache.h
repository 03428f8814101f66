#pragma once
// Small blocks kept for the next check instead of going back to the heap.
// A check makes and deletes one result record per answer, a result list and
// a set of asked assistants; beside the rest of a check the platform's heap
// is slow, so their blocks are reused. Any thread may take or give a block.
#include <cstddef>
#include <new>

namespace AssistBlockCache {

// Every block handed out for a request up to this size has this size; larger
// requests up to 1,024 bytes get blocks of that size, kept apart.
inline constexpr size_t kBlockSize = 192;

// A block of at least cb bytes; raises std::bad_alloc like operator new.
void* Take(size_t cb);
// Gives back a block that Take handed out for cb bytes.
void Give(void* p, size_t cb) noexcept;
// Off, every block goes back to the heap, those kept so far at once, so that
// each allocation of a check reaches operator new (for allocation-failure
// tests). On by default.
void SetKeeping(bool bKeep) noexcept;

} // namespace AssistBlockCache

// For the containers of one check.
template <class T>
struct CKeptBlockAllocator
{
    using value_type = T;
    CKeptBlockAllocator() noexcept = default;
    template <class U>
    CKeptBlockAllocator(const CKeptBlockAllocator<U>&) noexcept
    {}
    T* allocate(size_t n) { return static_cast<T*>(AssistBlockCache::Take(n * sizeof(T))); }
    void deallocate(T* p, size_t n) noexcept { AssistBlockCache::Give(p, n * sizeof(T)); }
    template <class U>
    bool operator==(const CKeptBlockAllocator<U>&) const noexcept
    {
        return true;
    }
};
