// One life of a layer (creation, three assistants added, Init, the twelve
// checks, NewProjectCreated, GetProcessedBusName, Term) with the n-th host or
// assistant call failing, or the n-th operator new throwing, for every n.
#include <array>
#include <string>
#include "com/ComObject.h"
#include "com/Owners.h"
#include "common/AssistBlockCache.h"
#include "layer/AssistLayer.h"
#include "robustness/RobustFixture.h"
#include "support/MemoryBalance.h"

namespace {

enum ScenarioStep
{
    kStepCreate = 0,
    kStepInit = 4,
    kStepFirstCheck = 5,
    kStepNewProject = 17,
    kStepTerm = 19,
    kStepCount = 20,
};

// Kept in fixed storage: keeping it neither allocates nor counts as a call.
struct CScenarioRun
{
    int nSteps = 0; // steps that ran (creation can stop the run)
    std::array<HRESULT, kStepCount> hr{};
    std::array<long, kStepCount + 1> lCountBefore{};   // calls or allocations
    std::array<size_t, kStepCount + 1> nOrderBefore{}; // in CAssistOrder::All()

    // The step during which the n-th call or allocation (from 1) happened.
    int StepOf(long n) const
    {
        int nStep = 0;
        while (nStep + 1 < nSteps && lCountBefore[nStep + 1] - lCountBefore[0] < n)
            ++nStep;
        return nStep;
    }
    // How many assistant calls the step made before one showed the planned
    // fault (from 0), or -1 when none did.
    int FaultedPosition(int nStep) const
    {
        const std::vector<CAssistOrder>& order = CAssistOrder::All();
        for (size_t n = nOrderBefore[nStep]; n < nOrderBefore[nStep + 1] && n < order.size(); ++n)
            if (order[n].bFaulted)
                return static_cast<int>(n - nOrderBefore[nStep]);
        return -1;
    }
};

struct CFaultKind
{
    const char* name;
    Fault fault;              // what the n-th host or assistant call shows
    bool bAllocation = false; // instead, the n-th operator new throws
};

class FaultInjectionTest : public RobustTest, public testing::WithParamInterface<CFaultKind>
{
protected:
    void SetUp() override;
    void TearDown() override
    {
        AssistBlockCache::SetKeeping(true);
        RobustTest::TearDown();
    }
    bool Allocation() const { return GetParam().bAllocation; }
    // Afterwards the layer is released (a failed Term repeated) and the faults are off.
    CScenarioRun Run();

    CNodeDouble* m_pComponent = nullptr;
    CNodeDouble* m_pChar1 = nullptr;
    CNodeDouble* m_pChar2 = nullptr;
};

const wchar_t* const kProtocols[] = {L"PA", L"PB", L"PC"};

bool IsCheck(int nStep)
{
    return nStep >= kStepFirstCheck && nStep < kStepNewProject;
}

std::string StepName(int nStep)
{
    static const char* const kNames[] = {
        "create", "Add PA", "Add PB", "Add PC", "Init", "NewProjectCreated", "GetProcessedBusName", "Term"};
    return IsCheck(nStep) ? NarrowName(kChecks[nStep - kStepFirstCheck])
                          : kNames[nStep < kStepFirstCheck ? nStep : nStep - kStepNewProject + kStepFirstCheck];
}

void FaultInjectionTest::SetUp()
{
    RobustTest::SetUp();
    // Component PA+PB; the characteristics belong to it and to a PB+PC component.
    m_pComponent = &Host().AddComponent(L"C", {kProtocols[0], kProtocols[1]});
    m_pChar1 = &m_pComponent->AddCharacteristic(L"port");
    m_pChar2 = &Host().AddComponent(L"C", {kProtocols[1], kProtocols[2]}).AddCharacteristic(L"port");
    for (int i = 0; i < 3; ++i)
        NewAssistant();
    // Blocks from the heap only: a kept one would hide its allocation.
    if (Allocation())
        AssistBlockCache::SetKeeping(false);
}

CScenarioRun FaultInjectionTest::Run()
{
    CScenarioRun run;
    CMemoryBalance::Mark();
    CAssistOrder::All().clear();
    Microsoft::WRL::ComPtr<IAssistLayer2> spLayer;
    auto mark = [&] {
        run.lCountBefore[run.nSteps] = Allocation() ? OperatorNewCalls() : CFaultPlan::s_lCalls;
        run.nOrderBefore[run.nSteps] = CAssistOrder::All().size();
    };
    auto step = [&](auto&& body) {
        mark();
        run.hr[run.nSteps] = body();
        ++run.nSteps;
    };

    step([&] { return CComObject<CAssistLayer>::CreateInstance(IID_IAssistLayer2, &spLayer); });
    if (spLayer) {
        for (int i = 0; i < 3; ++i)
            step([&] { return Add(spLayer.Get(), kProtocols[i], m_vecAssistants[i]); });
        step([&] { return spLayer->Init(Host().TopologyDispatch()); });
        for (const CheckKind& check : kChecks) {
            step([&] {
                CBstr msg, db;
                return RunCheck(spLayer.Get(), check, msg.Out(), db.Out(), *m_pComponent, *m_pChar1, *m_pChar2);
            });
        }
        step([&] { return spLayer->NewProjectCreated(); });
        step([&] {
            CBstr bus;
            return spLayer->GetProcessedBusName(bus.Out());
        });
        step([&] { return spLayer->Term(); });
    }
    mark();
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

// What a step may answer at or after a fault no assistant showed: its S_OK;
// a later check may refuse for want of what failed; the faulted step itself
// may run out of memory, or, for a host call, refuse a check or pass Init's
// error on.
bool Tolerated(HRESULT hr, int nStep, bool bFaultedStep, bool bAllocation)
{
    if (hr == S_OK)
        return true;
    if (!bFaultedStep)
        return IsCheck(nStep) && hr == E_FAIL;
    if (bAllocation)
        return hr == E_OUTOFMEMORY;
    return (IsCheck(nStep) && hr == E_FAIL) || (nStep == kStepInit && (hr == kInjectedError || hr == E_POINTER));
}

TEST_P(FaultInjectionTest, EachFaultInTurnGivesItsResultAndLeavesNothingBehind)
{
    const Fault fault = GetParam().fault;
    const CScenarioRun normal = Run();
    ASSERT_EQ(normal.nSteps, kStepCount);
    for (int nStep = 0; nStep < kStepCount; ++nStep)
        ASSERT_EQ(normal.hr[nStep], S_OK) << StepName(nStep);
    const long lCount = normal.lCountBefore[kStepCount] - normal.lCountBefore[0];
    ASSERT_GT(lCount, Allocation() ? 20 : 100);

    for (long n = 1; n <= lCount; ++n) {
        if (Allocation())
            FailOperatorNewAt(n);
        else
            CFaultPlan::Plan(n, fault);
        CScenarioRun run;
        try {
            run = Run();
        } catch (const std::bad_alloc&) {
            FailOperatorNewAt(0);
            FAIL() << "allocation " << n << " escaped as std::bad_alloc";
        }
        const int nFaulted = run.StepOf(n);
        const std::string what = GetParam().name + (" " + std::to_string(n)) + " in " + StepName(nFaulted);
        if (run.nSteps == 1) { // the layer was not created
            EXPECT_TRUE(Allocation() && run.hr[kStepCreate] == E_OUTOFMEMORY) << what << ": " << Hex(run.hr[0]);
            continue;
        }
        ASSERT_EQ(run.nSteps, kStepCount) << what;
        const int nPosition = run.FaultedPosition(nFaulted);
        for (int nStep = 0; nStep < kStepCount; ++nStep) {
            const HRESULT hr = run.hr[nStep];
            const std::string where = what + ", step " + StepName(nStep) + " answered " + Hex(hr);
            if (nStep < nFaulted) {
                EXPECT_EQ(hr, S_OK) << where;
            } else if (nStep > nFaulted || nPosition < 0) {
                EXPECT_TRUE(Tolerated(hr, nStep, nStep == nFaulted, Allocation())) << where;
            } else {
                EXPECT_EQ(hr, AssistantFaultResult(nStep, fault, nPosition)) << where;
            }
        }
        ASSERT_EQ(ForeignReferences(), 0) << what;
        ASSERT_EQ(CMemoryBalance::Outstanding(), 0) << what << "\n"
                                                    << testing::PrintToString(CMemoryBalance::DescribeOutstanding());
    }
}

INSTANTIATE_TEST_SUITE_P(Faults, FaultInjectionTest,
                         testing::Values(CFaultKind{"Error", Fault::Error}, CFaultKind{"NullObject", Fault::NullObject},
                                         CFaultKind{"OtherSuccess", Fault::OtherSuccess},
                                         CFaultKind{"Allocation", Fault::None, true}),
                         [](const testing::TestParamInfo<CFaultKind>& info) { return info.param.name; });

} // namespace
