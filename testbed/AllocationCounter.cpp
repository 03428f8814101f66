#include "testbed/AllocationCounter.h"
#include "hostfiles/MallocSpy.h"
#include <objbase.h>
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <map>
#include <new>

namespace {

std::atomic<long> g_lNews{0};
std::atomic<long> g_lFailNewAt{0};
std::atomic<size_t> g_cbFail{0};

struct CBlock
{
    SIZE_T cb;
    unsigned long nSpan;
};

// The spy's bookkeeping takes its memory straight from malloc: a test that
// makes operator new fail must not make the spy fail.
template <class T>
struct CMallocAllocator
{
    using value_type = T;
    CMallocAllocator() noexcept = default;
    template <class U>
    CMallocAllocator(const CMallocAllocator<U>&) noexcept
    {}
    T* allocate(size_t n)
    {
        if (void* p = std::malloc(n * sizeof(T)))
            return static_cast<T*>(p);
        std::abort();
    }
    void deallocate(T* p, size_t) noexcept { std::free(p); }
    template <class U>
    bool operator==(const CMallocAllocator<U>&) const noexcept
    {
        return true;
    }
};
using BlockMap = std::map<void*, CBlock, std::less<void*>, CMallocAllocator<std::pair<void* const, CBlock>>>;

// Watches the task allocator: every block goes, whoever allocated it.
class CMallocSpy final : public CMallocSpyBase
{
public:
    void Mark()
    {
        EnterCriticalSection(&m_lock);
        ++m_nSpan;
        LeaveCriticalSection(&m_lock);
    }
    // The blocks of the current span, and their description when asked.
    long Outstanding(std::wstring* pText)
    {
        long l = 0;
        EnterCriticalSection(&m_lock);
        for (const auto& [pBlock, block] : m_mapBlocks) {
            if (block.nSpan != m_nSpan)
                continue;
            ++l;
            if (pText)
                *pText += Describe(static_cast<const char*>(pBlock), block.cb);
        }
        LeaveCriticalSection(&m_lock);
        return l;
    }
    long Total() const { return m_lTotal; }

private:
    static std::wstring Describe(const char* pBytes, SIZE_T cb)
    {
        std::wstring text = L"block of " + std::to_wstring(cb) + L" bytes";
        // A BSTR's text follows its byte length, at a pointer-aligned offset.
        const size_t cbHeader = sizeof(void*);
        DWORD cbText = cb >= cbHeader ? *reinterpret_cast<const DWORD*>(pBytes + cbHeader - 4) : 0;
        if (cb >= cbHeader + sizeof(wchar_t) && cbText <= cb - cbHeader - sizeof(wchar_t))
            text += L", as a BSTR: \"" +
                    std::wstring(reinterpret_cast<const wchar_t*>(pBytes + cbHeader),
                                 std::min<size_t>(cbText / sizeof(wchar_t), 80)) +
                    L"\"";
        return text + L"\n";
    }
    void OnAlloc(void* p, SIZE_T cb) override
    {
        m_mapBlocks[p] = CBlock{cb, m_nSpan};
        ++m_lTotal;
    }
    void OnFree(void* p, BOOL) override { m_mapBlocks.erase(p); }

    BlockMap m_mapBlocks;
    unsigned long m_nSpan = 1;
    long m_lTotal = 0;
};

CMallocSpy* g_pSpy = nullptr;
bool g_bSpyActive = false;

CMallocSpy& Spy()
{
    if (!g_pSpy) {
        g_pSpy = new CMallocSpy();
        g_bSpyActive = SUCCEEDED(CoRegisterMallocSpy(g_pSpy));
        // The runtime's bookkeeping of spied blocks starts with the first
        // one; a free before that has been seen to fault.
        CoTaskMemFree(CoTaskMemAlloc(1));
    }
    return *g_pSpy;
}

} // namespace

long OperatorNewCalls()
{
    return g_lNews;
}

void FailOperatorNewAt(long lFailAt)
{
    g_lFailNewAt = lFailAt ? g_lNews + lFailAt : 0;
}

void FailAllocationsOfSize(size_t cb)
{
    g_cbFail = cb;
}

void* operator new(size_t cb)
{
    if (++g_lNews == g_lFailNewAt || (cb != 0 && cb == g_cbFail))
        throw std::bad_alloc();
    if (void* p = std::malloc(cb ? cb : 1))
        return p;
    throw std::bad_alloc();
}

// The compiler cannot tell that these blocks came from the malloc above.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept
{
    std::free(p);
}
#pragma GCC diagnostic pop

void operator delete(void* p, size_t) noexcept
{
    ::operator delete(p);
}

void CMemoryBalance::Mark()
{
    Spy().Mark();
}

long CMemoryBalance::Outstanding()
{
    return Spy().Outstanding(nullptr);
}

std::wstring CMemoryBalance::DescribeOutstanding()
{
    std::wstring text;
    Spy().Outstanding(&text);
    return text;
}

long CMemoryBalance::TotalAllocations()
{
    return Spy().Total();
}

bool CMemoryBalance::SpyActive()
{
    Spy();
    return g_bSpyActive;
}
