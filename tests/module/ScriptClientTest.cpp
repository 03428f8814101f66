// Late-bound clients that no one here wrote: the system's script host runs
// VBScript and JScript against both classes, created by ProgID, and a script
// sees what an early-bound client making the same calls sees.
#include <windows.h>
#include <gtest/gtest.h>
#include <string>
#include <wrl/client.h>
#include "HostSim.h"
#include "ModuleClient.h"
#include "interfaces/LayerNames.h"
#include "support/Checks.h"
#include "support/TestEnvironment.h"

using Microsoft::WRL::ComPtr;

namespace {

// Component A speaks "Loop", whose assistant is a proxy asking a proxy that has
// none: every answer is that E_FAIL, with the characteristics it was handed.
// The debug option's value is left empty: each pass sets its own.
using namespace LayerNames;
const std::wstring kUserValues[][3] = {{kAssistantsKey, L"Loop", kProxyProgId},
                                       {kErrorDBsKey, L"Loop", L"dbLoop"},
                                       {kAssistantsKey + std::wstring(L"\\Loop"), L"Inner", kProxyProgId},
                                       {kErrorDBsKey + std::wstring(L"\\Loop"), L"Inner", L"dbInner"},
                                       {kOptionsKey, kDebugValue, L""}};
const char kProject[] = R"(<project name="p"><topology><component name="A" type="t"><root><deviceInfo><device>
<DeviceManagerObject><communicationEntity protocol="Loop"><port name="X" type="t"/></communicationEntity>
</DeviceManagerObject></device></deviceInfo></root></component></topology></project>)";
// Each check's arguments between the two strings, in slot order, as a script writes them.
const char* const kScriptArgs[] = {"n",          "a, c1, c2", "n, n, 0", "n, n, n, 0", "n, n, n, 0", "n, n, n, 0",
                                   "n, n, n, 0", "n, n, n",   "n, n, n", "n, n, n",    "n, n, n",    "n, n"};

// A value for an [out] parameter goes in; nothing comes back to JScript.
const char kJScriptLifecycle[] = R"(
function hex(n) { return ("00000000" + ((n < 0 ? n + 0x100000000 : n).toString(16))).slice(-8).toUpperCase(); }
function hr(f) { try { f(); return "00000000"; } catch (e) { return hex(e.number); } }
var layer = new ActiveXObject(WScript.Arguments(0)), proxy = new ActiveXObject(WScript.Arguments(1));
WScript.Echo("Add " + hr(function () { layer.Add("CAN", WScript.Arguments(1), proxy, "CAN.ErrDB"); }));
WScript.Echo("NewProjectCreated " + hr(function () { layer.NewProjectCreated(); }));
var bus = "kept";
WScript.Echo("GetProcessedBusName " + hr(function () { layer.GetProcessedBusName(bus); }) + " " + bus);
WScript.Echo("CheckDelete " + hr(function () { proxy.CheckDelete("m0", null, null, null); }));
WScript.Echo("proxy Init " + hr(function () { proxy.Init(null, null); }));
WScript.Echo("Term " + hr(function () { layer.Term(); }));
)";

// Runs a script with cscript, the two ProgIDs its arguments, and returns what it printed.
std::string RunScript(const std::wstring& name, const std::string& text)
{
    ProcessResult result = RunProcess(L"cscript.exe //nologo \"" + WriteTempFile(name, text) + L"\" " + kLayerProgId +
                                      L" " + kProxyProgId);
    EXPECT_EQ(result.dwExitCode, 0u) << result.output;
    return result.output;
}

// Each check, then the layer's GetProcessedBusName, with the variables set
// to "m0", "d0", the port and Nothing first: made early-bound and written in
// VBScript. Each client prints what it then sees as "layer.CheckAll 80004005
// [msg] [db] True", True while the characteristics are the port and Nothing.
struct CTwoClients
{
    template <class I>
    void Calls(I* p, const std::string& name, IComponent* piA, ICharacteristic* piPort)
    {
        for (const CheckKind& kind : kChecks) {
            BSTR msg = SysAllocString(L"m0"), db = SysAllocString(L"d0"); // what is written over them is lost
            ComPtr<ICharacteristic> spC1 = piPort, spC2;
            CheckArgs args{kind.nSlot == 11 ? piA : nullptr};
            args.ppCharErr1 = spC1.GetAddressOf(), args.ppCharErr2 = spC2.GetAddressOf();
            HRESULT hr = CallCheck(p, kind.nSlot, &msg, args, &db);
            Call(name + "." + Narrow(kind.name), std::string(" msg, ") + kScriptArgs[kind.nSlot - 10] + ", db", hr, msg,
                 db, spC1.Get() == piPort && !spC2);
        }
        if constexpr (std::is_same_v<I, IAssistLayer2>) {
            BSTR bus = SysAllocString(L"m0");
            HRESULT hr = p->GetProcessedBusName(&bus);
            Call("layer.GetProcessedBusName", " msg", hr, bus, L"d0", true);
        }
    }
    void Call(const std::string& call, const std::string& args, HRESULT hr, const wchar_t* msg, const wchar_t* db,
              bool bKept)
    {
        char szHr[12];
        snprintf(szHr, sizeof(szHr), " %lX [", static_cast<unsigned long>(hr));
        early +=
            call + szHr + Narrow(msg ? msg : L"") + "] [" + Narrow(db ? db : L"") + (bKept ? "] True\n" : "] False\n");
        script += "msg = \"m0\" : db = \"d0\" : Set c1 = port : Set c2 = Nothing : Err.Clear\n" + call + args +
                  "\nSeen \"" + call + "\"\n";
    }
    std::string early, script = R"(Set project = CreateObject("HostSim.Project.1") : project.Load path
Set a = project.RootComponent : Set port = project.Port("A:X") : Set n = Nothing
Set layer = CreateObject(WScript.Arguments(0)) : layer.Init project
Set proxy = CreateObject(WScript.Arguments(1)) : proxy.InitEx project, Nothing, "Loop"
Sub Seen(name)
    WScript.Echo name & " " & Hex(Err.Number) & " [" & msg & "] [" & db & "] " & (c1 Is port And c2 Is Nothing)
End Sub
On Error Resume Next
)";
};

using ScriptClient = RegisteredModule;

} // namespace

// Under the debug option 0 or 1 no method writes an out-parameter; under 2
// CheckAll hands the client's characteristics to the assistants and back.
// The layer, one per process, reads its options as it is made: with no object
// of the module left, the module is unloaded and the next layer made anew.
TEST_F(ScriptClient, VBScriptSeesWhatAnEarlyBoundClientSees)
{
    const std::wstring path = WriteTempFile(L"loop.xml", kProject);
    for (const wchar_t* debug : {L"0", L"1", L"2"}) {
        SCOPED_TRACE(Narrow(debug));
        for (const auto& value : kUserValues) {
            const std::wstring data = value[2].empty() ? debug : value[2], key = L"Software\\HostSim\\Configuration\\";
            RegSetKeyValueW(HKEY_CURRENT_USER, (key + value[0]).c_str(), value[1].c_str(), REG_SZ, data.c_str(),
                            static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
        }
        CoFreeUnusedLibrariesEx(0, 0);
        ComPtr<ISimProject> spProject;
        ComPtr<IDispatch> spA, spPort;
        ComPtr<IAssistLayer2> spLayer;
        ComPtr<IAssist3> spProxy;
        ASSERT_EQ(CoCreateInstance(CLSID_Project, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&spProject)), S_OK);
        ASSERT_EQ(spProject->Load(CBstr(path)), S_OK);
        ASSERT_EQ(spProject->get_RootComponent(&spA) | spProject->Port(CBstr(L"A:X"), &spPort), S_OK);
        ASSERT_EQ(CoCreateInstance(CLSID_AssistLayer2, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&spLayer)), S_OK);
        ASSERT_EQ(CoCreateInstance(CLSID_ProxyAssistant, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&spProxy)), S_OK);
        EXPECT_EQ(spLayer->Init(spProject.Get()) | spProxy->InitEx(spProject.Get(), nullptr, CBstr(L"Loop")), S_OK);
        ComPtr<IComponent> spComponent;
        ComPtr<ICharacteristic> spChar;
        ASSERT_EQ(spA.As(&spComponent) | spPort.As(&spChar), S_OK);
        CTwoClients clients;
        clients.Calls(spLayer.Get(), "layer", spComponent.Get(), spChar.Get());
        clients.Calls(spProxy.Get(), "proxy", spComponent.Get(), spChar.Get());
        spLayer->Term(), spProxy->Term();
        EXPECT_EQ(RunScript(L"calls.vbs", "path = \"" + Narrow(path) + "\"\n" + clients.script), clients.early);
        const std::string& early = clients.early;
        const std::string gated = debug[0] == L'0' ? " 0 [m0] [d0] True" : " 80004005 [m0] [d0] True";
        for (size_t pos = 0, end; debug[0] != L'2' && (end = early.find('\n', pos)) != std::string::npos; pos = end + 1)
            EXPECT_EQ(early.substr(end - gated.size(), gated.size()), gated);
    }
    for (const auto& value : kUserValues)
        RegDeleteKeyValueW(HKEY_CURRENT_USER, (L"Software\\HostSim\\Configuration\\" + value[0]).c_str(),
                           value[1].c_str());
}

TEST_F(ScriptClient, JScriptDrivesTheLifecycleAndReadsFailures)
{
    EXPECT_EQ(RunScript(L"lifecycle.js", kJScriptLifecycle),
              "Add 800A01B6\n" // only IAssistLayerTest offers it, not the default
              "NewProjectCreated 00000000\n"
              "GetProcessedBusName 00000000 kept\n"
              "CheckDelete 80004005\n" // no assistant behind the proxy yet
              "proxy Init 80004001\n"
              "Term 00000000\n");
}
