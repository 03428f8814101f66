// Timing: each check of the walk over the plant, against the budget. A host
// asks before every edit a user makes, so the worst call is what a user feels.
#include "zurhost/conformance/ConformanceRun.h"
#include <algorithm>

namespace {

// Lifecycle timing: each of Init, InitEx, Term and NewProjectCreated against
// its budget; a host opening a project waits on all its assistants in turn.
void CheckLifecycleTiming(ConformanceRun& run)
{
    const TimedCall* pWorst = nullptr;
    for (const TimedCall& call : run.lifecycleTimes) {
        if (!pWorst || call.dMicros > pWorst->dMicros)
            pWorst = &call;
        if (call.dMicros > g_dLifecycleBudgetMicros)
            run.findings.Fail(Rule::LifecycleTiming, call.strCall + L" took " + Millis(call.dMicros) +
                                                         L", over the budget of " + Millis(g_dLifecycleBudgetMicros));
    }
    if (pWorst)
        run.findings.Note(Rule::LifecycleTiming, L"worst " + Millis(pWorst->dMicros) + L" (" + pWorst->strCall +
                                                     L") over " + std::to_wstring(run.lifecycleTimes.size()) +
                                                     L" calls; budget " + Millis(g_dLifecycleBudgetMicros));
}

} // namespace

void CheckTiming(ConformanceRun& run)
{
    CheckLifecycleTiming(run);
    if (run.times.empty()) {
        run.findings.Note(Rule::Timing, L"not judged: no check answered");
        return;
    }
    run.findings.Judge(Rule::Timing);
    std::vector<double> micros;
    for (const auto& time : run.times)
        micros.push_back(time.dMicros);
    std::sort(micros.begin(), micros.end());
    const double dMedian = micros[micros.size() / 2];
    auto itWorst = std::max_element(run.times.begin(), run.times.end(),
                                    [](const TimedCall& a, const TimedCall& b) { return a.dMicros < b.dMicros; });
    run.findings.Note(Rule::Timing, L"median " + Millis(dMedian) + L", worst " + Millis(itWorst->dMicros) + L" (" +
                                        itWorst->strCall + L") over " + std::to_wstring(micros.size()) +
                                        L" calls; budget: median " + Millis(g_dMedianBudgetMicros) + L", worst " +
                                        Millis(g_dWorstBudgetMicros));
    if (dMedian > g_dMedianBudgetMicros)
        run.findings.Fail(Rule::Timing, L"the median call took " + Millis(dMedian) + L", over the budget of " +
                                            Millis(g_dMedianBudgetMicros));
    if (itWorst->dMicros > g_dWorstBudgetMicros)
        run.findings.Fail(Rule::Timing, itWorst->strCall + L" took " + Millis(itWorst->dMicros) +
                                            L", over the budget of " + Millis(g_dWorstBudgetMicros));
}
