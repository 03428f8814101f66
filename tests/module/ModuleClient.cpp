#include "ModuleClient.h"
#include <objbase.h>
#include "support/TestEnvironment.h"

ProcessResult RunProcess(const std::wstring& commandLine)
{
    ProcessResult result;
    SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, TRUE};
    HANDLE hRead = nullptr, hWrite = nullptr;
    if (!CreatePipe(&hRead, &hWrite, &sa, 0))
        return result;
    SetHandleInformation(hRead, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = si.hStdError = hWrite;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi = {};
    std::wstring line = commandLine;
    const BOOL bStarted = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    CloseHandle(hWrite); // the child holds its own copy: reading ends when it exits
    char buffer[4096];
    DWORD cb = 0;
    while (bStarted && ReadFile(hRead, buffer, sizeof(buffer), &cb, nullptr) && cb)
        result.output.append(buffer, cb);
    CloseHandle(hRead);
    if (!bStarted)
        return result;
    WaitForSingleObject(pi.hProcess, INFINITE);
    GetExitCodeProcess(pi.hProcess, &result.dwExitCode);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return result;
}

std::wstring ModulePath()
{
    return BinaryDirectory() + L"Layer.dll";
}

DWORD RunRegsvr32(bool bUnregister)
{
    std::wstring line = std::wstring(L"regsvr32.exe ") + (bUnregister ? L"/u " : L"") + L"/s \"" + ModulePath() + L"\"";
    return RunProcess(line).dwExitCode;
}

std::wstring ReadClassesRootString(const std::wstring& key, const wchar_t* pszName)
{
    wchar_t szData[1024] = {};
    DWORD cb = sizeof(szData) - sizeof(wchar_t);
    DWORD dwType = 0;
    LONG lError = RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), pszName, RRF_RT_ANY, &dwType, szData, &cb);
    if (lError != ERROR_SUCCESS)
        return L"<absent>";
    if (dwType != REG_SZ)
        return L"<type " + std::to_wstring(dwType) + L">";
    return szData;
}

bool ClassesRootKeyExists(const std::wstring& key)
{
    HKEY hKey = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return false;
    RegCloseKey(hKey);
    return true;
}

HRESULT ModuleCanUnloadNow()
{
    auto pfn = ModuleExport<EntryPoint>(GetModuleHandleW(L"Layer.dll"), "DllCanUnloadNow");
    return pfn ? pfn() : E_UNEXPECTED;
}
