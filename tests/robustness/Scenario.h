#pragma once
// One life of a layer: creation, three assistants added, Init, the twelve
// checks, NewProjectCreated, GetProcessedBusName and Term. Each step's
// result, the error database it handed out, and where its calls, its
// allocations and its assistant calls began are kept in fixed storage, so
// that keeping them neither allocates nor counts as a call.
#include <array>
#include <string>
#include "testbed/AllocationCounter.h"
#include "robustness/RobustFixture.h"

enum ScenarioStep
{
    kStepCreate = 0,
    kStepAddFirst = 1,
    kStepInit = 4,
    kStepFirstCheck = 5,
    kStepNewProject = 17,
    kStepBusName = 18,
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
    int StepOfCall(long n) const { return StepOf(lCallsBefore, n); }
    int StepOfNew(long n) const { return StepOf(lNewsBefore, n); }
    int StepOf(const std::array<long, kStepCount + 1>& before, long n) const;
    std::wstring ErrDB(int nStep) const { return errDB[nStep].data(); }
};

class ScenarioTest : public RobustTest
{
protected:
    void SetUp() override;
    // Runs the scenario; afterwards the layer is released (a failed Term is
    // repeated without faults first) and the faults are off.
    CScenarioRun Run();
    static const char* StepName(int nStep);
    // The protocol of an assistant by id.
    static std::wstring ProtocolOf(int nId);
    // The assistant that showed the planned fault (-1: none) and how many
    // assistant calls its step had made before (from 0).
    int FaultedAssistant(const CScenarioRun& run, int nStep, int* pnPosition) const;

    CNodeDouble* m_pComponent = nullptr;
    CNodeDouble* m_pChar1 = nullptr;
    CNodeDouble* m_pChar2 = nullptr;
};
