// The scenario again and again, with the n-th host or assistant call failing,
// for every n: an error, a null out-object, or S_FALSE instead of S_OK.
#include <set>
#include "common/AssistBlockCache.h"
#include "robustness/Scenario.h"
#include "support/MemoryBalance.h"

namespace {

bool IsCheck(int nStep)
{
    return nStep >= kStepFirstCheck && nStep < kStepNewProject;
}

const CheckKind& CheckOf(int nStep)
{
    return kChecks[nStep - kStepFirstCheck];
}

// What the step answers when its nPosition-th assistant call showed the fault;
// every other assistant answers S_OK with strings.
HRESULT AssistantFaultResult(int nStep, Fault fault, int nPosition)
{
    if (!IsCheck(nStep))
        return fault == Fault::Error ? kInjectedError : S_OK;
    const CheckKind& check = CheckOf(nStep);
    switch (fault) {
    case Fault::Error:
        return check.bFirstResult && nPosition > 0 ? S_OK : kInjectedError;
    case Fault::OtherSuccess:
        return check.bFirstFalseRefused && nPosition == 0 ? E_FAIL : S_OK;
    default:
        return S_OK;
    }
}

// What a step may answer when a host call inside it failed.
std::set<HRESULT> HostFaultResults(int nStep, HRESULT hrNormal)
{
    if (nStep == kStepInit)
        return {hrNormal, kInjectedError, E_POINTER};
    if (IsCheck(nStep))
        return {hrNormal, E_FAIL};
    return {hrNormal};
}

class FaultInjectionTest : public ScenarioTest, public testing::WithParamInterface<Fault>
{};

TEST_P(FaultInjectionTest, EveryCallFailingInTurnGivesItsResultAndLeavesNothingBehind)
{
    const CScenarioRun normal = Run();
    ASSERT_EQ(normal.nSteps, kStepCount);
    for (int nStep = 0; nStep < kStepCount; ++nStep)
        ASSERT_EQ(normal.hr[nStep], S_OK) << StepName(nStep);
    const long lCalls = normal.lCallsBefore[kStepCount];
    ASSERT_GT(lCalls, 100);

    const Fault fault = GetParam();
    for (long n = 1; n <= lCalls; ++n) {
        CFaultPlan::Plan(n, fault);
        const CScenarioRun run = Run();
        const int nFaulted = run.StepOfCall(n);
        int nPosition = -1;
        const int nAssistant = FaultedAssistant(run, nFaulted, &nPosition);
        const bool bAssistant = nAssistant >= 0;
        ASSERT_EQ(run.nSteps, kStepCount) << "call " << n;
        for (int nStep = 0; nStep < kStepCount; ++nStep) {
            const HRESULT hr = run.hr[nStep];
            const std::string where = "call " + std::to_string(n) + " failing in " + StepName(nFaulted) + ", step " +
                                      StepName(nStep) + " answered " + Hex(hr);
            if (nStep < nFaulted) {
                EXPECT_EQ(hr, normal.hr[nStep]) << where;
            } else if (nStep > nFaulted) {
                EXPECT_TRUE(hr == normal.hr[nStep] || (IsCheck(nStep) && hr == E_FAIL)) << where;
            } else if (bAssistant) {
                EXPECT_EQ(hr, AssistantFaultResult(nStep, fault, nPosition)) << where;
                // A failure without an error database of its own gets its bus's.
                if (hr == kInjectedError && IsCheck(nStep)) {
                    EXPECT_EQ(run.ErrDB(nStep), L"db" + ProtocolOf(nAssistant)) << where;
                }
            } else {
                EXPECT_EQ(HostFaultResults(nStep, normal.hr[nStep]).count(hr), 1u) << where;
            }
        }
        ASSERT_EQ(ForeignReferences(), 0) << "call " << n << " failing in " << StepName(nFaulted);
        ASSERT_EQ(CMemoryBalance::Outstanding(), 0) << "call " << n << " failing in " << StepName(nFaulted) << "\n"
                                                    << testing::PrintToString(CMemoryBalance::DescribeOutstanding());
    }
}

INSTANTIATE_TEST_SUITE_P(Faults, FaultInjectionTest,
                         testing::Values(Fault::Error, Fault::NullObject, Fault::OtherSuccess),
                         [](const testing::TestParamInfo<Fault>& info) {
                             return info.param == Fault::Error        ? std::string("Error")
                                    : info.param == Fault::NullObject ? std::string("NullObject")
                                                                      : std::string("OtherSuccess");
                         });

// The n-th operator new of the scenario throws, for every n: each step gives
// E_OUTOFMEMORY or what it gives without the failure, later steps may miss an
// assistant that could not be added, and nothing is left behind.
TEST_F(ScenarioTest, EveryAllocationFailingInTurnGivesOutOfMemoryAndLeavesNothingBehind)
{
    // Blocks from the heap only: a kept one would hide its allocation.
    AssistBlockCache::SetKeeping(false);
    const CScenarioRun normal = Run();
    ASSERT_EQ(normal.nSteps, kStepCount);
    const long lNews = normal.lNewsBefore[kStepCount] - normal.lNewsBefore[0];
    ASSERT_GT(lNews, 20);
    for (long n = 1; n <= lNews; ++n) {
        FailOperatorNewAt(n);
        CScenarioRun run;
        try {
            run = Run();
        } catch (const std::bad_alloc&) {
            FailOperatorNewAt(0);
            FAIL() << "allocation " << n << " escaped as std::bad_alloc";
        }
        const int nFaulted = run.StepOfNew(run.lNewsBefore[0] + n);
        if (nFaulted == kStepCreate && run.nSteps == 1) {
            EXPECT_EQ(run.hr[kStepCreate], E_OUTOFMEMORY) << "allocation " << n;
            continue;
        }
        ASSERT_EQ(run.nSteps, kStepCount) << "allocation " << n;
        for (int nStep = 0; nStep < kStepCount; ++nStep) {
            const HRESULT hr = run.hr[nStep];
            const std::string where = "allocation " + std::to_string(n) + " failing in " + StepName(nFaulted) +
                                      ", step " + StepName(nStep) + " answered " + Hex(hr);
            if (nStep < nFaulted)
                EXPECT_EQ(hr, normal.hr[nStep]) << where;
            else if (nStep == nFaulted)
                EXPECT_TRUE(hr == normal.hr[nStep] || hr == E_OUTOFMEMORY) << where;
            else
                EXPECT_TRUE(hr == normal.hr[nStep] || (IsCheck(nStep) && hr == E_FAIL)) << where;
        }
        ASSERT_EQ(ForeignReferences(), 0) << "allocation " << n << " failing in " << StepName(nFaulted);
        ASSERT_EQ(CMemoryBalance::Outstanding(), 0) << "allocation " << n << " failing in " << StepName(nFaulted);
    }
}

} // namespace
