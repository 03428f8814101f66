#include "robustness/Scenario.h"
#include <cstdlib>
#include <cwchar>
#include <new>
#include "common/Bstr.h"
#include "common/ComObject.h"
#include "layer/AssistLayer.h"
#include "support/MemoryBalance.h"

namespace {

long g_lNews = 0;
long g_lFailNewAt = 0;

const wchar_t* const kProtocols[] = {L"PA", L"PB", L"PC"};

void Keep(std::array<wchar_t, 16>& slot, BSTR bstr)
{
    slot.fill(L'\0');
    if (bstr)
        wcsncpy(slot.data(), bstr, slot.size() - 1);
}

} // namespace

long OperatorNewCalls() noexcept
{
    return g_lNews;
}

void FailOperatorNewAt(long lFailAt) noexcept
{
    g_lFailNewAt = lFailAt ? g_lNews + lFailAt : 0;
}

void* operator new(size_t cb)
{
    if (++g_lNews == g_lFailNewAt)
        throw std::bad_alloc();
    if (void* p = std::malloc(cb ? cb : 1))
        return p;
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, size_t) noexcept
{
    std::free(p);
}

int CScenarioRun::StepOfCall(long n) const
{
    int nStep = 0;
    while (nStep + 1 < nSteps && lCallsBefore[nStep + 1] < n)
        ++nStep;
    return nStep;
}

int CScenarioRun::StepOfNew(long n) const
{
    int nStep = 0;
    while (nStep + 1 < nSteps && lNewsBefore[nStep + 1] < n)
        ++nStep;
    return nStep;
}

void ScenarioTest::SetUp()
{
    RobustTest::SetUp();
    // Component PA+PB; the characteristics belong to it and to a PB+PC component.
    m_pComponent = m_spHost->AddComponent({kProtocols[0], kProtocols[1]});
    m_pChar1 = m_spHost->AddCharacteristic(m_pComponent);
    m_pChar2 = m_spHost->AddCharacteristic(m_spHost->AddComponent({kProtocols[1], kProtocols[2]}));
    for (int i = 0; i < 3; ++i)
        NewAssistant();
}

std::wstring ScenarioTest::ProtocolOf(int nId)
{
    return kProtocols[nId];
}

const char* ScenarioTest::StepName(int nStep)
{
    static const char* const kNames[kStepCount] = {
        "create", "Add PA", "Add PB", "Add PC", "Init", "CheckNewDevice", "CheckAll", "CheckPropertyChange",
        "CheckInsertDrag", "CheckInsertDrop", "CheckMoveDrag", "CheckMoveDrop", "CheckReplaceDrag",
        "CheckReplaceDrop", "CheckConnect", "CheckDisconnect", "CheckDelete", "NewProjectCreated",
        "GetProcessedBusName", "Term"};
    return kNames[nStep];
}

CScenarioRun ScenarioTest::Run()
{
    CScenarioRun run;
    CMemoryBalance::Mark();
    Microsoft::WRL::ComPtr<IAssistLayer2> spLayer;
    auto step = [&](auto&& body) {
        run.lCallsBefore[run.nSteps] = CFaultPlan::s_lCalls;
        run.lNewsBefore[run.nSteps] = g_lNews;
        CScriptedAssistant::s_nStepCalls = 0;
        run.hr[run.nSteps] = body(run.errDB[run.nSteps]);
        ++run.nSteps;
    };
    auto* pComp = static_cast<NewZUR::IComponent*>(m_pComponent);
    auto* pChar1 = static_cast<NewZUR::ICharacteristic*>(m_pChar1);
    auto* pChar2 = static_cast<NewZUR::ICharacteristic*>(m_pChar2);

    step([&](auto&) { return CComObject<CAssistLayer>::CreateInstance(IID_IAssistLayer2, &spLayer); });
    if (spLayer) {
        for (int i = 0; i < 3; ++i)
            step([&](auto&) { return Add(spLayer.Get(), kProtocols[i], m_vecAssistants[i]); });
        step([&](auto&) { return spLayer->Init(m_spHost->TopologyDispatch()); });
        for (const CLayerCheck& check : kLayerChecks) {
            step([&](auto& slot) {
                BSTR bstrMsg = nullptr, bstrDB = nullptr;
                const HRESULT hr = check.pfnCall(spLayer.Get(), &bstrMsg, &bstrDB, pComp, pChar1, pChar2);
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
    run.lNewsBefore[run.nSteps] = g_lNews;
    FailOperatorNewAt(0);
    CFaultPlan::Plan(0, Fault::None);
    if (spLayer && run.hr[kStepTerm] != S_OK)
        spLayer->Term();
    spLayer.Reset();
    return run;
}
