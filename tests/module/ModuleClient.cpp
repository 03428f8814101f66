#include "ModuleClient.h"
#include <cstdio>
#include "support/TestEnvironment.h"

ProcessResult RunProcess(const std::wstring& commandLine)
{
    ProcessResult result;
    FILE* pPipe = _wpopen((commandLine + L" 2>&1").c_str(), L"rt");
    if (!pPipe)
        return result;
    char buffer[4096];
    for (size_t cb; (cb = fread(buffer, 1, sizeof(buffer), pPipe)) > 0;)
        result.output.append(buffer, cb);
    result.dwExitCode = static_cast<DWORD>(_pclose(pPipe));
    return result;
}

std::wstring ModulePath()
{
    return BinaryDirectory() + L"Layer.dll";
}

DWORD RunRegsvr32(bool bUnregister, const wchar_t* pszModule)
{
    std::wstring line = std::wstring(L"regsvr32.exe ") + (bUnregister ? L"/u " : L"") + L"/s \"" +
                        (pszModule ? BinaryDirectory() + pszModule : ModulePath()) + L"\"";
    return RunProcess(line).dwExitCode;
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
