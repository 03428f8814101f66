// zurhost: a command-line host for the assistant layer. It loads a plant
// project into the host simulator, initialises the layer with it, puts the
// edits of a scenario to the layer and prints the verdicts. It meets the
// simulator, the samples and the layer only through their COM classes.
#include "com/Owners.h"
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

const wchar_t g_szErrorLogName[] = L"Tessaro_Error_Log.csv";

// Ends a run that cannot be made; the message says why.
class CCannotRun
{
public:
    explicit CCannotRun(std::wstring text) : m_strText(std::move(text)) {}
    const std::wstring& Text() const { return m_strText; }

private:
    std::wstring m_strText;
};

std::wstring ExeFolder()
{
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, n);
    return folder.substr(0, folder.find_last_of(L"\\/") + 1);
}

std::wstring ErrorLogPath()
{
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + g_szErrorLogName;
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
    std::vector<Edit> edits;
    std::wstring text, error;
    if (!ReadTextFile(path, text, error) || !ParseScenario(text, edits, error))
        throw CCannotRun(path + L": " + error);
    return edits;
}

void Register(const Options& options, std::initializer_list<const wchar_t*> dlls)
{
    std::wstring error;
    if (options.bSetup && !RegisterServers(ExeFolder(), {dlls.begin(), dlls.end()}, error))
        throw CCannotRun(error);
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
    std::wstring error;
    if (!OpenConfiguration(config, options.bSetup, error))
        throw CCannotRun(error);
    auto bindings = Bindings(config, g_szAssistantsKey);
    for (const auto& protocol : Protocols(pProject))
        if (!bindings.count(protocol))
            Warn(report,
                 L"protocol '" + protocol +
                     L"' of the project has no assistant under BindedAssistants; the layer asks nobody about it");
    if (!report.bScenario)
        return;
    for (auto& warning : LayerWarnings(config))
        Warn(report, std::move(warning));
}

void RunEdits(ISimProject* pProject, const std::vector<Edit>& edits, RunReport& report)
{
    ComPtr<IAssistLayer2> spLayer;
    HRESULT hr = CreateByProgId(g_szLayerProgId, spLayer);
    if (FAILED(hr))
        throw CCannotRun(L"cannot create the layer (" + std::wstring(g_szLayerProgId) + L"): " + HexCode(hr));
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
    std::wstring error;
    {
        CProgress progress;
        progress.Show(L"loading " + options.strProject);
        if (!(spProject = LoadProject(options.strProject, error)))
            throw CCannotRun(error);
    }
    CBstr name, tree;
    spProject->get_Name(name.Out());
    spProject->get_Tree(tree.Out());
    report.strProject = name.View();
    report.strTree = tree.View();
    if (options.bSetup && !RegisterServers(ExeFolder(), {L"Layer.dll"}, error)) {
        if (report.bScenario)
            throw CCannotRun(error);
        Warn(report, error);
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
    if (!options.strJunit.empty() &&
        !WriteJUnit(options.strJunit, ScenarioJUnit(report, options.strScenario, dSeconds), error))
        throw CCannotRun(error);
    return ExitStatus(report);
}

int RunGuarded(const Options& options)
{
    try {
        return options.strConformance.empty() ? Run(options) : RunConformance(options, ExeFolder());
    } catch (const CCannotRun& e) {
        Out(L"zurhost: " + e.Text() + L"\n", stderr);
    } catch (const CComError& e) {
        Out(L"zurhost: the run stopped on " + HexCode(e.Result()) + L"\n", stderr);
    } catch (const std::exception& e) {
        Out(L"zurhost: the run stopped: " + FromUtf8(e.what()) + L"\n", stderr);
    } catch (...) {
        Out(L"zurhost: the run stopped on an unknown failure\n", stderr);
    }
    return g_nCannotRun;
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
    if (!ReadTextFile(path, text, reason)) {
        Out(L"zurhost: " + path + L": " + reason + L"\n", stderr);
        return g_nCannotRun;
    }
    int worst = g_nAllHeld;
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
