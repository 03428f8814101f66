// The pace of a conformance run: the watch over the call under way, the
// run's budget, and the thread state every call must leave as it found it.
#include "zurhost/conformance/Pacing.h"
#include "zurhost/Names.h"
#include "zurhost/conformance/ConformanceRun.h"
#include <cwchar>

namespace {

// The call under way, for the watching thread. The lock keeps a call that
// returns just as its time runs out from going on while the run is ended.
struct Watch
{
    CRITICAL_SECTION lock;
    ConformanceRun* pRun = nullptr;
    const std::wstring* pstrCall = nullptr; // null: no call under way
    Rule rule = Rule::Timing;
    ULONGLONG ullStart = 0;
} g_watch;

DWORD WINAPI WatchCalls(void*)
{
    for (;;) {
        Sleep(250);
        EnterCriticalSection(&g_watch.lock);
        if (g_watch.pstrCall && GetTickCount64() - g_watch.ullStart >= g_dwHangMillis) {
            ConformanceRun& run = *g_watch.pRun;
            run.findings.Fail(g_watch.rule, *g_watch.pstrCall + L" did not return within " +
                                                std::to_wstring(g_dwHangMillis / 1000) + L" s");
            run.findings.Stop(L"a call did not return, and the run ended there");
            // The call still holds the thread: end the process without waiting on it.
            TerminateProcess(GetCurrentProcess(), static_cast<UINT>(FinishRun(run)));
        }
        LeaveCriticalSection(&g_watch.lock);
    }
}

void Watching(const std::wstring* pstrCall, Rule rule)
{
    EnterCriticalSection(&g_watch.lock);
    g_watch.pstrCall = pstrCall;
    g_watch.rule = rule;
    g_watch.ullStart = GetTickCount64();
    LeaveCriticalSection(&g_watch.lock);
}

// The floating-point control (the x87 control word, and MXCSR but for its
// sticky status flags) and the thread's apartment.
struct ThreadState
{
    ThreadState()
    {
        __asm__ __volatile__("fnstcw %0" : "=m"(wX87));
        __asm__ __volatile__("stmxcsr %0" : "=m"(dwMxcsr));
        if (FAILED(CoGetApartmentType(&apartment, &qualifier)))
            apartment = APTTYPE_CURRENT; // not initialised
    }
    void Restore()
    {
        __asm__ __volatile__("fldcw %0" : : "m"(wX87));
        __asm__ __volatile__("ldmxcsr %0" : : "m"(dwMxcsr));
    }
    std::wstring Float() const
    {
        wchar_t text[48];
        swprintf(text, 48, L"x87 0x%04X, MXCSR 0x%04X", wX87 & 0x1F3F, dwMxcsr & 0xFFC0);
        return text;
    }

    unsigned short wX87 = 0;
    DWORD dwMxcsr = 0;
    APTTYPE apartment;
    APTTYPEQUALIFIER qualifier;
};

void JudgeThreadState(ConformanceRun& run, const std::wstring& strCall, ThreadState& before)
{
    ThreadState after;
    if (after.Float() != before.Float()) {
        run.findings.Fail(Rule::ThreadState, strCall + L" changed the floating-point control from " + before.Float() +
                                                 L" to " + after.Float());
        before.Restore(); // the host's arithmetic goes on as before
    }
    if (after.apartment != before.apartment)
        run.findings.Fail(Rule::ThreadState, strCall + L" changed the thread's COM apartment from type " +
                                                 std::to_wstring(before.apartment) + L" to " +
                                                 std::to_wstring(after.apartment));
}

void SpendBudget(ConformanceRun& run, Rule rule, const std::wstring& strCall, double dMicros)
{
    run.dSpentMicros += dMicros;
    if (dMicros > run.slowest.dMicros) {
        run.slowest = {dMicros, strCall};
        run.slowestRule = rule;
    }
    if (run.dSpentMicros <= g_dRunBudgetMicros)
        return;
    const std::wstring budget = std::to_wstring(static_cast<int>(g_dRunBudgetMicros / 1e6)) + L" s";
    run.findings.Fail(run.slowestRule, run.slowest.strCall + L" took " + Millis(run.slowest.dMicros) +
                                           L"; the run stopped putting calls once the assistant's calls had taken " +
                                           budget);
    run.findings.Stop(L"the run stopped putting calls once the assistant's calls had taken " + budget);
}

} // namespace

std::wstring Millis(double dMicros)
{
    wchar_t text[32];
    swprintf(text, 32, L"%.3f ms", dMicros / 1000);
    return text;
}

void StartWatch(ConformanceRun& run)
{
    InitializeCriticalSection(&g_watch.lock);
    g_watch.pRun = &run;
    HANDLE hThread = CreateThread(nullptr, 0, &WatchCalls, nullptr, 0, nullptr);
    if (hThread)
        CloseHandle(hThread);
}

CallResult PutCall(ConformanceRun& run, Rule rule, const std::wstring& strCall, const CFunctionRef<HRESULT()>& call)
{
    CallResult result;
    if (run.findings.Stopped()) {
        result.bSkipped = true;
        return result;
    }
    ThreadState before;
    Watching(&strCall, rule);
    result = GuardedCall(call);
    Watching(nullptr, rule);
    JudgeThreadState(run, strCall, before);
    SpendBudget(run, rule, strCall, result.dMicros);
    return result;
}
