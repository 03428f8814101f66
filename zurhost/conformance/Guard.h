#pragma once
// One call into the assistant under test, timed and guarded: a structured
// exception that nothing inside the call handles ends the call, not the run.
#include "com/FunctionRef.h"
#include <windows.h>

struct CallResult
{
    HRESULT hr = E_UNEXPECTED;
    bool bFaulted = false;
    DWORD dwException = 0; // the exception's code when bFaulted
    double dMicros = 0;
    bool bSkipped = false; // the run had stopped: the call was not made
};

// Takes the process's last-chance exception filter for the thread that calls
// GuardedCall; other threads and exceptions outside a call go on to the filter
// that was there before.
void InstallFaultGuard();
// Calls are not nested: the layer's own calls into the assistant run inside
// the one guarded call into the layer.
CallResult GuardedCall(const CFunctionRef<HRESULT()>& call);
