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

namespace {

// Creation, Add PA, PB and PC, Init, the twelve checks, NewProjectCreated,
// GetProcessedBusName, Term.
constexpr int kStepInit = 4, kStepFirstCheck = 5, kStepNewProject = 17, kStepTerm = 19, kStepCount = 20;

// Kept in fixed storage: keeping it neither allocates nor counts as a call.
struct CScenarioRun
{
    int nSteps = 0; // steps that ran (creation can stop the run)
    std::array<HRESULT, kStepCount> hr{};
    long lCount = 0; // calls or allocations in all
    // The step during which the planned one happened; past the last when it
    // did not (the first run's one-time allocations are not made again).
    int nFaulted = kStepCount;
    int nPosition = -1; // its assistant calls before the one that showed the fault, or -1
};

struct CFaultKind
{
    const char* name;
    Fault fault; // what the n-th host or assistant call shows; None: the n-th operator new throws
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
    bool Allocation() const { return GetParam().fault == Fault::None; }
    long Count() const { return Allocation() ? OperatorNewCalls() : CFaultPlan::s_lCalls; }
    // The life with the n-th call or allocation failing (none for 0); afterwards
    // the layer is released (a failed Term repeated) and the faults are off.
    CScenarioRun Run(long n);

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
        "create", "Add PA", "Add PB", "Add PC", "Init", "NewProjectCreated", "GetProcessedBusName", "Term", "the end"};
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

CScenarioRun FaultInjectionTest::Run(long n)
{
    CScenarioRun run;
    CMemoryBalance::Mark();
    Microsoft::WRL::ComPtr<IAssistLayer2> spLayer;
    if (Allocation())
        FailOperatorNewAt(n);
    else
        CFaultPlan::Plan(n, GetParam().fault);
    const long lFirst = Count();
    auto step = [&](auto&& body) {
        CAssistOrder::All().clear();
        run.hr[run.nSteps] = body();
        run.lCount = Count() - lFirst;
        if (n > 0 && run.nFaulted == kStepCount && run.lCount >= n) {
            run.nFaulted = run.nSteps;
            for (size_t i = 0; i < CAssistOrder::All().size() && run.nPosition < 0; ++i)
                if (CAssistOrder::All()[i].bFaulted)
                    run.nPosition = static_cast<int>(i);
        }
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
    if (bFaultedStep && bAllocation)
        return hr == S_OK || hr == E_OUTOFMEMORY;
    return hr == S_OK || (IsCheck(nStep) && hr == E_FAIL) ||
           (bFaultedStep && nStep == kStepInit && (hr == kInjectedError || hr == E_POINTER));
}

TEST_P(FaultInjectionTest, EachFaultInTurnGivesItsResultAndLeavesNothingBehind)
{
    const CScenarioRun normal = Run(0);
    ASSERT_EQ(normal.nSteps, kStepCount);
    for (int nStep = 0; nStep < kStepCount; ++nStep)
        ASSERT_EQ(normal.hr[nStep], S_OK) << StepName(nStep);
    ASSERT_GT(normal.lCount, Allocation() ? 20 : 100);

    for (long n = 1; n <= normal.lCount; ++n) {
        CScenarioRun run;
        try {
            run = Run(n);
        } catch (const std::bad_alloc&) {
            FailOperatorNewAt(0);
            FAIL() << "allocation " << n << " escaped as std::bad_alloc";
        }
        const std::string what = GetParam().name + (" " + std::to_string(n)) + " in " + StepName(run.nFaulted);
        if (run.nSteps == 1) { // the layer was not created
            EXPECT_TRUE(Allocation() && run.hr[0] == E_OUTOFMEMORY) << what << ": " << Hex(run.hr[0]);
            continue;
        }
        ASSERT_EQ(run.nSteps, kStepCount) << what;
        for (int nStep = 0; nStep < kStepCount; ++nStep) {
            const HRESULT hr = run.hr[nStep];
            const std::string where = what + ", step " + StepName(nStep) + " answered " + Hex(hr);
            if (nStep < run.nFaulted) {
                EXPECT_EQ(hr, S_OK) << where;
            } else if (nStep > run.nFaulted || run.nPosition < 0) {
                EXPECT_TRUE(Tolerated(hr, nStep, nStep == run.nFaulted, Allocation())) << where;
            } else {
                EXPECT_EQ(hr, AssistantFaultResult(nStep, GetParam().fault, run.nPosition)) << where;
            }
        }
        ASSERT_EQ(ForeignReferences(), 0) << what;
        ASSERT_EQ(CMemoryBalance::Outstanding(), 0) << what << "\n"
                                                    << testing::PrintToString(CMemoryBalance::DescribeOutstanding());
    }
}

// A layer in use keeps the blocks its checks need: once every check has run,
// running them again takes nothing from the heap, up to a component of 64 buses.
TEST_F(RobustTest, WarmChecksOnSixtyFourBusesTakeNothingFromTheHeap)
{
    std::vector<std::wstring> protocols;
    for (int i = 0; i < 64; ++i)
        protocols.push_back(L"P" + std::to_wstring(i));
    CNodeDouble& component = Host().AddComponent(L"C", protocols);
    CNodeDouble& char1 = component.AddCharacteristic(L"port");
    CNodeDouble& char2 = component.AddCharacteristic(L"port");
    Microsoft::WRL::ComPtr<IAssistLayer2> spLayer;
    ASSERT_EQ(CComObject<CAssistLayer>::CreateInstance(IID_IAssistLayer2, &spLayer), S_OK);
    for (const std::wstring& protocol : protocols)
        ASSERT_EQ(Add(spLayer.Get(), protocol, NewAssistant()), S_OK);
    ASSERT_EQ(spLayer->Init(Host().TopologyDispatch()), S_OK);
    for (int nPass = 0; nPass < 2; ++nPass) {
        const long lBefore = OperatorNewCalls();
        for (const CheckKind& check : kChecks) {
            CBstr msg, db;
            EXPECT_EQ(RunCheck(spLayer.Get(), check, msg.Out(), db.Out(), component, char1, char2), S_OK)
                << NarrowName(check);
        }
        if (nPass == 1) {
            EXPECT_EQ(OperatorNewCalls() - lBefore, 0);
        }
    }
    EXPECT_EQ(spLayer->Term(), S_OK);
}

INSTANTIATE_TEST_SUITE_P(Faults, FaultInjectionTest,
                         testing::Values(CFaultKind{"Error", Fault::Error}, CFaultKind{"NullObject", Fault::NullObject},
                                         CFaultKind{"OtherSuccess", Fault::OtherSuccess},
                                         CFaultKind{"Allocation", Fault::None}),
                         [](const testing::TestParamInfo<CFaultKind>& info) { return info.param.name; });

} // namespace
