#pragma once
// What the module suite's clients share: running the system's own tools
// (regsvr32, cscript) as child processes, reading the registry back,
// and registering the built module the way an installation does.
#include <windows.h>
#include <gtest/gtest.h>
#include <string>
#include "com/GuidText.h"
#include "support/TestEnvironment.h"

struct ProcessResult
{
    DWORD dwExitCode = static_cast<DWORD>(-1);
    std::string output; // stdout and stderr together, one "\n" per line
};

// Runs a command line through the command interpreter and waits for its end.
ProcessResult RunProcess(const std::wstring& commandLine);
std::wstring ModulePath();
// regsvr32 [/u] /s on the built module, or on another one built beside it; its exit code.
DWORD RunRegsvr32(bool bUnregister, const wchar_t* pszModule = nullptr);
bool ClassesRootKeyExists(const std::wstring& key);
// The loaded module's DllCanUnloadNow (E_UNEXPECTED when it is not loaded).
HRESULT ModuleCanUnloadNow();

// The clients' suites: the module and the host simulator registered by
// regsvr32 before their first case.
class RegisteredModule : public testing::Test
{
protected:
    static void SetUpTestSuite() { ASSERT_EQ(RunRegsvr32(false) | RunRegsvr32(false, L"HostSim.dll"), 0u); }
};
