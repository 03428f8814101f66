// Re-entrancy: directly, the stand-in reports an assistant that calls back
// into the layer during a check; through the layer, every check must come
// back, so a layer deadlocked by such a call-back ends the run with that
// finding instead of hanging it (the watch over every call does that).
#include "com/Owners.h"
#include "zurhost/Names.h"
#include "zurhost/Setup.h"
#include "zurhost/conformance/ConformanceRun.h"

namespace {

// The layer is given the assistant under test as the one for its protocol.
HRESULT PrepareLayer(ConformanceRun& run, ComPtr<IAssistLayer2>& spLayer)
{
    ComPtr<IAssistLayerTest> spTest;
    ComPtr<IUnknown> spAssist;
    RETURN_IF_FAILED(CreateByProgId(g_szLayerProgId, spLayer));
    RETURN_IF_FAILED(spLayer.As(&spTest));
    RETURN_IF_FAILED(CreateByProgId(run.strProgId, spAssist));
    CBstr protocol(run.strProtocol), progId(run.strProgId), errDB(run.strErrDB.empty() ? L"none" : run.strErrDB);
    return spTest->Add(protocol, progId, spAssist.Get(), errDB);
}

} // namespace

void CheckThroughLayer(ConformanceRun& run)
{
    run.findings.Judge(Rule::Reentrancy);
    ComPtr<IAssistLayer2> spLayer;
    HRESULT hr = PrepareLayer(run, spLayer);
    if (FAILED(hr)) {
        run.findings.Note(Rule::Reentrancy, L"the layer could not be given the assistant: " + HexCode(hr));
        return;
    }
    ComPtr<IDispatch> spTopology = run.plant.Topology();
    JudgeAnswer(run, L"layer Init",
                PutCall(run, Rule::Reentrancy, L"layer Init", [&] { return spLayer->Init(spTopology.Get()); }));
    for (const CheckCall& call : AllChecks(run.plant)) {
        CPreparedCheck check(run.plant, call);
        std::wstring text = L"layer " + Describe(call);
        CallResult result = PutCall(run, Rule::Reentrancy, text, [&] { return check.Ask(spLayer.Get()); });
        JudgeAnswer(run, text, result, check.outs, JudgeAlways);
    }
    JudgeAnswer(run, L"layer Term", PutCall(run, Rule::Reentrancy, L"layer Term", [&] { return spLayer->Term(); }));
}
