#pragma once
// What zurhost puts in place before it runs, and what it checks before the
// first edit: the three servers registered (as regsvr32 would), the sample
// assistants bound to their protocols in the user's configuration unless a
// binding for that protocol exists, and the warnings a user needs when the
// layer will not judge as expected; and how it makes the classes it uses.
#include "HostSim.h"
#include "interfaces/LayerNames.h"
#include "zurhost/CannotRun.h"
#include "zurhost/Configuration.h"
#include <windows.h>
#include <wrl/client.h>
#include <map>
#include <string>
#include <vector>

template <class Itf>
HRESULT CreateByProgId(const std::wstring& progId, Microsoft::WRL::ComPtr<Itf>& sp)
{
    CLSID clsid;
    HRESULT hr = CLSIDFromProgID(progId.c_str(), &clsid);
    return FAILED(hr) ? hr : CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&sp));
}
// A new simulator project loaded from the file; CCannotRun (file, line, what
// was expected) when it cannot be.
Microsoft::WRL::ComPtr<ISimProject> LoadProject(const std::wstring& path);
// Registers each DLL of the list found in folder; CCannotRun when one fails.
void RegisterServers(const std::wstring& folder, const std::vector<std::wstring>& dlls);
// Opens the host's configuration and, with bSetup, binds each sample assistant
// whose protocol has no binding yet; CCannotRun without the context object.
void OpenConfiguration(CConfiguration& config, bool bSetup);
// A binding key as the layer's catalogue holds it: protocol -> text (the machine's scope wins).
std::map<std::wstring, std::wstring> Bindings(const CConfiguration& config, const wchar_t* pszKey);
// A debug option that short-cuts every check, and every binding the layer
// cannot use (no error database, an assistant that cannot be created).
std::vector<std::wstring> LayerWarnings(const CConfiguration& config);
