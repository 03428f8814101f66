// Repetition: the checks of the walk put again, kind by kind, to the started
// assistant. What it keeps must not grow with the number of calls: the task
// allocator, watched through an allocator spy, and the process's private
// memory are measured around the repeated calls, after one pass that lets
// the assistant fill its caches. And within the cycle each repeated call must
// get the answer its first asking got.
#include "zurhost/Names.h"
#include "zurhost/conformance/ConformanceRun.h"
#include <map>
#include <unordered_map>

namespace {

// Per kind of check: the first calls of the walk, repeated until this many
// calls are measured.
constexpr size_t g_cCallsOfKind = 8;
constexpr size_t g_cMeasuredCalls = 64;
// Growth allowed over the measured calls of one kind: the BSTR cache keeps
// some freed strings, and the heap commits in steps of up to 64 KB. A leak of
// 1 KB a call is four times either.
constexpr LONGLONG g_llTaskAllowance = 16LL * 1024;
constexpr LONGLONG g_llPrivateAllowance = 128LL * 1024;

// The bytes of the task allocator now live, of those allocated since it was
// registered.
class CMallocSpy : public IMallocSpy
{
public:
    LONGLONG Live()
    {
        EnterCriticalSection(&m_lock);
        LONGLONG llLive = m_llLive;
        LeaveCriticalSection(&m_lock);
        return llLive;
    }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IMallocSpy) ? this : nullptr;
        return *ppv ? S_OK : E_NOINTERFACE;
    }
    // A static object: the counts do not govern its life.
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP_(SIZE_T) PreAlloc(SIZE_T cbRequest) override { return m_cbRequest = cbRequest; }
    STDMETHODIMP_(void*) PostAlloc(void* pActual) override { return Track(nullptr, pActual, m_cbRequest); }
    STDMETHODIMP_(void*) PreFree(void* pRequest, BOOL fSpyed) override
    {
        if (fSpyed)
            Track(pRequest, nullptr, 0);
        return pRequest;
    }
    STDMETHODIMP_(void) PostFree(BOOL) override {}
    STDMETHODIMP_(SIZE_T) PreRealloc(void* pRequest, SIZE_T cbRequest, void** ppNewRequest, BOOL fSpyed) override
    {
        m_pReallocated = fSpyed ? pRequest : nullptr;
        *ppNewRequest = pRequest;
        return m_cbRequest = cbRequest;
    }
    STDMETHODIMP_(void*) PostRealloc(void* pActual, BOOL) override
    {
        // A failed reallocation leaves the old block as it was.
        return pActual || !m_cbRequest ? Track(m_pReallocated, pActual, m_cbRequest) : pActual;
    }
    STDMETHODIMP_(void*) PreGetSize(void* pRequest, BOOL) override { return pRequest; }
    STDMETHODIMP_(SIZE_T) PostGetSize(SIZE_T cbActual, BOOL) override { return cbActual; }
    STDMETHODIMP_(void*) PreDidAlloc(void* pRequest, BOOL) override { return pRequest; }
    STDMETHODIMP_(int) PostDidAlloc(void*, BOOL, int fActual) override { return fActual; }
    STDMETHODIMP_(void) PreHeapMinimize() override {}
    STDMETHODIMP_(void) PostHeapMinimize() override {}

    CMallocSpy() { InitializeCriticalSection(&m_lock); }

private:
    // The block pOld goes, pNew of cbNew bytes comes (either may be null).
    void* Track(void* pOld, void* pNew, SIZE_T cbNew)
    {
        EnterCriticalSection(&m_lock);
        if (auto found = pOld ? m_blocks.find(pOld) : m_blocks.end(); found != m_blocks.end()) {
            m_llLive -= static_cast<LONGLONG>(found->second);
            m_blocks.erase(found);
        }
        if (pNew) {
            m_blocks[pNew] = cbNew;
            m_llLive += static_cast<LONGLONG>(cbNew);
        }
        LeaveCriticalSection(&m_lock);
        return pNew;
    }

    CRITICAL_SECTION m_lock;
    std::unordered_map<void*, SIZE_T> m_blocks;
    LONGLONG m_llLive = 0;
    SIZE_T m_cbRequest = 0;
    void* m_pReallocated = nullptr;
};

CMallocSpy g_spy;

// Committed private memory: the heaps, and whatever the process allocated
// from the system itself.
LONGLONG PrivateBytes()
{
    LONGLONG llBytes = 0;
    MEMORY_BASIC_INFORMATION region{};
    for (const BYTE* p = nullptr; VirtualQuery(p, &region, sizeof(region)) == sizeof(region);) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE)
            llBytes += static_cast<LONGLONG>(region.RegionSize);
        const BYTE* pNext = static_cast<const BYTE*>(region.BaseAddress) + region.RegionSize;
        if (pNext <= p)
            break;
        p = pNext;
    }
    return llBytes;
}

std::wstring AnswerText(const CheckAnswer& answer)
{
    return HexCode(answer.result.hr) + L" \"" + answer.strMsg + L"\" (error database \"" + answer.strErrDB + L"\")";
}

bool Answered(const CheckAnswer& answer)
{
    return !answer.result.bFaulted && !answer.result.bSkipped;
}

void JudgeGrowth(ConformanceRun& run, CheckId id, const wchar_t* pszWhat, LONGLONG llGrowth, LONGLONG llAllowance)
{
    if (llGrowth <= llAllowance)
        return;
    run.findings.Fail(Rule::Memory,
                      std::wstring(CheckName(id)) + L" grew " + pszWhat + L" by " + std::to_wstring(llGrowth) +
                          L" bytes over " + std::to_wstring(g_cMeasuredCalls) + L" repeated calls (" +
                          std::to_wstring(llGrowth / static_cast<LONGLONG>(g_cMeasuredCalls)) + L" bytes a call)");
}

// One kind: a pass to warm up, then the measured calls, each answer compared
// with the first. False when a call of the kind faulted or was not made: its
// memory cannot be judged.
bool RepeatKind(ConformanceRun& run, IAssist2* pAssist, CheckId id, const std::vector<CheckCall>& calls)
{
    std::vector<CheckAnswer> first;
    bool bAnswered = true;
    for (const CheckCall& call : calls) {
        first.push_back(AskAssistant(run, pAssist, run.plant, call, JudgeAlways));
        bAnswered = bAnswered && Answered(first.back());
    }
    const LONGLONG llTask = g_spy.Live(), llPrivate = PrivateBytes();
    for (size_t i = 0; i < g_cMeasuredCalls && bAnswered; ++i) {
        const CheckCall& call = calls[i % calls.size()];
        CheckAnswer answer = AskAssistant(run, pAssist, run.plant, call, JudgeAlways);
        bAnswered = Answered(answer);
        const CheckAnswer& was = first[i % calls.size()];
        if (bAnswered &&
            (answer.result.hr != was.result.hr || answer.strMsg != was.strMsg || answer.strErrDB != was.strErrDB))
            run.findings.Fail(Rule::Determinism, Describe(call) + L" answered " + AnswerText(answer) +
                                                     L", where it first answered " + AnswerText(was));
    }
    if (!bAnswered)
        return false;
    JudgeGrowth(run, id, L"task memory", g_spy.Live() - llTask, g_llTaskAllowance);
    JudgeGrowth(run, id, L"private memory", PrivateBytes() - llPrivate, g_llPrivateAllowance);
    return true;
}

} // namespace

void CheckRepetition(ConformanceRun& run, IAssist2* pAssist)
{
    run.findings.Judge(Rule::Determinism);
    std::map<CheckId, std::vector<CheckCall>> kinds;
    for (const CheckCall& call : AllChecks(run.plant))
        if (kinds[call.id].size() < g_cCallsOfKind)
            kinds[call.id].push_back(call);
    const bool bSpy = SUCCEEDED(CoRegisterMallocSpy(&g_spy));
    // Some runtimes look a block up among the spied ones before they keep any
    // list of them: one spied block makes the list.
    if (bSpy)
        CoTaskMemFree(CoTaskMemAlloc(1));
    size_t cJudged = 0;
    for (const auto& [id, calls] : kinds)
        cJudged += RepeatKind(run, pAssist, id, calls) ? 1 : 0;
    if (bSpy)
        CoRevokeMallocSpy(); // with blocks still live, the runtime keeps it until they go
    if (cJudged && bSpy)
        run.findings.Judge(Rule::Memory);
    run.findings.Note(Rule::Memory, !bSpy     ? L"not judged: the allocator spy could not be registered"
                                    : cJudged ? std::to_wstring(cJudged) + L" kinds of check, " +
                                                    std::to_wstring(g_cMeasuredCalls) +
                                                    L" calls each after a warm-up pass; allowance " +
                                                    std::to_wstring(g_llTaskAllowance / 1024) + L" KB task, " +
                                                    std::to_wstring(g_llPrivateAllowance / 1024) + L" KB private"
                                              : L"not judged: every kind of check faulted");
}
