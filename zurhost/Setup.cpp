// Registration, configuration and the checks before a run.
#include "zurhost/Setup.h"
#include "LayerLib2.h"
#include "com/Owners.h"
#include "common/BindingWalk.h"
#include "zurhost/Names.h"
#include "zurhost/Runner.h"
#include <wrl/client.h>

namespace {

const wchar_t kProjectProgId[] = L"HostSim.Project.1";
const wchar_t kConfigurationKey[] = L"Software\\HostSim\\Configuration\\";

const struct
{
    const wchar_t* pszProtocol;
    const wchar_t* pszProgId;
    const wchar_t* pszErrorDatabase;
} kSampleBindings[] = {
    {L"PROFIBUS DP", L"Samples.ProfibusDP.1", L"{8E3B5C11-2A47-4F0D-9B61-5D2C7A90E341}"},
    {L"PROFINET IO", L"Samples.ProfinetIO.1", L"{8E3B5C12-2A47-4F0D-9B61-5D2C7A90E341}"},
    {L"CANopen", L"Samples.CANopen.1", L"{8E3B5C13-2A47-4F0D-9B61-5D2C7A90E341}"},
};

std::wstring Coded(HRESULT hr)
{
    std::wstring name = KnownName(hr);
    return HexCode(hr) + (name.empty() ? L"" : L" " + name);
}

bool WriteUserString(const wchar_t* pszKey, const wchar_t* pszName, const wchar_t* pszData)
{
    std::wstring key = std::wstring(kConfigurationKey) + pszKey;
    return RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), pszName, REG_SZ, pszData,
                           static_cast<DWORD>((wcslen(pszData) + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

// What a debug option does to every check, or "" for normal work.
std::wstring DebugWarning(const CConfiguration& config)
{
    using namespace LayerNames;
    long lDebug = kDebugNormal;
    const wchar_t* pszScope = L"the user's scope (HKCU)";
    if (!config.ReadLong(kUserScope, kOptionsKey, kDebugValue, lDebug)) {
        pszScope = L"the machine's scope (HKLM)";
        if (!config.ReadLong(kMachineScope, kOptionsKey, kDebugValue, lDebug))
            return {};
    }
    if (lDebug != kDebugAnswerOk && lDebug != kDebugAnswerFail)
        return {};
    const bool bFail = lDebug == kDebugAnswerFail;
    return std::wstring(kOptionsKey) + L"\\" + kDebugValue + L" is " + std::to_wstring(lDebug) + L" in " + pszScope +
           L": the layer answers every check with " + (bFail ? L"E_FAIL" : L"S_OK") +
           L" at once, without asking any assistant; set it to 2 or delete it for normal work";
}

// Why the layer cannot use an assistant, or "".
std::wstring AssistantProblem(const std::wstring& progId)
{
    CLSID clsid;
    HRESULT hr = CLSIDFromProgID(progId.c_str(), &clsid);
    if (FAILED(hr))
        return L"is not registered (" + Coded(hr) + L")";
    Microsoft::WRL::ComPtr<IUnknown> spUnknown;
    Microsoft::WRL::ComPtr<IAssist2> spAssist;
    if (FAILED(hr = CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&spUnknown))))
        return L"cannot be created (" + Coded(hr) + L")";
    if (FAILED(hr = spUnknown.As(&spAssist)))
        return L"does not answer IAssist2 (" + Coded(hr) + L")";
    return {};
}

// The layer walks a scope's bindings in order and stops at the first it
// cannot use: the protocols after it get no assistant from that scope. Each
// walk here starts after the last stop, so every such binding is named.
void AddBindingWarnings(const CConfiguration& config, long lScope, std::vector<std::wstring>& warnings)
{
    const std::wstring scope = lScope == kUserScope ? L"the user's scope" : L"the machine's scope";
    const auto bindings = config.Values(lScope, LayerNames::kAssistantsKey);
    std::wstring problem;
    auto judge = [&](const Binding& binding) {
        problem = FAILED(binding.hrErrorDB) ? L"cannot be read (" + Coded(binding.hrErrorDB) + L")"
                                            : AssistantProblem(std::wstring(binding.progId));
        return problem.empty() ? S_OK : E_FAIL;
    };
    long lStopped = -1;
    BindingStep step = BindingStep::Read;
    for (long lFirst = 0; config.Context() && static_cast<size_t>(lFirst) < bindings.size(); lFirst = lStopped + 1) {
        HRESULT hr = WalkBindings(config.Context(), lScope, std::wstring_view(), lFirst, judge, &lStopped, &step);
        if (lStopped < 0 || static_cast<size_t>(lStopped) >= bindings.size())
            return;
        const auto& [protocol, progId] = bindings[lStopped];
        if (step != BindingStep::Take)
            problem = step == BindingStep::FindErrorDB
                          ? L"has no error database under " + std::wstring(LayerNames::kErrorDBsKey)
                          : L"cannot be read (" + Coded(hr) + L")";
        std::wstring text = L"the assistant \"" + progId;
        text += L"\" bound to protocol '" + protocol + L"' in ";
        text += scope;
        text += L" " + problem;
        text += L": the layer has no assistant for '" + protocol + L"'";
        const size_t next = static_cast<size_t>(lStopped) + 1;
        if (lFirst == 0 && next < bindings.size()) {
            text += L" and stops loading " + scope + L" there, so";
            for (size_t k = next; k < bindings.size(); ++k)
                text += (k > next ? L", '" : L" '") + bindings[k].first + L"'";
            text += L" get none from it either";
        }
        warnings.push_back(text);
    }
}

} // namespace

Microsoft::WRL::ComPtr<ISimProject> LoadProject(const std::wstring& path)
{
    Microsoft::WRL::ComPtr<ISimProject> spProject;
    HRESULT hr = CreateByProgId(kProjectProgId, spProject);
    if (FAILED(hr))
        throw CCannotRun(L"cannot create the host simulator (" + std::wstring(kProjectProgId) + L"): " + HexCode(hr));
    CBstr bstrPath(path);
    if (FAILED(hr = spProject->Load(bstrPath))) {
        std::wstring error = LastErrorText();
        throw CCannotRun(error.empty() ? path + L": cannot be loaded: " + HexCode(hr) : error);
    }
    return spProject;
}

void RegisterServers(const std::wstring& folder, const std::vector<std::wstring>& dlls)
{
    for (const auto& dll : dlls) {
        std::wstring path = folder + dll;
        HMODULE hModule = LoadLibraryW(path.c_str());
        if (!hModule)
            throw CCannotRun(L"cannot load " + path + L" (error " + std::to_wstring(GetLastError()) + L")");
        using Register = HRESULT(STDAPICALLTYPE*)();
        auto pfn = reinterpret_cast<Register>(reinterpret_cast<void*>(GetProcAddress(hModule, "DllRegisterServer")));
        HRESULT hr = pfn ? pfn() : E_NOTIMPL;
        if (FAILED(hr))
            throw CCannotRun(L"registering " + path + L" failed with " + HexCode(hr));
    }
}

std::map<std::wstring, std::wstring> Bindings(const CConfiguration& config, const wchar_t* pszKey)
{
    // The layer reads the user's scope first; the machine's replaces what it binds again.
    std::map<std::wstring, std::wstring> bindings;
    for (long lScope : {kUserScope, kMachineScope})
        for (auto& [protocol, text] : config.Values(lScope, pszKey))
            bindings[protocol] = text;
    return bindings;
}

void OpenConfiguration(CConfiguration& config, bool bSetup)
{
    if (FAILED(config.Open()))
        throw CCannotRun(L"cannot create the host's context object (HostSim.Context.1)");
    if (!bSetup)
        return;
    auto bindings = Bindings(config, LayerNames::kAssistantsKey);
    for (const auto& binding : kSampleBindings)
        if (!bindings.count(binding.pszProtocol) &&
            WriteUserString(LayerNames::kAssistantsKey, binding.pszProtocol, binding.pszProgId))
            WriteUserString(LayerNames::kErrorDBsKey, binding.pszProtocol, binding.pszErrorDatabase);
}

std::vector<std::wstring> LayerWarnings(const CConfiguration& config)
{
    std::vector<std::wstring> warnings;
    std::wstring debug = DebugWarning(config);
    if (!debug.empty())
        warnings.push_back(debug);
    for (long lScope : {kUserScope, kMachineScope})
        AddBindingWarnings(config, lScope, warnings);
    return warnings;
}
