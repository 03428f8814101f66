#pragma once
// Where the test program and the built module live, its private temp folder,
// and the exports of a loaded module.
#include <windows.h>
#include <string>

// The folder of the running test program, with a trailing backslash; the
// module, its type libraries and the test programs are built side by side.
std::wstring BinaryDirectory();
// Points TMP/TEMP of this process at a fresh folder of its own.
void UsePrivateTempFolder();
// The current private temp folder, with a trailing backslash.
std::wstring PrivateTempFolder();
// The error log the module writes there.
std::wstring ErrorLogPath();
// Writes text to a file in the private temp folder; returns its path.
std::wstring WriteTempFile(const std::wstring& name, const std::string& text);
// A file's bytes, empty when it cannot be read.
std::string FileText(const std::wstring& path);
// Each character cut to its low byte: ASCII text as the bytes a file holds.
std::string Narrow(const std::wstring& text);

using EntryPoint = HRESULT(STDAPICALLTYPE*)();

// An export of a loaded module as the function type F.
template <class F>
F ModuleExport(HMODULE hModule, const char* pszName)
{
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(hModule, pszName)));
}
