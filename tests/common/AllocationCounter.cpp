// Counts this program's operator-new calls and fails those of one chosen size.
#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<long> g_lCalls{0};
std::atomic<size_t> g_cbFail{0};
} // namespace

long OperatorNewCalls()
{
    return g_lCalls;
}

void FailAllocationsOfSize(size_t cb)
{
    g_cbFail = cb;
}

void* operator new(size_t cb)
{
    ++g_lCalls;
    if (cb != 0 && cb == g_cbFail)
        throw std::bad_alloc();
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
