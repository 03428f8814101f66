// Guarded calls. The guard is the last-chance filter, not a vectored handler:
// it sees only exceptions that no frame inside the assistant handled, so an
// assistant that raises and catches its own exceptions is left alone. The
// filter resumes at the context saved before the call; the frames of the call
// are abandoned without unwinding, which is why a faulted call's references
// are not judged afterwards. On x86_64 the filter restores that context
// itself: the dispatcher refuses to continue a non-continuable exception.
// On i686 it hands the context back to the dispatcher (a non-continuable
// exception there still ends the process), and the chain of exception
// registrations is put back as it was before the call.
#include "zurhost/conformance/Guard.h"

namespace {

struct GuardFrame
{
    alignas(16) CONTEXT context;
    volatile LONG lArmed;
    volatile LONG lFaulted;
    volatile DWORD dwException;
    DWORD dwThread;
#if defined(__i386__)
    DWORD dwExceptionList; // the head of the thread's registrations before the call
#endif
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
#if defined(_WIN64)
    RtlRestoreContext(&g_frame.context, nullptr);
#endif
    *pInfo->ContextRecord = g_frame.context;
    return EXCEPTION_CONTINUE_EXECUTION;
}

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
    g_frame.dwThread = GetCurrentThreadId();
    g_pfnPrevious = SetUnhandledExceptionFilter(&LastChance);
}

CallResult GuardedCall(const CFunctionRef<HRESULT()>& call)
{
    // Disarmed on every way out, a C++ exception of the call included.
    struct CDisarm
    {
        ~CDisarm() { g_frame.lArmed = 0; }
    } disarm;
    CallResult result;
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    g_frame.lFaulted = 0;
#if defined(__i386__)
    g_frame.dwExceptionList = __readfsdword(0);
#endif
    RtlCaptureContext(&g_frame.context);
    // A fault resumes here a second time, with lFaulted set.
    if (!g_frame.lFaulted) {
        g_frame.lArmed = 1;
        result.hr = call();
        g_frame.lArmed = 0;
    } else {
#if defined(__i386__)
        __writefsdword(0, g_frame.dwExceptionList);
#endif
        result.bFaulted = true;
        result.dwException = g_frame.dwException;
    }
    result.dMicros = MicrosSince(start);
    return result;
}
