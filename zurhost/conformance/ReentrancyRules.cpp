// Re-entrancy: directly, the stand-in reports an assistant that calls back
// into the layer during a check; through the layer, every check must come
// back, so a layer deadlocked by such a call-back ends the run with that
// finding instead of hanging it.
#include "com/Owners.h"
#include "zurhost/Names.h"
#include "zurhost/Options.h"
#include "zurhost/Report.h"
#include "zurhost/Setup.h"
#include "zurhost/conformance/ConformanceRun.h"

namespace {

constexpr DWORD kDeadlockMillis = 20000;

// Ends the process when a call through the layer does not come back.
class CWatchdog
{
public:
    explicit CWatchdog(const std::wstring& strCall) : m_strCall(strCall)
    {
        CreateTimerQueueTimer(&m_hTimer, nullptr, &CWatchdog::Bark, this, kDeadlockMillis, 0, WT_EXECUTEONLYONCE);
    }
    ~CWatchdog()
    {
        if (m_hTimer)
            DeleteTimerQueueTimer(nullptr, m_hTimer, INVALID_HANDLE_VALUE);
    }
    CWatchdog(const CWatchdog&) = delete;
    CWatchdog& operator=(const CWatchdog&) = delete;

private:
    static void CALLBACK Bark(void* pContext, BOOLEAN)
    {
        auto* pThis = static_cast<CWatchdog*>(pContext);
        Out(L"FAIL  reentrancy       " + pThis->m_strCall + L" through the layer did not return within " +
            std::to_wstring(kDeadlockMillis / 1000) + L" s: the layer is deadlocked\n");
        ExitProcess(kNotHeld);
    }

    std::wstring m_strCall;
    HANDLE m_hTimer = nullptr;
};

CallResult Through(const std::wstring& strCall, const CFunctionRef<HRESULT()>& call)
{
    CWatchdog watchdog(strCall);
    return GuardedCall(call);
}

// The layer is given the assistant under test as the one for its protocol.
HRESULT PrepareLayer(ConformanceRun& run, ComPtr<IAssistLayer2>& spLayer)
{
    ComPtr<IAssistLayerTest> spTest;
    ComPtr<IUnknown> spAssist;
    RETURN_IF_FAILED(CreateByProgId(LayerNames::kLayerProgId, spLayer));
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
    JudgeAnswer(run, L"layer Init", Through(L"Init", [&] { return spLayer->Init(spTopology.Get()); }));
    for (const CheckCall& call : AllChecks(run.plant)) {
        CPreparedCheck check(run.plant, call);
        std::wstring text = L"layer " + Describe(call);
        CallResult result = Through(text, [&] { return check.Ask(spLayer.Get()); });
        JudgeAnswer(run, text, result, check.outs, JudgeAlways);
    }
    JudgeAnswer(run, L"layer Term", Through(L"Term", [&] { return spLayer->Term(); }));
}
