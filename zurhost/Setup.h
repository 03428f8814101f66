#pragma once
// What zurhost puts in place before it runs: the three servers registered
// (as regsvr32 would) and the sample assistants bound to their protocols in
// the user's configuration, unless a binding for that protocol exists.
#include <windows.h>
#include <string>
#include <vector>

struct SampleBinding
{
    const wchar_t* pszProtocol;
    const wchar_t* pszProgId;
    const wchar_t* pszErrorDatabase;
};
extern const SampleBinding g_sampleBindings[3];

// Registers each DLL of the list found in folder; false with strError.
bool RegisterServers(const std::wstring& folder, const std::vector<std::wstring>& dlls, std::wstring& strError);
// Binds each sample assistant whose protocol has no binding yet; returns what it bound.
std::vector<std::wstring> BindSampleAssistants();
// The ProgID bound to a protocol in either scope, or "".
std::wstring BoundProgId(const std::wstring& protocol);
