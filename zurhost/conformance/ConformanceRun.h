#pragma once
// What the rule families of a conformance run share: the assistant's names,
// the plant, the findings, the times of the checks and the stand-in for the
// layer that the assistant is handed when it is driven directly.
#include "zurhost/conformance/Checks.h"
#include "zurhost/conformance/Findings.h"
#include "zurhost/conformance/Guard.h"
#include "zurhost/conformance/LayerProbe.h"
#include "zurhost/conformance/Pacing.h"
#include <string>
#include <vector>

struct TimedCall
{
    double dMicros;
    std::wstring strCall;
};

struct ConformanceRun
{
    std::wstring strProgId, strProtocol;
    std::wstring strErrDB; // the protocol's error database, as bound, for the layer
    CPlant plant;
    CFindings findings;
    std::vector<TimedCall> times;          // the checks of the walk
    std::vector<TimedCall> lifecycleTimes; // Init, InitEx, Term, NewProjectCreated
    double dSpentMicros = 0;               // in all calls put so far
    TimedCall slowest{0, {}};
    Rule slowestRule = Rule::Timing;
    ULONGLONG ullStarted = GetTickCount64();
    bool bJson = false;
    std::wstring strJunit;            // --junit: the file to write
    bool bFaulted = false;            // a call was abandoned: references cannot be judged
    ComPtr<CLayerProbe> spLayerProbe; // pdispLayer of the direct calls, watching for call-backs
};

// Which rules judge an answer: all of them for the assistant's own answers
// to sound arguments; the robustness calls and the layer's answers only for
// what any call must keep.
enum Judging : unsigned
{
    JudgeOuts = 1,
    JudgeFailureInfo = 2,
    JudgeTime = 4,
    JudgeUnusual = 8, // a call with unusual arguments: an exception breaks robustness
    JudgeAll = JudgeOuts | JudgeFailureInfo | JudgeTime,
    JudgeAlways = 0, // exceptions and strings
};

// Puts one check to the assistant, guarded, and judges the answer.
struct CheckAnswer
{
    CallResult result;
    std::wstring strMsg, strErrDB; // as handed out, when they were sound strings
};
CheckAnswer AskAssistant(ConformanceRun& run, IAssist2* pAssist, const CPlant& plant, const CheckCall& call,
                         unsigned judging);
// Judges an answer: exceptions, out-parameters, strings (and frees those that
// are sound), failure information, and the call's time.
void JudgeAnswer(ConformanceRun& run, const std::wstring& strCall, const CallResult& result, CheckOuts& outs,
                 unsigned judging);
// Judges a call without out-parameters, where only an exception counts;
// false when one ended the call.
bool JudgeAnswer(ConformanceRun& run, const std::wstring& strCall, const CallResult& result,
                 unsigned judging = JudgeAlways);
// Why a string cannot be the BSTR it claims to be, or "".
std::wstring BstrProblem(BSTR bstr);

// The rule families.
ComPtr<IAssist2> CheckCreation(ConformanceRun& run);
void StartAssistant(ConformanceRun& run, IAssist2* pAssist, IDispatch* pTopology, const std::wstring& strWhen);
void StopAssistant(ConformanceRun& run, IAssist2* pAssist, const std::wstring& strWhen);
void CheckLifecycle(ConformanceRun& run, IAssist2* pAssist);
void CheckRobustness(ConformanceRun& run, IAssist2* pAssist);
void CheckHostReferences(ConformanceRun& run, long lBefore);
void CheckOwnReferences(ConformanceRun& run, ComPtr<IAssist2>& spAssist);
void CheckRepetition(ConformanceRun& run, IAssist2* pAssist);
void CheckTiming(ConformanceRun& run);
void CheckThroughLayer(ConformanceRun& run);

// The timing budget per check call, in microseconds.
inline constexpr double g_dMedianBudgetMicros = 5000;
inline constexpr double g_dWorstBudgetMicros = 250000;
// Per lifecycle call: a host opening a project with forty assistants waits
// ten seconds at worst before its user can go on.
inline constexpr double g_dLifecycleBudgetMicros = 250000;

// Prints the run (and writes its JUnit file) and answers the exit status;
// also called from the watch when a call does not return.
int FinishRun(ConformanceRun& run);
