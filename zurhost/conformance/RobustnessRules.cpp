// Robustness: null objects and out-pointers (the layer may hand on a null
// component), an empty value and an empty protocol name, and a project whose
// devices speak no protocol. Whatever the answer, it must be one: a
// structured exception here breaks this rule rather than "exceptions".
#include "com/Owners.h"
#include "zurhost/Names.h"
#include "zurhost/conformance/ConformanceRun.h"
#include <fstream>

namespace {

const char g_szBareProject[] = "<project name=\"Bare\"><topology><component name=\"Bare\" type=\"Project\">"
                               "<root><deviceInfo/></root>"
                               "<component name=\"Mute\" type=\"Sensor\"><root><deviceInfo/></root></component>"
                               "</component></topology></project>\n";

void NullObjects(ConformanceRun& run, IAssist2* pAssist)
{
    const std::wstring& some = run.plant.plant.back();
    const CheckCall calls[] = {
        {CheckId::NewDevice, {}, {}, 0, {}},      {CheckId::All, {}, {}, 0, {}},
        {CheckId::PropertyChange, {}, {}, 0, {}}, {CheckId::InsertDrop, {}, some, 1, {}},
        {CheckId::MoveDrop, {}, some, 1, {}},     {CheckId::ReplaceDrop, {}, {}, 0, {}},
        {CheckId::Connect, {}, {}, 0, {}},        {CheckId::Disconnect, {}, {}, 0, {}},
        {CheckId::Delete, {}, {}, 0, {}},
    };
    for (const CheckCall& call : calls)
        AskAssistant(run, pAssist, run.plant, call, JudgeUnusual);
}

void NullOutPointers(ConformanceRun& run, IAssist2* pAssist)
{
    ComPtr<IComponent> spComponent = run.plant.Component(run.plant.plant.back());
    const std::wstring text = L"CheckNewDevice(null, \"" + run.plant.plant.back() + L"\", null)";
    run.spLayerProbe->Enter(text);
    CallResult result =
        PutCall(run, Rule::Timing, text, [&] { return pAssist->CheckNewDevice(nullptr, spComponent.Get(), nullptr); });
    run.spLayerProbe->Leave();
    JudgeAnswer(run, text, result, JudgeUnusual);
}

void EmptyValue(ConformanceRun& run, IAssist2* pAssist)
{
    if (run.plant.items.empty())
        return;
    PlantItem item = run.plant.items.front();
    item.strValue.clear();
    AskAssistant(run, pAssist, run.plant, {CheckId::PropertyChange, {}, {}, 0, item}, JudgeUnusual);
}

std::wstring WriteBareProject()
{
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    std::wstring path = std::wstring(folder) + L"zurhost-conformance-bare.xml";
    std::ofstream(path.c_str(), std::ios::binary) << g_szBareProject;
    return path;
}

// The assistant is started on a project whose devices speak no protocol.
void NoProtocol(ConformanceRun& run, IAssist2* pAssist)
{
    CPlant bare;
    std::wstring error;
    if (!bare.Load(WriteBareProject(), error)) {
        run.findings.Note(Rule::Robustness, L"the protocol-less project did not load: " + error);
        return;
    }
    const std::wstring when = L" on a project without protocols";
    StartAssistant(run, pAssist, bare.Topology().Get(), when);
    for (const CheckCall& call :
         {CheckCall{CheckId::NewDevice, L"Mute", {}, 0, {}}, CheckCall{CheckId::Delete, L"Mute", {}, 0, {}},
          CheckCall{CheckId::InsertDrop, L"Mute", L"Bare", 1, {}}, CheckCall{CheckId::All, L"root", {}, 0, {}}})
        AskAssistant(run, pAssist, bare, call, JudgeUnusual);
    StopAssistant(run, pAssist, when);
}

// An empty protocol name: any answer, and Term afterwards.
void EmptyProtocol(ConformanceRun& run, IAssist2* pAssist)
{
    ComPtr<IAssist3> spAssist3;
    if (FAILED(pAssist->QueryInterface(IID_PPV_ARGS(&spAssist3))))
        return;
    ComPtr<IDispatch> spTopology = run.plant.Topology();
    CBstr empty(L"");
    const std::wstring init = L"InitEx(topology, layer, \"\")", term = L"Term() after " + init;
    JudgeAnswer(run, init,
                PutCall(run, Rule::LifecycleTiming, init,
                        [&] { return spAssist3->InitEx(spTopology.Get(), run.spLayerProbe.Get(), empty.Get()); }),
                JudgeUnusual);
    JudgeAnswer(run, term, PutCall(run, Rule::LifecycleTiming, term, [&] { return spAssist3->Term(); }), JudgeUnusual);
}

} // namespace

// Runs on a started assistant and leaves it stopped.
void CheckRobustness(ConformanceRun& run, IAssist2* pAssist)
{
    run.findings.Judge(Rule::Robustness);
    NullObjects(run, pAssist);
    NullOutPointers(run, pAssist);
    EmptyValue(run, pAssist);
    StopAssistant(run, pAssist, L" after the robustness calls");
    NoProtocol(run, pAssist);
    EmptyProtocol(run, pAssist);
}
