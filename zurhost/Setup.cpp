// Registration, configuration and the checks before a run.
#include "zurhost/Setup.h"
#include "LayerLib2.h"
#include "com/Owners.h"
#include "zurhost/Names.h"
#include "zurhost/Runner.h"
#include <wrl/client.h>

namespace {

const wchar_t g_szProjectProgId[] = L"HostSim.Project.1";
const wchar_t g_szConfigurationKey[] = L"Software\\HostSim\\Configuration\\";

const struct
{
    const wchar_t* pszProtocol;
    const wchar_t* pszProgId;
    const wchar_t* pszErrorDatabase;
} g_sampleBindings[] = {
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
    std::wstring key = std::wstring(g_szConfigurationKey) + pszKey;
    return RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), pszName, REG_SZ, pszData,
                           static_cast<DWORD>((wcslen(pszData) + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

// What a debug option does to every check, or "" for normal work.
std::wstring DebugWarning(const CConfiguration& config)
{
    long lDebug = 2;
    const wchar_t* pszScope = L"the user's scope (HKCU)";
    if (!config.ReadLong(g_lUserScope, L"LayerOptions", L"Debug", lDebug)) {
        pszScope = L"the machine's scope (HKLM)";
        if (!config.ReadLong(g_lMachineScope, L"LayerOptions", L"Debug", lDebug))
            return {};
    }
    if (lDebug != 0 && lDebug != 1)
        return {};
    return std::wstring(L"LayerOptions\\Debug is ") + (lDebug ? L"1" : L"0") + L" in " + pszScope +
           L": the layer answers every check with " + (lDebug ? L"E_FAIL" : L"S_OK") +
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

bool HasValue(const std::vector<std::pair<std::wstring, std::wstring>>& values, const std::wstring& name)
{
    for (const auto& value : values)
        if (value.first == name)
            return true;
    return false;
}

// The layer loads a scope's bindings in order and stops at the first it
// cannot use: the protocols after it get no assistant from that scope.
void AddBindingWarnings(const CConfiguration& config, long lScope, std::vector<std::wstring>& warnings)
{
    const wchar_t* pszScope = lScope == g_lUserScope ? L"the user's scope" : L"the machine's scope";
    auto bindings = config.Values(lScope, g_szAssistantsKey);
    auto databases = config.Values(lScope, g_szDatabasesKey);
    bool bStopped = false;
    for (size_t i = 0; i < bindings.size(); ++i) {
        const auto& [protocol, progId] = bindings[i];
        std::wstring problem = HasValue(databases, protocol)
                                   ? AssistantProblem(progId)
                                   : std::wstring(L"has no error database under BindedAssistants_ErrDB");
        if (problem.empty())
            continue;
        std::wstring text = L"the assistant \"" + progId;
        text += L"\" bound to protocol '" + protocol + L"' in ";
        text += pszScope;
        text += L" " + problem;
        text += L": the layer has no assistant for '" + protocol + L"'";
        if (!bStopped && i + 1 < bindings.size()) {
            text += L" and stops loading " + std::wstring(pszScope) + L" there, so";
            for (size_t k = i + 1; k < bindings.size(); ++k)
                text += (k > i + 1 ? L"," : L"") + std::wstring(L" '") + bindings[k].first + L"'";
            text += L" get none from it either";
        }
        bStopped = true;
        warnings.push_back(text);
    }
}

} // namespace

Microsoft::WRL::ComPtr<ISimProject> LoadProject(const std::wstring& path, std::wstring& strError)
{
    Microsoft::WRL::ComPtr<ISimProject> spProject;
    HRESULT hr = CreateByProgId(g_szProjectProgId, spProject);
    if (FAILED(hr)) {
        strError = L"cannot create the host simulator (" + std::wstring(g_szProjectProgId) + L"): " + HexCode(hr);
        return nullptr;
    }
    CBstr bstrPath(path);
    if (FAILED(hr = spProject->Load(bstrPath))) {
        strError = LastErrorText();
        if (strError.empty())
            strError = path + L": cannot be loaded: " + HexCode(hr);
        return nullptr;
    }
    return spProject;
}

bool RegisterServers(const std::wstring& folder, const std::vector<std::wstring>& dlls, std::wstring& strError)
{
    for (const auto& dll : dlls) {
        std::wstring path = folder + dll;
        HMODULE hModule = LoadLibraryW(path.c_str());
        if (!hModule) {
            strError = L"cannot load " + path + L" (error " + std::to_wstring(GetLastError()) + L")";
            return false;
        }
        using Register = HRESULT(STDAPICALLTYPE*)();
        auto pfn = reinterpret_cast<Register>(reinterpret_cast<void*>(GetProcAddress(hModule, "DllRegisterServer")));
        HRESULT hr = pfn ? pfn() : E_NOTIMPL;
        if (FAILED(hr)) {
            strError = L"registering " + path + L" failed with " + HexCode(hr);
            return false;
        }
    }
    return true;
}

std::map<std::wstring, std::wstring> Bindings(const CConfiguration& config, const wchar_t* pszKey)
{
    // The layer reads the user's scope first; the machine's replaces what it binds again.
    std::map<std::wstring, std::wstring> bindings;
    for (long lScope : {g_lUserScope, g_lMachineScope})
        for (auto& [protocol, text] : config.Values(lScope, pszKey))
            bindings[protocol] = text;
    return bindings;
}

bool OpenConfiguration(CConfiguration& config, bool bSetup, std::wstring& strError)
{
    if (FAILED(config.Open())) {
        strError = L"cannot create the host's context object (HostSim.Context.1)";
        return false;
    }
    if (!bSetup)
        return true;
    auto bindings = Bindings(config, g_szAssistantsKey);
    for (const auto& binding : g_sampleBindings)
        if (!bindings.count(binding.pszProtocol) &&
            WriteUserString(g_szAssistantsKey, binding.pszProtocol, binding.pszProgId))
            WriteUserString(g_szDatabasesKey, binding.pszProtocol, binding.pszErrorDatabase);
    return true;
}

std::vector<std::wstring> LayerWarnings(const CConfiguration& config)
{
    std::vector<std::wstring> warnings;
    std::wstring debug = DebugWarning(config);
    if (!debug.empty())
        warnings.push_back(debug);
    for (long lScope : {g_lUserScope, g_lMachineScope})
        AddBindingWarnings(config, lScope, warnings);
    return warnings;
}
