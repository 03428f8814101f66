#pragma once
// Every call a conformance run puts to the assistant, directly or through the
// layer, goes through PutCall: guarded and timed, watched while it runs, and
// held to the run's budget. A call that does not come back within the hang
// limit ends the run with that finding; once the assistant's calls have taken
// the whole budget, the run puts no more calls and the rules still open are
// left not judged. Each call must also leave the thread as it found it.
#include "zurhost/conformance/Findings.h"
#include "zurhost/conformance/Guard.h"
#include <string>

struct ConformanceRun;

// A sound sample spends well under a second in all its calls together; an
// assistant that has taken half a minute has shown what it does, and the
// run still ends within about a minute whatever it does.
inline constexpr double g_dRunBudgetMicros = 30e6;
// Four times the worst a host could ever wait on its user's edit.
inline constexpr DWORD g_dwHangMillis = 15000;

// Starts watching the calls; once, before the first.
void StartWatch(ConformanceRun& run);
// Puts the call, unless the run has stopped (then bSkipped). A hang breaks
// rule; so does the budget, when this is the slowest call when it runs out.
CallResult PutCall(ConformanceRun& run, Rule rule, const std::wstring& strCall, const CFunctionRef<HRESULT()>& call);
// "12.345 ms"
std::wstring Millis(double dMicros);
