#include "ModuleClient.h"
#include <vector>
#include "support/TestEnvironment.h"

namespace {

struct HandleOwner
{
    HANDLE h = nullptr;
    ~HandleOwner()
    {
        if (h)
            CloseHandle(h);
    }
};

} // namespace

ProcessResult RunProcess(const std::wstring& commandLine)
{
    ProcessResult result;
    SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, TRUE};
    HandleOwner read, write;
    if (!CreatePipe(&read.h, &write.h, &sa, 0))
        return result;
    SetHandleInformation(read.h, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = write.h;
    si.hStdError = write.h;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi = {};
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi))
        return result;
    CloseHandle(write.h);
    write.h = nullptr;
    char buffer[4096];
    DWORD cb = 0;
    while (ReadFile(read.h, buffer, sizeof(buffer), &cb, nullptr) && cb)
        result.output.append(buffer, cb);
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

std::wstring WriteTempFile(const std::wstring& name, const std::string& text)
{
    std::wstring path = PrivateTempFolder() + name;
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD cb = 0;
    WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &cb, nullptr);
    CloseHandle(h);
    return path;
}
