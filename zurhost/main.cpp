// zurhost: a command-line host for the assistant layer. It loads a plant
// project into the host simulator, initialises the layer with it, puts the
// edits of a scenario to the layer and prints the verdicts.
#include "common/Bstr.h"
#include "zurhost/Names.h"
#include "zurhost/Report.h"
#include "zurhost/Setup.h"
#include <fcntl.h>
#include <io.h>
#include <fstream>
#include <sstream>

namespace {

const wchar_t g_szUsage[] =
    L"usage: zurhost [--tree] [--trace] [--log] [--json] [--no-setup] <project.xml> [<scenario>]\n"
    L"  --tree      print the plant as a tree with each device's buses\n"
    L"  --trace     print the control events the layer sent to the host\n"
    L"  --log       print the error-log rows written during the run\n"
    L"  --json      print the run as JSON instead of a table\n"
    L"  --no-setup  register nothing and bind no sample assistant\n"
    L"Exit status: 0 all stated verdicts met, 1 one or more not met, 2 the run could not be made.\n";
const wchar_t g_szLayerProgId[] = L"Zerani.Layer.AssistLayer.7";
const wchar_t g_szProjectProgId[] = L"HostSim.Project.1";
const wchar_t g_szErrorLogName[] = L"Tessaro_Error_Log.csv";

struct Options
{
    bool bTree = false, bTrace = false, bLog = false, bJson = false, bSetup = true;
    std::wstring strProject, strScenario;
};

int Fail(const std::wstring& text)
{
    Out(L"zurhost: " + text + L"\n", stderr);
    return 2;
}

bool ReadFile(const std::wstring& path, std::string& bytes)
{
    std::ifstream file(path.c_str(), std::ios::binary);
    if (!file)
        return false;
    std::ostringstream content;
    content << file.rdbuf();
    bytes = content.str();
    return true;
}

std::wstring Widen(const std::string& bytes, UINT codePage)
{
    int n = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(n, L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), n);
    return text;
}

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

std::vector<std::wstring> LogRowsFrom(const std::wstring& path, std::streamoff offset)
{
    std::string bytes;
    std::vector<std::wstring> rows;
    if (!ReadFile(path, bytes) || static_cast<std::streamoff>(bytes.size()) <= offset)
        return rows;
    std::wistringstream lines(Widen(bytes.substr(static_cast<size_t>(offset)), CP_ACP));
    std::wstring line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == L'\r')
            line.pop_back();
        if (!line.empty())
            rows.push_back(line);
    }
    return rows;
}

bool ParseOptions(int argc, wchar_t** argv, Options& options)
{
    std::vector<std::wstring> files;
    for (int i = 1; i < argc; ++i) {
        std::wstring arg = argv[i];
        if (arg == L"--tree")
            options.bTree = true;
        else if (arg == L"--trace")
            options.bTrace = true;
        else if (arg == L"--log")
            options.bLog = true;
        else if (arg == L"--json")
            options.bJson = true;
        else if (arg == L"--no-setup")
            options.bSetup = false;
        else if (arg.rfind(L"--", 0) == 0)
            return false;
        else
            files.push_back(arg);
    }
    if (files.empty() || files.size() > 2)
        return false;
    options.strProject = files[0];
    if (files.size() == 2)
        options.strScenario = files[1];
    else
        options.bTree = true;
    return true;
}

template <class Itf>
HRESULT CreateByProgId(const wchar_t* pszProgId, ComPtr<Itf>& sp)
{
    CLSID clsid;
    HRESULT hr = CLSIDFromProgID(pszProgId, &clsid);
    return FAILED(hr) ? hr : CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&sp));
}

int Run(const Options& options)
{
    RunReport report;
    report.bTree = options.bTree;
    report.bTrace = options.bTrace;
    report.bLog = options.bLog;
    std::vector<Edit> edits;
    if (!options.strScenario.empty()) {
        std::string bytes;
        std::wstring error;
        if (!ReadFile(options.strScenario, bytes))
            return Fail(L"cannot read the scenario " + options.strScenario);
        if (!ParseScenario(Widen(bytes, CP_UTF8), edits, error))
            return Fail(options.strScenario + L": " + error);
    }
    // The layer is registered only once the project has loaded: a bad
    // project file is reported whatever state the layer is in.
    std::wstring error;
    if (options.bSetup && !RegisterServers(ExeFolder(), {L"HostSim.dll", L"Samples.dll"}, error))
        return Fail(error);
    ComPtr<ISimProject> spProject;
    HRESULT hr = CreateByProgId(g_szProjectProgId, spProject);
    if (FAILED(hr))
        return Fail(L"cannot create the host simulator (" + std::wstring(g_szProjectProgId) + L"): " + HexCode(hr));
    CBstr path(options.strProject);
    if (FAILED(hr = spProject->Load(path))) {
        std::wstring reason = LastErrorText();
        return Fail(reason.empty() ? L"cannot load " + options.strProject + L": " + HexCode(hr) : reason);
    }
    CBstr name, tree, protocols;
    spProject->get_Name(name.Out());
    spProject->get_Tree(tree.Out());
    spProject->Protocols(protocols.Out());
    report.strProject = name.View();
    report.strTree = tree.View();
    if (options.bSetup) {
        if (!RegisterServers(ExeFolder(), {L"Layer.dll"}, error)) {
            if (!options.strScenario.empty())
                return Fail(error);
            report.warnings.push_back(error);
        }
        BindSampleAssistants();
    }
    std::wstring list(protocols.View());
    for (size_t start = 0; start < list.size();) {
        size_t end = list.find(L'\n', start);
        std::wstring protocol = list.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
        start = end == std::wstring::npos ? list.size() : end + 1;
        if (BoundProgId(protocol).empty())
            report.warnings.push_back(L"protocol '" + protocol +
                                      L"' of the project has no assistant under BindedAssistants; "
                                      L"the layer asks nobody about it");
    }
    if (options.strScenario.empty()) {
        PrintTable(report);
        return 0;
    }
    std::wstring logPath = ErrorLogPath();
    std::streamoff logStart = FileSize(logPath);
    ComPtr<IAssistLayer2> spLayer;
    if (FAILED(hr = CreateByProgId(g_szLayerProgId, spLayer)))
        return Fail(L"cannot create the layer (" + std::wstring(g_szLayerProgId) + L"): " + HexCode(hr));
    ComPtr<IDispatch> spTopology;
    spProject.As(&spTopology);
    if (FAILED(hr = spLayer->Init(spTopology.Get())))
        report.warnings.push_back(L"the layer's Init answered " + HexCode(hr));
    CRunner runner(spProject, spLayer);
    for (const auto& edit : edits)
        report.rows.push_back(runner.Run(edit));
    spLayer->Term();
    long lEvents = 0;
    spProject->get_EventCount(&lEvents);
    for (long i = 0; i < lEvents; ++i) {
        CBstr text;
        spProject->EventText(i, text.Out());
        report.trace.push_back(std::wstring(text.View()));
    }
    report.log = LogRowsFrom(logPath, logStart);
    if (options.bJson)
        PrintJson(report);
    else
        PrintTable(report);
    for (const auto& row : report.rows)
        if (!row.bExpectationMet)
            return 1;
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    // Plain line ends, whatever reads the output.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        Out(g_szUsage, stderr);
        return 2;
    }
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    int status = Run(options);
    CoUninitialize();
    return status;
}
