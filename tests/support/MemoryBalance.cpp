#include "support/MemoryBalance.h"
#include <objbase.h>
#include <map>

namespace {

struct CBlock
{
    SIZE_T cb;
    unsigned long nSpan;
};

// Watches the task allocator. The spy lives for the whole process: it cannot
// be revoked while blocks it saw are outstanding.
class CMallocSpy final : public IMallocSpy
{
public:
    CMallocSpy() { InitializeCriticalSection(&m_cs); }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IMallocSpy)) {
            *ppv = static_cast<IMallocSpy*>(this);
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }

    STDMETHODIMP_(SIZE_T) PreAlloc(SIZE_T cbRequest) override
    {
        m_cbRequest = cbRequest;
        return cbRequest;
    }
    STDMETHODIMP_(void*) PostAlloc(void* pActual) override
    {
        if (pActual)
            Add(pActual, m_cbRequest);
        return pActual;
    }
    STDMETHODIMP_(void*) PreFree(void* pRequest, BOOL) override
    {
        Remove(pRequest);
        return pRequest;
    }
    STDMETHODIMP_(void) PostFree(BOOL) override {}
    STDMETHODIMP_(SIZE_T) PreRealloc(void* pRequest, SIZE_T cbRequest, void** ppNewRequest, BOOL) override
    {
        m_pReallocOld = pRequest;
        m_cbRequest = cbRequest;
        *ppNewRequest = pRequest;
        return cbRequest;
    }
    STDMETHODIMP_(void*) PostRealloc(void* pActual, BOOL) override
    {
        if (pActual || m_cbRequest == 0)
            Remove(m_pReallocOld);
        if (pActual)
            Add(pActual, m_cbRequest);
        return pActual;
    }
    STDMETHODIMP_(void*) PreGetSize(void* pRequest, BOOL) override { return pRequest; }
    STDMETHODIMP_(SIZE_T) PostGetSize(SIZE_T cbActual, BOOL) override { return cbActual; }
    STDMETHODIMP_(void*) PreDidAlloc(void* pRequest, BOOL) override { return pRequest; }
    STDMETHODIMP_(int) PostDidAlloc(void*, BOOL, int fActual) override { return fActual; }
    STDMETHODIMP_(void) PreHeapMinimize() override {}
    STDMETHODIMP_(void) PostHeapMinimize() override {}

    void Mark()
    {
        EnterCriticalSection(&m_cs);
        ++m_nSpan;
        LeaveCriticalSection(&m_cs);
    }
    long Outstanding()
    {
        long l = 0;
        EnterCriticalSection(&m_cs);
        for (const auto& entry : m_mapBlocks)
            l += entry.second.nSpan == m_nSpan;
        LeaveCriticalSection(&m_cs);
        return l;
    }
    std::wstring Describe()
    {
        std::wstring text;
        EnterCriticalSection(&m_cs);
        for (const auto& [pBlock, block] : m_mapBlocks) {
            if (block.nSpan != m_nSpan)
                continue;
            text += L"block of " + std::to_wstring(block.cb) + L" bytes";
            // A BSTR's text follows its byte length, at a pointer-aligned offset.
            const size_t cbHeader = sizeof(void*) == 8 ? 8 : 4;
            const char* pBytes = static_cast<const char*>(pBlock);
            DWORD cbText = block.cb >= cbHeader ? *reinterpret_cast<const DWORD*>(pBytes + cbHeader - 4) : 0;
            if (block.cb >= cbHeader + sizeof(wchar_t) && cbText <= block.cb - cbHeader - sizeof(wchar_t)) {
                const wchar_t* pText = reinterpret_cast<const wchar_t*>(pBytes + cbHeader);
                text += L", as a BSTR: \"" + std::wstring(pText, std::min<size_t>(cbText / sizeof(wchar_t), 80)) + L"\"";
            }
            text += L"\n";
        }
        LeaveCriticalSection(&m_cs);
        return text;
    }
    long Total() const { return m_lTotal; }

private:
    void Add(void* p, SIZE_T cb)
    {
        EnterCriticalSection(&m_cs);
        m_mapBlocks[p] = CBlock{cb, m_nSpan};
        ++m_lTotal;
        LeaveCriticalSection(&m_cs);
    }
    void Remove(void* p)
    {
        EnterCriticalSection(&m_cs);
        m_mapBlocks.erase(p);
        LeaveCriticalSection(&m_cs);
    }

    CRITICAL_SECTION m_cs;
    std::map<void*, CBlock> m_mapBlocks;
    unsigned long m_nSpan = 1;
    SIZE_T m_cbRequest = 0;
    void* m_pReallocOld = nullptr;
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

void CMemoryBalance::Mark()
{
    Spy().Mark();
}

long CMemoryBalance::Outstanding()
{
    return Spy().Outstanding();
}

std::wstring CMemoryBalance::DescribeOutstanding()
{
    return Spy().Describe();
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
