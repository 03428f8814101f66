// The lifecycle: Init (InitEx with the protocol when the assistant answers
// IAssist3) and Term, three times over, with the same answers in each cycle;
// S_FALSE means nothing from these calls.
#include "com/Owners.h"
#include "zurhost/Names.h"
#include "zurhost/conformance/ConformanceRun.h"

namespace {

constexpr int g_nCycles = 3;

// The call is put, timed for lifecycle-timing, and judged.
void LifecycleCall(ConformanceRun& run, const std::wstring& strCall, const CFunctionRef<HRESULT()>& call)
{
    CallResult result = PutCall(run, Rule::LifecycleTiming, strCall, call);
    if (!JudgeAnswer(run, strCall, result))
        return;
    run.lifecycleTimes.push_back({result.dMicros, strCall});
    if (result.hr == S_FALSE)
        run.findings.Fail(Rule::SFalse, strCall + L" answered S_FALSE, which the layer gives no meaning there");
    else if (FAILED(result.hr))
        run.findings.Fail(Rule::Lifecycle, strCall + L" answered " + HexCode(result.hr));
}

std::wstring Cycle(int nCycle)
{
    return L" in cycle " + std::to_wstring(nCycle);
}

} // namespace

void StartAssistant(ConformanceRun& run, IAssist2* pAssist, IDispatch* pTopology, const std::wstring& strWhen)
{
    ComPtr<IAssist3> spAssist3;
    pAssist->QueryInterface(IID_PPV_ARGS(&spAssist3));
    const bool bEx = spAssist3 && !run.strProtocol.empty();
    CBstr protocol(run.strProtocol);
    std::wstring text = bEx ? L"InitEx(topology, layer, \"" + run.strProtocol + L"\")" : L"Init(topology, layer)";
    IDispatch* pLayer = run.spLayerProbe.Get();
    LifecycleCall(run, text + strWhen, [&] {
        return bEx ? spAssist3->InitEx(pTopology, pLayer, protocol.Get()) : pAssist->Init(pTopology, pLayer);
    });
}

void StopAssistant(ConformanceRun& run, IAssist2* pAssist, const std::wstring& strWhen)
{
    LifecycleCall(run, L"Term()" + strWhen, [&] { return pAssist->Term(); });
}

void CheckLifecycle(ConformanceRun& run, IAssist2* pAssist)
{
    run.findings.Judge(Rule::Lifecycle);
    run.findings.Judge(Rule::SFalse);
    run.findings.Judge(Rule::LifecycleTiming);
    ComPtr<IDispatch> spTopology = run.plant.Topology();
    std::vector<HRESULT> firstAnswers;
    for (int nCycle = 1; nCycle <= g_nCycles; ++nCycle) {
        StartAssistant(run, pAssist, spTopology.Get(), Cycle(nCycle));
        LifecycleCall(run, L"NewProjectCreated()" + Cycle(nCycle), [&] { return pAssist->NewProjectCreated(); });
        for (size_t i = 0; i < run.plant.plant.size(); ++i) {
            CheckCall call{CheckId::Delete, run.plant.plant[i], {}, 0, {}};
            CallResult result = AskAssistant(run, pAssist, run.plant, call, JudgeAll & ~JudgeTime).result;
            if (nCycle == 1)
                firstAnswers.push_back(result.hr);
            else if (!result.bFaulted && !result.bSkipped && result.hr != firstAnswers[i])
                run.findings.Fail(Rule::Lifecycle, Describe(call) + L" answered " + HexCode(result.hr) + Cycle(nCycle) +
                                                       L" and " + HexCode(firstAnswers[i]) + Cycle(1));
        }
        StopAssistant(run, pAssist, Cycle(nCycle));
    }
}
