// Late-bound clients that no one here wrote: the system's script host runs
// JScript and VBScript against both classes, created by ProgID.
#include <windows.h>
#include <gtest/gtest.h>
#include <string>
#include "ModuleClient.h"
#include "support/TestEnvironment.h"

namespace {

// Runs a script with cscript and returns what it printed, one "\n" per line.
std::string RunScript(const std::wstring& name, const std::string& text)
{
    std::wstring path = WriteTempFile(name, text);
    ProcessResult result = RunProcess(L"cscript.exe //nologo \"" + path + L"\"");
    std::string output;
    for (char c : result.output) {
        if (c != '\r')
            output += c;
    }
    EXPECT_EQ(result.dwExitCode, 0u) << output;
    return output;
}

class ScriptClient : public testing::Test
{
protected:
    static void SetUpTestSuite() { ASSERT_EQ(RunRegsvr32(false), 0u); }
};

const char kJScriptLifecycle[] = R"(
function hex(n) { return ("00000000" + ((n < 0 ? n + 0x100000000 : n).toString(16))).slice(-8).toUpperCase(); }
function hr(f) { try { f(); return "00000000"; } catch (e) { return hex(e.number); } }
var layer = new ActiveXObject("Zerani.Layer.AssistLayer.7");
var proxy = new ActiveXObject("Zerani.Layer.ProxyAssistant.7");
WScript.Echo("Add " + hr(function () { layer.Add("CAN", "Zerani.Layer.ProxyAssistant.7", proxy, "CAN.ErrDB"); }));
WScript.Echo("NewProjectCreated " + hr(function () { layer.NewProjectCreated(); }));
WScript.Echo("CheckDelete " + hr(function () { proxy.CheckDelete(null, null, null, null); }));
WScript.Echo("proxy Init " + hr(function () { proxy.Init(null, null); }));
WScript.Echo("Term " + hr(function () { layer.Term(); }));
)";

// The bench (LayerScriptBench.dll beside the module) brings the host and
// assistant doubles into the script's process; registered for this test only.
class CBenchRegistration
{
public:
    CBenchRegistration()
    {
        Set(L"LayerTest.ScriptBench\\CLSID", nullptr, kClsid);
        Set(std::wstring(L"CLSID\\") + kClsid + L"\\InprocServer32", nullptr, BinaryDirectory() + L"LayerScriptBench.dll");
        Set(std::wstring(L"CLSID\\") + kClsid + L"\\InprocServer32", L"ThreadingModel", L"Apartment");
    }
    ~CBenchRegistration()
    {
        RegDeleteTreeW(HKEY_CLASSES_ROOT, L"LayerTest.ScriptBench");
        RegDeleteTreeW(HKEY_CLASSES_ROOT, (std::wstring(L"CLSID\\") + kClsid).c_str());
    }

private:
    static constexpr const wchar_t* kClsid = L"{6E0C1D55-2F43-4C1B-9B7A-5A3C0F2D8E11}";
    static void Set(const std::wstring& key, const wchar_t* pszName, const std::wstring& data)
    {
        EXPECT_EQ(RegSetKeyValueW(HKEY_CLASSES_ROOT, key.c_str(), pszName, REG_SZ, data.c_str(),
                                  static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
    }
};

// A VBScript variable passed for an [out] parameter arrives by reference:
// first the proxy's answers without an assistant, then a check's verdict.
const char kVBScript[] = R"(
Set layer = CreateObject("Zerani.Layer.AssistLayer.7")
Set proxy = CreateObject("Zerani.Layer.ProxyAssistant.7")
bus = 5
layer.GetProcessedBusName bus
WScript.Echo "GetProcessedBusName " & TypeName(bus) & " [" & bus & "]"
On Error Resume Next
msg = 1 : db = 2 : c1 = 1 : c2 = 2 : Set comp = Nothing
proxy.CheckNewDevice msg, comp, db
WScript.Echo "CheckNewDevice " & Hex(Err.Number) & " " & TypeName(msg) & " " & TypeName(db)
Err.Clear
proxy.CheckAll msg, comp, c1, c2, db
WScript.Echo "CheckAll " & Hex(Err.Number) & " " & (c1 Is Nothing) & " " & (c2 Is Nothing) & " " & TypeName(db)
Err.Clear
Set bench = CreateObject("LayerTest.ScriptBench")
layer.Init bench.Topology
layer.CheckNewDevice msg, bench.Component, errDB
verdict = Err.Number
On Error GoTo 0
layer.GetProcessedBusName bus
WScript.Echo Hex(verdict) & "|" & msg & "|" & errDB & "|" & bus
layer.Term
)";

} // namespace

TEST_F(ScriptClient, VBScriptReceivesOutParametersByReference)
{
    CBenchRegistration bench;
    EXPECT_EQ(RunScript(L"outparams.vbs", kVBScript),
              "GetProcessedBusName String []\n"
              "CheckNewDevice 80004005 String String\n"
              "CheckAll 80004005 True True String\n"
              "80004005|address taken|DB.BusA.Address|BusA\n");
}

TEST_F(ScriptClient, JScriptDrivesTheLifecycleAndReadsFailures)
{
    EXPECT_EQ(RunScript(L"lifecycle.js", kJScriptLifecycle),
              "Add 800A01B6\n"                 // only IAssistLayerTest offers it, not the default
              "NewProjectCreated 00000000\n"
              "CheckDelete 80004005\n"         // no assistant behind the proxy yet
              "proxy Init 80004001\n"
              "Term 00000000\n");
}
