#include "robustness/Scenario.h"
#include <cwchar>
#include "com/Owners.h"
#include "com/ComObject.h"
#include "layer/AssistLayer.h"
#include "support/MemoryBalance.h"
#include "testbed/AllocationCounter.h"

namespace {

const wchar_t* const kProtocols[] = {L"PA", L"PB", L"PC"};

void Keep(std::array<wchar_t, 16>& slot, BSTR bstr)
{
    slot.fill(L'\0');
    if (bstr)
        wcsncpy(slot.data(), bstr, slot.size() - 1);
}

} // namespace

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

std::wstring ScenarioTest::ProtocolOf(int nId)
{
    return kProtocols[nId];
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

const char* ScenarioTest::StepName(int nStep)
{
    static const char* const kNames[kStepCount] = {"create",
                                                   "Add PA",
                                                   "Add PB",
                                                   "Add PC",
                                                   "Init",
                                                   "CheckNewDevice",
                                                   "CheckAll",
                                                   "CheckPropertyChange",
                                                   "CheckInsertDrag",
                                                   "CheckInsertDrop",
                                                   "CheckMoveDrag",
                                                   "CheckMoveDrop",
                                                   "CheckReplaceDrag",
                                                   "CheckReplaceDrop",
                                                   "CheckConnect",
                                                   "CheckDisconnect",
                                                   "CheckDelete",
                                                   "NewProjectCreated",
                                                   "GetProcessedBusName",
                                                   "Term"};
    return kNames[nStep];
}

CScenarioRun ScenarioTest::Run()
{
    CScenarioRun run;
    CMemoryBalance::Mark();
    CAssistOrder::All().clear();
    Microsoft::WRL::ComPtr<IAssistLayer2> spLayer;
    auto step = [&](auto&& body) {
        run.lCallsBefore[run.nSteps] = CFaultPlan::s_lCalls;
        run.lNewsBefore[run.nSteps] = OperatorNewCalls();
        run.nOrderBefore[run.nSteps] = CAssistOrder::All().size();
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
    run.lCallsBefore[run.nSteps] = CFaultPlan::s_lCalls;
    run.lNewsBefore[run.nSteps] = OperatorNewCalls();
    run.nOrderBefore[run.nSteps] = CAssistOrder::All().size();
    FailOperatorNewAt(0);
    CFaultPlan::Plan(0, Fault::None);
    if (spLayer && run.hr[kStepTerm] != S_OK)
        spLayer->Term();
    spLayer.Reset();
    return run;
}
