// zurhost: a command-line host for the assistant layer. It loads a plant
// project into the host simulator, initialises the layer with it, puts the
// edits of a scenario to the layer and prints the verdicts. It meets the
// simulator, the samples and the layer only through their COM classes.
#include "com/Owners.h"
#include "com/ModuleFolder.h"
#include "hostfiles/TextFile.h"
#include "zurhost/JUnit.h"
#include "zurhost/Names.h"
#include "zurhost/Options.h"
#include "zurhost/Report.h"
#include "zurhost/Setup.h"
#include "zurhost/Terminal.h"
#include "zurhost/conformance/Conformance.h"
#include <fcntl.h>
#include <io.h>
#include <algorithm>
#include <fstream>
#include <sstream>

namespace {

std::wstring ExeFolder()
{
    wchar_t szFolder[MAX_PATH];
    return SUCCEEDED(ThisModuleFolder(szFolder)) ? szFolder : L"";
}

std::wstring ErrorLogPath()
{
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + LayerNames::kErrorLogName;
}

std::streamoff FileSize(const std::wstring& path)
{
    std::ifstream file(path.c_str(), std::ios::binary | std::ios::ate);
    return file ? static_cast<std::streamoff>(file.tellg()) : 0;
}

// The error log is written in the machine's code page.
std::vector<std::wstring> LogRowsFrom(const std::wstring& path, std::streamoff offset)
{
    std::string bytes;
    std::wstring reason;
    std::vector<std::wstring> rows;
    if (!ReadFileBytes(path, bytes, reason) || static_cast<std::streamoff>(bytes.size()) <= offset)
        return rows;
    bytes.erase(0, static_cast<size_t>(offset));
    int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(n, L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), n);
    std::wistringstream lines(text);
    std::wstring line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == L'\r')
            line.pop_back();
        if (!line.empty())
            rows.push_back(line);
    }
    return rows;
}

std::vector<Edit> ReadScenario(const std::wstring& path)
{
    std::wstring text, error;
    if (!ReadTextFile(path, text, error))
        throw CCannotRun(path + L": " + error);
    return ParseScenario(path, text);
}

void Register(const Options& options, std::initializer_list<const wchar_t*> dlls)
{
    if (options.bSetup)
        RegisterServers(ExeFolder(), {dlls.begin(), dlls.end()});
}

// A stated name must be one zurhost knows or one of the project's error databases has.
void CheckVerdictNames(const Options& options, ISimProject* pProject, const std::vector<Edit>& edits)
{
    for (const auto& edit : edits) {
        if (edit.expected.kind != Verdict::Kind::Symbol || IsKnownName(edit.expected.strText))
            continue;
        long lCode = 0;
        CBstr symbol(edit.expected.strText);
        if (pProject->ErrorCode(symbol, &lCode) != S_OK)
            throw CCannotRun(options.strScenario + L": line " + std::to_wstring(edit.nLine) + L": verdict \"" +
                             edit.expected.strText +
                             L"\" names no code: no error database has it, nor is it a system or layer name");
    }
}

std::vector<std::wstring> Protocols(ISimProject* pProject)
{
    CBstr protocols;
    pProject->Protocols(protocols.Out());
    std::vector<std::wstring> list;
    std::wistringstream lines{std::wstring(protocols.View())};
    for (std::wstring line; std::getline(lines, line);)
        list.push_back(line);
    return list;
}

void Warn(RunReport& report, std::wstring text)
{
    Out(L"warning: " + text + L"\n", stderr);
    report.warnings.push_back(std::move(text));
}

void CheckConfiguration(const Options& options, ISimProject* pProject, RunReport& report)
{
    CConfiguration config;
    OpenConfiguration(config, options.bSetup);
    auto bindings = Bindings(config, LayerNames::kAssistantsKey);
    for (const auto& protocol : Protocols(pProject))
        if (!bindings.count(protocol))
            Warn(report, L"protocol '" + protocol + L"' of the project has no assistant under " +
                             LayerNames::kAssistantsKey + L"; the layer asks nobody about it");
    if (!report.bScenario)
        return;
    for (auto& warning : LayerWarnings(config))
        Warn(report, std::move(warning));
}

void RunEdits(ISimProject* pProject, const std::vector<Edit>& edits, RunReport& report)
{
    ComPtr<IAssistLayer2> spLayer;
    HRESULT hr = CreateByProgId(LayerNames::kLayerProgId, spLayer);
    if (FAILED(hr))
        throw CCannotRun(L"cannot create the layer (" + std::wstring(LayerNames::kLayerProgId) + L"): " + HexCode(hr));
    ComPtr<IDispatch> spTopology;
    pProject->QueryInterface(IID_PPV_ARGS(&spTopology));
    CRunner runner(pProject, spLayer);
    runner.NewEvents();
    if (FAILED(hr = spLayer->Init(spTopology.Get())))
        Warn(report, L"the layer's Init answered " + HexCode(hr));
    report.initTrace = runner.NewEvents();
    CProgress progress;
    for (size_t i = 0; i < edits.size(); ++i) {
        progress.Show(L"edit " + std::to_wstring(i + 1) + L" of " + std::to_wstring(edits.size()) + L": " +
                      edits[i].strText);
        report.rows.push_back(runner.Run(edits[i]));
    }
    spLayer->Term();
    report.termTrace = runner.NewEvents();
}

int Run(const Options& options)
{
    const ULONGLONG ullStarted = GetTickCount64();
    RunReport report;
    report.bScenario = !options.strScenario.empty();
    report.bTree = options.bTree;
    report.bTrace = options.bTrace;
    report.bLog = options.bLog;
    report.cchWidth = options.bWide ? 0 : TerminalWidth();
    std::vector<Edit> edits = report.bScenario ? ReadScenario(options.strScenario) : std::vector<Edit>{};
    // The layer is registered only once the project has loaded: a bad
    // project file is reported whatever state the layer is in.
    Register(options, {L"HostSim.dll", L"Samples.dll"});
    ComPtr<ISimProject> spProject;
    {
        CProgress progress;
        progress.Show(L"loading " + options.strProject);
        spProject = LoadProject(options.strProject);
    }
    CBstr name, tree;
    spProject->get_Name(name.Out());
    spProject->get_Tree(tree.Out());
    report.strProject = name.View();
    report.strTree = tree.View();
    try {
        Register(options, {L"Layer.dll"});
    } catch (const CCannotRun& e) {
        // The tree alone needs no layer.
        if (report.bScenario)
            throw;
        Warn(report, e.Text());
    }
    CheckVerdictNames(options, spProject.Get(), edits);
    CheckConfiguration(options, spProject.Get(), report);
    std::wstring logPath = ErrorLogPath();
    std::streamoff logStart = FileSize(logPath);
    if (report.bScenario)
        RunEdits(spProject.Get(), edits, report);
    report.log = LogRowsFrom(logPath, logStart);
    Out(options.bJson ? JsonReport(report) : TextReport(report));
    const double dSeconds = static_cast<double>(GetTickCount64() - ullStarted) / 1000;
    if (!options.strJunit.empty())
        WriteJUnit(options.strJunit, ScenarioJUnit(report, options.strScenario, dSeconds));
    return ExitStatus(report);
}

int RunGuarded(const Options& options)
{
    try {
        return options.strConformance.empty() ? Run(options) : RunConformance(options, ExeFolder());
    } catch (const CCannotRun& e) {
        return ReportCannotRun(e);
    } catch (const CComError& e) {
        return ReportCannotRun(CCannotRun(L"the run stopped on " + HexCode(e.Result())));
    } catch (const std::exception& e) {
        return ReportCannotRun(CCannotRun(L"the run stopped: " + FromUtf8(e.what())));
    } catch (...) {
        return ReportCannotRun(CCannotRun(L"the run stopped on an unknown failure"));
    }
}

int RunCommandLine(std::vector<std::wstring> args)
{
    std::vector<wchar_t*> argv;
    argv.reserve(args.size());
    for (auto& arg : args)
        argv.push_back(arg.data());
    Options options;
    int status = ReadCommandLine(static_cast<int>(argv.size()), argv.data(), options, true);
    return status >= 0 ? status : RunGuarded(options);
}

// Each line a command line, run in this one process (scripts that make many
// runs pay for one process start); each run's output ends with its status.
int RunBatch(const std::wstring& path)
{
    std::wstring text, reason;
    if (!ReadTextFile(path, text, reason))
        return ReportCannotRun(CCannotRun(path + L": " + reason));
    int worst = kAllHeld;
    std::wistringstream lines(text);
    for (std::wstring line; std::getline(lines, line);) {
        std::vector<std::wstring> args = SplitWords(line);
        if (args.empty() || args[0][0] == L'#')
            continue;
        args.insert(args.begin(), L"zurhost");
        Out(L"== zurhost " + line + L"\n");
        int status = RunCommandLine(args);
        Out(L"== exit " + std::to_wstring(status) + L"\n");
        worst = std::max(worst, status);
    }
    return worst;
}

} // namespace

int ReportCannotRun(const CCannotRun& e)
{
    Out(L"zurhost: " + e.Text() + L"\n", stderr);
    return kCannotRun;
}

int wmain(int argc, wchar_t** argv)
{
    // Plain line ends, whatever reads the output.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    Options options;
    int status = ReadCommandLine(argc, argv, options);
    if (status >= 0)
        return status;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    status = options.strBatch.empty() ? RunGuarded(options) : RunBatch(options.strBatch);
    CoUninitialize();
    return status;
}
