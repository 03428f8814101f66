// Repetition: the checks of the walk put again, kind by kind, to the started
// assistant. What it keeps must not grow with the number of calls: the task
// allocator, watched through an allocator spy, and the process's private
// memory are measured around the repeated calls, after one pass that lets
// the assistant fill its caches. And within the cycle each repeated call must
// get the answer its first asking got.
#include "hostfiles/MallocSpy.h"
#include "zurhost/Names.h"
#include "zurhost/conformance/ConformanceRun.h"
#include <map>
#include <unordered_map>

namespace {

// Per kind of check: the first calls of the walk, repeated until this many
// calls are measured.
constexpr size_t kCallsOfKind = 8;
constexpr size_t kMeasuredCalls = 64;
// Growth allowed over the measured calls of one kind: the BSTR cache keeps
// some freed strings, and the heap commits in steps of up to 64 KB. A leak of
// 1 KB a call is four times either.
constexpr LONGLONG kTaskAllowance = 16LL * 1024;
constexpr LONGLONG kPrivateAllowance = 128LL * 1024;

// The bytes of the task allocator now live, of those allocated since it was
// registered: a block allocated before is no block of the assistant's.
class CMallocSpy final : public CMallocSpyBase
{
public:
    LONGLONG Live()
    {
        EnterCriticalSection(&m_lock);
        LONGLONG llLive = m_llLive;
        LeaveCriticalSection(&m_lock);
        return llLive;
    }

private:
    void OnAlloc(void* p, SIZE_T cb) override
    {
        m_blocks[p] = cb;
        m_llLive += static_cast<LONGLONG>(cb);
    }
    void OnFree(void* p, BOOL fSpyed) override
    {
        if (auto found = fSpyed ? m_blocks.find(p) : m_blocks.end(); found != m_blocks.end()) {
            m_llLive -= static_cast<LONGLONG>(found->second);
            m_blocks.erase(found);
        }
    }

    std::unordered_map<void*, SIZE_T> m_blocks;
    LONGLONG m_llLive = 0;
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
                          L" bytes over " + std::to_wstring(kMeasuredCalls) + L" repeated calls (" +
                          std::to_wstring(llGrowth / static_cast<LONGLONG>(kMeasuredCalls)) + L" bytes a call)");
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
    for (size_t i = 0; i < kMeasuredCalls && bAnswered; ++i) {
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
    JudgeGrowth(run, id, L"task memory", g_spy.Live() - llTask, kTaskAllowance);
    JudgeGrowth(run, id, L"private memory", PrivateBytes() - llPrivate, kPrivateAllowance);
    return true;
}

} // namespace

void CheckRepetition(ConformanceRun& run, IAssist2* pAssist)
{
    run.findings.Judge(Rule::Determinism);
    std::map<CheckId, std::vector<CheckCall>> kinds;
    for (const CheckCall& call : AllChecks(run.plant))
        if (kinds[call.id].size() < kCallsOfKind)
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
                                                    std::to_wstring(kMeasuredCalls) +
                                                    L" calls each after a warm-up pass; allowance " +
                                                    std::to_wstring(kTaskAllowance / 1024) + L" KB task, " +
                                                    std::to_wstring(kPrivateAllowance / 1024) + L" KB private"
                                              : L"not judged: every kind of check faulted");
}
