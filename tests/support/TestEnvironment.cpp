#include "support/TestEnvironment.h"
#include "com/ModuleFolder.h"
#include "interfaces/LayerNames.h"
#include <windows.h>
#include <fstream>
#include <iterator>

namespace {
std::wstring g_tempFolder;
}

std::wstring BinaryDirectory()
{
    wchar_t szFolder[MAX_PATH];
    return SUCCEEDED(ThisModuleFolder(szFolder)) ? szFolder : L"";
}

void UsePrivateTempFolder()
{
    wchar_t szTemp[MAX_PATH];
    GetTempPathW(MAX_PATH, szTemp);
    g_tempFolder = std::wstring(szTemp) + L"layer-tests-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
    CreateDirectoryW(g_tempFolder.c_str(), nullptr);
    SetEnvironmentVariableW(L"TMP", g_tempFolder.c_str());
    SetEnvironmentVariableW(L"TEMP", g_tempFolder.c_str());
}

std::wstring PrivateTempFolder()
{
    return g_tempFolder;
}

std::wstring ErrorLogPath()
{
    return g_tempFolder + LayerNames::kErrorLogName;
}

std::wstring WriteTempFile(const std::wstring& name, const std::string& text)
{
    std::wstring path = PrivateTempFolder() + name;
    std::ofstream(path.c_str(), std::ios::binary) << text;
    return path;
}

std::string FileText(const std::wstring& path)
{
    std::ifstream file(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}
