// The conformance run: the order of the rule families and what each is
// given. The rules themselves live in the *Rules files beside this one.
#include "zurhost/conformance/Conformance.h"
#include "zurhost/JUnit.h"
#include "zurhost/Report.h"
#include "zurhost/Setup.h"
#include "zurhost/conformance/ConformanceReport.h"
#include "zurhost/conformance/ConformanceRun.h"

namespace {

const wchar_t kDefaultProject[] = L"examples\\plant.xml";

// The protocol the assistant is bound to, and that protocol's error
// database: the bindings the layer's catalogue would hold. The samples are
// bound first when the run sets up. The context object goes before the run,
// which counts the host's live objects.
void FindBinding(ConformanceRun& run, bool bSetup)
{
    CConfiguration config;
    OpenConfiguration(config, bSetup);
    if (run.strProtocol.empty())
        for (const auto& [protocol, progId] : Bindings(config, LayerNames::kAssistantsKey))
            if (_wcsicmp(progId.c_str(), run.strProgId.c_str()) == 0)
                run.strProtocol = protocol;
    if (run.strProtocol.empty())
        throw CCannotRun(L"\"" + run.strProgId + L"\" is bound to no protocol under " + LayerNames::kAssistantsKey +
                         L": name its protocol with --protocol");
    auto databases = Bindings(config, LayerNames::kErrorDBsKey);
    if (auto found = databases.find(run.strProtocol); found != databases.end())
        run.strErrDB = found->second;
}

// Directly: the lifecycle, then a started assistant asked every check on the
// plant and the repeated checks, the robustness calls, and its references
// once it is stopped.
void DriveDirectly(ConformanceRun& run)
{
    run.findings.Judge(Rule::Exceptions);
    run.findings.Judge(Rule::OutParameters);
    run.findings.Judge(Rule::Strings);
    run.findings.Judge(Rule::FailureInfo);
    run.findings.Judge(Rule::ThreadState);
    const long lBefore = run.plant.LiveObjects();
    ComPtr<IAssist2> spAssist = CheckCreation(run);
    if (!spAssist)
        return;
    CheckLifecycle(run, spAssist.Get());
    ComPtr<IDispatch> spTopology = run.plant.Topology();
    StartAssistant(run, spAssist.Get(), spTopology.Get(), L" for the walk over the plant");
    spTopology.Reset();
    for (const CheckCall& call : AllChecks(run.plant))
        AskAssistant(run, spAssist.Get(), run.plant, call, JudgeAll);
    CheckRepetition(run, spAssist.Get());
    CheckRobustness(run, spAssist.Get());
    CheckHostReferences(run, lBefore);
    CheckOwnReferences(run, spAssist);
    CheckTiming(run);
}

} // namespace

int RunConformance(const Options& options, const std::wstring& strExeFolder)
{
    if (options.bSetup)
        RegisterServers(strExeFolder, {L"HostSim.dll", L"Samples.dll", L"Layer.dll"});
    ConformanceRun run;
    run.strProgId = options.strConformance;
    run.strProtocol = options.strProtocol;
    const std::wstring project = options.strProject.empty() ? strExeFolder + kDefaultProject : options.strProject;
    run.plant.Load(project);
    FindBinding(run, options.bSetup);
    run.bJson = options.bJson;
    run.strJunit = options.strJunit;
    InstallFaultGuard();
    StartWatch(run);
    run.spLayerProbe = CComObject<CLayerProbe>::New(&run.findings);
    DriveDirectly(run);
    if (run.findings.Holds(Rule::Creation) && !run.findings.Stopped())
        CheckThroughLayer(run);
    return FinishRun(run);
}

int FinishRun(ConformanceRun& run)
{
    Out(run.bJson ? ConformanceJson(run) : ConformanceText(run));
    if (!run.strJunit.empty())
        WriteJUnit(run.strJunit, ConformanceJUnit(run));
    return run.findings.AllHold() ? kAllHeld : kNotHeld;
}
