// Registration and configuration for a run.
#include "zurhost/Setup.h"
#include "hostsim/ComServer.h"
#include "hostsim/SimContext.h"

const SampleBinding g_sampleBindings[3] = {
    {L"PROFIBUS DP", L"Samples.ProfibusDP.1", L"{8E3B5C11-2A47-4F0D-9B61-5D2C7A90E341}"},
    {L"PROFINET IO", L"Samples.ProfinetIO.1", L"{8E3B5C12-2A47-4F0D-9B61-5D2C7A90E341}"},
    {L"CANopen", L"Samples.CANopen.1", L"{8E3B5C13-2A47-4F0D-9B61-5D2C7A90E341}"},
};

namespace {

std::wstring ConfigKey(const wchar_t* pszSub)
{
    return std::wstring(g_szConfigurationKey) + L"\\" + pszSub;
}

} // namespace

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
            wchar_t hex[16];
            swprintf(hex, 16, L"0x%08lX", static_cast<unsigned long>(hr));
            strError = L"registering " + path + L" failed with " + hex;
            return false;
        }
    }
    return true;
}

std::wstring BoundProgId(const std::wstring& protocol)
{
    std::wstring key = ConfigKey(L"BindedAssistants");
    for (HKEY hRoot : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        wchar_t buffer[512];
        DWORD cb = sizeof(buffer);
        if (RegGetValueW(hRoot, key.c_str(), protocol.c_str(), RRF_RT_REG_SZ, nullptr, buffer, &cb) == ERROR_SUCCESS)
            return buffer;
    }
    return {};
}

std::vector<std::wstring> BindSampleAssistants()
{
    std::vector<std::wstring> bound;
    std::wstring assistants = ConfigKey(L"BindedAssistants"), databases = ConfigKey(L"BindedAssistants_ErrDB");
    for (const auto& binding : g_sampleBindings) {
        if (!BoundProgId(binding.pszProtocol).empty())
            continue;
        if (SUCCEEDED(
                WriteRegistryString(HKEY_CURRENT_USER, assistants.c_str(), binding.pszProtocol, binding.pszProgId)) &&
            SUCCEEDED(WriteRegistryString(HKEY_CURRENT_USER, databases.c_str(), binding.pszProtocol,
                                          binding.pszErrorDatabase)))
            bound.push_back(binding.pszProtocol);
    }
    return bound;
}
