// Guarded calls: only exceptions that no frame inside the assistant handled
// end a call, so an assistant that raises and catches its own exceptions is
// left alone. The frames of a faulted call are abandoned without unwinding,
// which is why a faulted call's references are not judged afterwards.
// On x86_64 the guard is the last-chance filter, which resumes at the context
// saved before the call (restoring it itself: the dispatcher refuses to
// continue a non-continuable exception). On i686 the call runs under an
// exception registration of its own, the outermost one inside the call, whose
// handler jumps back to where the call began; there the dispatcher would end
// the process on a non-continuable exception before any filter could help.
#include "zurhost/conformance/Guard.h"

namespace {

#if defined(__i386__)
struct CCallRegistration
{
    EXCEPTION_REGISTRATION_RECORD record; // first: the handler is given its address
    void* jmpBuffer[5];
    DWORD dwException;
};

EXCEPTION_DISPOSITION NTAPI EndFaultedCall(EXCEPTION_RECORD* pRecord, void* pEstablisher, CONTEXT*, void*)
{
    if (pRecord->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND))
        return ExceptionContinueSearch;
    auto* pCall = static_cast<CCallRegistration*>(pEstablisher);
    pCall->dwException = pRecord->ExceptionCode;
    __builtin_longjmp(pCall->jmpBuffer, 1);
}

// The registration is taken off again on every way out: a return, a fault
// (the dispatcher's own registrations above it go with it) and a C++
// exception of the call.
__attribute__((noinline)) void CallUnderRegistration(const CFunctionRef<HRESULT()>& call, CallResult& result)
{
    CCallRegistration registration{};
    registration.record.Next = reinterpret_cast<EXCEPTION_REGISTRATION_RECORD*>(__readfsdword(0));
    registration.record.Handler = &EndFaultedCall;
    const DWORD dwOuter = reinterpret_cast<DWORD>(registration.record.Next);
    if (__builtin_setjmp(registration.jmpBuffer)) {
        __writefsdword(0, dwOuter);
        result.bFaulted = true;
        result.dwException = registration.dwException;
        return;
    }
    __writefsdword(0, reinterpret_cast<DWORD>(&registration.record));
    try {
        result.hr = call();
    } catch (...) {
        __writefsdword(0, dwOuter);
        throw;
    }
    __writefsdword(0, dwOuter);
}
#else
struct GuardFrame
{
    alignas(16) CONTEXT context;
    volatile LONG lArmed;
    volatile LONG lFaulted;
    volatile DWORD dwException;
    DWORD dwThread;
};

GuardFrame g_frame{};
LPTOP_LEVEL_EXCEPTION_FILTER g_pfnPrevious = nullptr;

LONG WINAPI LastChance(EXCEPTION_POINTERS* pInfo)
{
    if (!g_frame.lArmed || GetCurrentThreadId() != g_frame.dwThread)
        return g_pfnPrevious ? g_pfnPrevious(pInfo) : EXCEPTION_CONTINUE_SEARCH;
    g_frame.lArmed = 0;
    g_frame.lFaulted = 1;
    g_frame.dwException = pInfo->ExceptionRecord->ExceptionCode;
    RtlRestoreContext(&g_frame.context, nullptr); // does not return
    return EXCEPTION_CONTINUE_EXECUTION;
}
#endif

double MicrosSince(const LARGE_INTEGER& start)
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart - start.QuadPart) * 1e6 / static_cast<double>(frequency.QuadPart);
}

} // namespace

void InstallFaultGuard()
{
#if !defined(__i386__)
    g_frame.dwThread = GetCurrentThreadId();
    g_pfnPrevious = SetUnhandledExceptionFilter(&LastChance);
#endif
}

CallResult GuardedCall(const CFunctionRef<HRESULT()>& call)
{
    CallResult result;
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
#if defined(__i386__)
    CallUnderRegistration(call, result);
#else
    // Disarmed on every way out, a C++ exception of the call included.
    struct CDisarm
    {
        ~CDisarm() { g_frame.lArmed = 0; }
    } disarm;
    g_frame.lFaulted = 0;
    RtlCaptureContext(&g_frame.context);
    // A fault resumes here a second time, with lFaulted set.
    if (!g_frame.lFaulted) {
        g_frame.lArmed = 1;
        result.hr = call();
        g_frame.lArmed = 0;
    } else {
        result.bFaulted = true;
        result.dwException = g_frame.dwException;
    }
#endif
    result.dMicros = MicrosSince(start);
    return result;
}
