// One life of a layer (creation, three assistants added, Init, the twelve
// checks, NewProjectCreated, GetProcessedBusName, Term) with the n-th host or
// assistant call failing, and with the n-th operator new throwing, for every n.
#include <array>
#include <cwchar>
#include <string>
#include "com/ComObject.h"
#include "com/Owners.h"
#include "common/AssistBlockCache.h"
#include "layer/AssistLayer.h"
#include "robustness/RobustFixture.h"
#include "support/MemoryBalance.h"
#include "testbed/AllocationCounter.h"

namespace {

// Kept in fixed storage: keeping it neither allocates nor counts as a call.
enum ScenarioStep
{
    kStepCreate = 0,
    kStepInit = 4,
    kStepFirstCheck = 5,
    kStepNewProject = 17,
    kStepTerm = 19,
    kStepCount = 20,
};

struct CScenarioRun
{
    int nSteps = 0; // steps that ran (creation can stop the run)
    std::array<HRESULT, kStepCount> hr{};
    std::array<long, kStepCount + 1> lCallsBefore{};
    std::array<long, kStepCount + 1> lNewsBefore{};
    std::array<size_t, kStepCount + 1> nOrderBefore{}; // in CAssistOrder::All()
    std::array<std::array<wchar_t, 16>, kStepCount> errDB{};

    // The step during which the n-th call (from 1) or allocation happened.
    int StepOf(const std::array<long, kStepCount + 1>& before, long n) const;
    void Mark()
    {
        lCallsBefore[nSteps] = CFaultPlan::s_lCalls;
        lNewsBefore[nSteps] = OperatorNewCalls();
        nOrderBefore[nSteps] = CAssistOrder::All().size();
    }
};

class ScenarioTest : public RobustTest
{
protected:
    void SetUp() override;
    // Afterwards the layer is released (a failed Term repeated) and the faults are off.
    CScenarioRun Run();
    static std::string StepName(int nStep);
    // The assistant that showed the planned fault (-1: none) and how many
    // assistant calls its step had made before (from 0).
    int FaultedAssistant(const CScenarioRun& run, int nStep, int* pnPosition) const;

    CNodeDouble* m_pComponent = nullptr;
    CNodeDouble* m_pChar1 = nullptr;
    CNodeDouble* m_pChar2 = nullptr;
};

const wchar_t* const kProtocols[] = {L"PA", L"PB", L"PC"};

void Keep(std::array<wchar_t, 16>& slot, BSTR bstr)
{
    slot.fill(L'\0');
    if (bstr)
        wcsncpy(slot.data(), bstr, slot.size() - 1);
}

int CScenarioRun::StepOf(const std::array<long, kStepCount + 1>& before, long n) const
{
    int nStep = 0;
    while (nStep + 1 < nSteps && before[nStep + 1] < n)
        ++nStep;
    return nStep;
}

void ScenarioTest::SetUp()
{
    RobustTest::SetUp();
    // Component PA+PB; the characteristics belong to it and to a PB+PC component.
    m_pComponent = &AddComponent({kProtocols[0], kProtocols[1]});
    m_pChar1 = &m_pComponent->AddCharacteristic(L"port");
    m_pChar2 = &AddComponent({kProtocols[1], kProtocols[2]}).AddCharacteristic(L"port");
    for (int i = 0; i < 3; ++i)
        NewAssistant();
}

int ScenarioTest::FaultedAssistant(const CScenarioRun& run, int nStep, int* pnPosition) const
{
    const std::vector<CAssistOrder>& order = CAssistOrder::All();
    for (size_t n = run.nOrderBefore[nStep]; n < run.nOrderBefore[nStep + 1] && n < order.size(); ++n) {
        if (!order[n].bFaulted)
            continue;
        *pnPosition = static_cast<int>(n - run.nOrderBefore[nStep]);
        for (size_t i = 0; i < m_vecAssistants.size(); ++i)
            if (m_vecAssistants[i].spState.get() == order[n].pState)
                return static_cast<int>(i);
    }
    return -1;
}

bool IsCheck(int nStep)
{
    return nStep >= kStepFirstCheck && nStep < kStepNewProject;
}

std::string ScenarioTest::StepName(int nStep)
{
    static const char* const kNames[] = {
        "create", "Add PA", "Add PB", "Add PC", "Init", "NewProjectCreated", "GetProcessedBusName", "Term"};
    return IsCheck(nStep) ? NarrowName(kChecks[nStep - kStepFirstCheck])
                          : kNames[nStep < kStepFirstCheck ? nStep : nStep - kStepNewProject + kStepFirstCheck];
}

CScenarioRun ScenarioTest::Run()
{
    CScenarioRun run;
    CMemoryBalance::Mark();
    CAssistOrder::All().clear();
    Microsoft::WRL::ComPtr<IAssistLayer2> spLayer;
    auto step = [&](auto&& body) {
        run.Mark();
        run.hr[run.nSteps] = body(run.errDB[run.nSteps]);
        ++run.nSteps;
    };

    step([&](auto&) { return CComObject<CAssistLayer>::CreateInstance(IID_IAssistLayer2, &spLayer); });
    if (spLayer) {
        for (int i = 0; i < 3; ++i)
            step([&](auto&) { return Add(spLayer.Get(), kProtocols[i], m_vecAssistants[i]); });
        step([&](auto&) { return spLayer->Init(Host().TopologyDispatch()); });
        for (const CheckKind& check : kChecks) {
            step([&](auto& slot) {
                BSTR bstrMsg = nullptr, bstrDB = nullptr;
                const HRESULT hr =
                    RunCheck(spLayer.Get(), check, &bstrMsg, &bstrDB, *m_pComponent, *m_pChar1, *m_pChar2);
                Keep(slot, bstrDB);
                SysFreeString(bstrMsg);
                SysFreeString(bstrDB);
                return hr;
            });
        }
        step([&](auto&) { return spLayer->NewProjectCreated(); });
        step([&](auto& slot) {
            BSTR bstrBus = nullptr;
            const HRESULT hr = spLayer->GetProcessedBusName(&bstrBus);
            Keep(slot, bstrBus);
            SysFreeString(bstrBus);
            return hr;
        });
        step([&](auto&) { return spLayer->Term(); });
    }
    run.Mark();
    FailOperatorNewAt(0);
    CFaultPlan::Plan(0, Fault::None);
    if (spLayer && run.hr[kStepTerm] != S_OK)
        spLayer->Term();
    spLayer.Reset();
    return run;
}

// What the step answers when its nPosition-th assistant call showed the fault;
// every other assistant answers S_OK with strings.
HRESULT AssistantFaultResult(int nStep, Fault fault, int nPosition)
{
    if (!IsCheck(nStep))
        return fault == Fault::Error ? kInjectedError : S_OK;
    const CheckKind& check = kChecks[nStep - kStepFirstCheck];
    switch (fault) {
    case Fault::Error:
        return check.bFirstResult && nPosition > 0 ? S_OK : kInjectedError;
    case Fault::OtherSuccess:
        return check.bFirstFalseRefused && nPosition == 0 ? E_FAIL : S_OK;
    default:
        return S_OK;
    }
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
        const int nFaulted = run.StepOf(run.lCallsBefore, n);
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
                    EXPECT_EQ(std::wstring(run.errDB[nStep].data()), std::wstring(L"db") + kProtocols[nAssistant])
                        << where;
                }
            } else { // a host call failed: Init may pass its error on, a check refuses
                const bool bInit = nStep == kStepInit && (hr == kInjectedError || hr == E_POINTER);
                EXPECT_TRUE(hr == normal.hr[nStep] || bInit || (IsCheck(nStep) && hr == E_FAIL)) << where;
            }
        }
        ASSERT_EQ(ForeignReferences(), 0) << "call " << n << " failing in " << StepName(nFaulted);
        ASSERT_EQ(CMemoryBalance::Outstanding(), 0) << "call " << n << " failing in " << StepName(nFaulted) << "\n"
                                                    << testing::PrintToString(CMemoryBalance::DescribeOutstanding());
    }
}

std::string FaultName(const testing::TestParamInfo<Fault>& info)
{
    static const char* const kNames[] = {"None", "Error", "NullObject", "OtherSuccess"};
    return kNames[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Faults, FaultInjectionTest,
                         testing::Values(Fault::Error, Fault::NullObject, Fault::OtherSuccess), FaultName);

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
        const int nFaulted = run.StepOf(run.lNewsBefore, run.lNewsBefore[0] + n);
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
