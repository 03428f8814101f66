// Late-bound clients that no one here wrote: the system's script host runs
// JScript and VBScript against both classes, created by ProgID.
#include <windows.h>
#include <gtest/gtest.h>
#include <string>
#include "ModuleClient.h"
#include "interfaces/LayerNames.h"
#include "support/TestEnvironment.h"

namespace {

// Runs a script with cscript, the two ProgIDs its arguments, and returns what it printed.
std::string RunScript(const std::wstring& name, const std::string& text)
{
    ProcessResult result = RunProcess(L"cscript.exe //nologo \"" + WriteTempFile(name, text) + L"\" " +
                                      LayerNames::kLayerProgId + L" " + LayerNames::kProxyProgId);
    EXPECT_EQ(result.dwExitCode, 0u) << result.output;
    return result.output;
}

using ScriptClient = RegisteredModule;

const char kJScriptLifecycle[] = R"(
function hex(n) { return ("00000000" + ((n < 0 ? n + 0x100000000 : n).toString(16))).slice(-8).toUpperCase(); }
function hr(f) { try { f(); return "00000000"; } catch (e) { return hex(e.number); } }
var layer = new ActiveXObject(WScript.Arguments(0)), proxy = new ActiveXObject(WScript.Arguments(1));
WScript.Echo("Add " + hr(function () { layer.Add("CAN", WScript.Arguments(1), proxy, "CAN.ErrDB"); }));
WScript.Echo("NewProjectCreated " + hr(function () { layer.NewProjectCreated(); }));
WScript.Echo("CheckDelete " + hr(function () { proxy.CheckDelete(null, null, null, null); }));
WScript.Echo("proxy Init " + hr(function () { proxy.Init(null, null); }));
WScript.Echo("Term " + hr(function () { layer.Term(); }));
)";

// A VBScript variable passed for an [out] parameter arrives by reference.
// (A verdict read this way, through the host simulator, is the script
// example's end-to-end case.)
const char kVBScript[] = R"(
Set layer = CreateObject(WScript.Arguments(0))
Set proxy = CreateObject(WScript.Arguments(1))
bus = 5
layer.GetProcessedBusName bus
WScript.Echo "GetProcessedBusName " & TypeName(bus) & " [" & bus & "]"
On Error Resume Next
msg = 1 : db = 2 : c1 = 1 : c2 = 2 : Set comp = Nothing
proxy.CheckAll msg, comp, c1, c2, db
WScript.Echo "CheckAll " & Hex(Err.Number) & " " & TypeName(msg) & " " & (c1 Is Nothing) & " " & (c2 Is Nothing) & " " & TypeName(db)
)";

} // namespace

TEST_F(ScriptClient, VBScriptReceivesOutParametersByReference)
{
    EXPECT_EQ(RunScript(L"outparams.vbs", kVBScript), "GetProcessedBusName String []\n"
                                                      "CheckAll 80004005 String True True String\n");
}

TEST_F(ScriptClient, JScriptDrivesTheLifecycleAndReadsFailures)
{
    EXPECT_EQ(RunScript(L"lifecycle.js", kJScriptLifecycle),
              "Add 800A01B6\n" // only IAssistLayerTest offers it, not the default
              "NewProjectCreated 00000000\n"
              "CheckDelete 80004005\n" // no assistant behind the proxy yet
              "proxy Init 80004001\n"
              "Term 00000000\n");
}
