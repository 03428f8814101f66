#include "module/TypeLibRegistration.h"
#include <oleauto.h>
#include <string>
#include <wrl/client.h>
#include "com/Owners.h"
#include "com/ThisModule.h"

using Microsoft::WRL::ComPtr;

namespace {

std::wstring WithTlbExtension(const std::wstring& modulePath)
{
    size_t slash = modulePath.find_last_of(L"\\/");
    size_t dot = modulePath.find_last_of(L'.');
    if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash))
        return modulePath + L".tlb";
    return modulePath.substr(0, dot) + L".tlb";
}

// *pPath receives the file the library came from.
HRESULT LoadModuleTypeLib(ITypeLib** ppTypeLib, std::wstring* pPath)
{
    wchar_t szPath[MAX_PATH];
    RETURN_IF_FAILED(ThisModulePath(szPath));
    std::wstring path = szPath;
    HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, ppTypeLib);
    if (FAILED(hr)) {
        path = WithTlbExtension(path);
        hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, ppTypeLib);
    }
    if (SUCCEEDED(hr))
        *pPath = path;
    return hr;
}

// The folder of the help file the library names; empty when it names none.
std::wstring HelpDirectory(ITypeLib* pTypeLib)
{
    CBstr bstrHelpFile;
    if (FAILED(pTypeLib->GetDocumentation(-1, nullptr, nullptr, nullptr, bstrHelpFile.Out())) || bstrHelpFile.IsNull())
        return std::wstring();
    std::wstring helpFile(bstrHelpFile.View());
    size_t slash = helpFile.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : helpFile.substr(0, slash);
}

} // namespace

HRESULT RegisterModuleTypeLib()
{
    ComPtr<ITypeLib> spTypeLib;
    std::wstring path;
    RETURN_IF_FAILED(LoadModuleTypeLib(&spTypeLib, &path));
    std::wstring helpDir = HelpDirectory(spTypeLib.Get());
    return RegisterTypeLib(spTypeLib.Get(), const_cast<LPOLESTR>(path.c_str()),
                           helpDir.empty() ? nullptr : const_cast<LPOLESTR>(helpDir.c_str()));
}

HRESULT UnregisterModuleTypeLib()
{
    ComPtr<ITypeLib> spTypeLib;
    std::wstring path;
    RETURN_IF_FAILED(LoadModuleTypeLib(&spTypeLib, &path));
    TLIBATTR* pAttr = nullptr;
    RETURN_IF_FAILED(spTypeLib->GetLibAttr(&pAttr));
    const HRESULT hr =
        UnRegisterTypeLib(pAttr->guid, pAttr->wMajorVerNum, pAttr->wMinorVerNum, pAttr->lcid, pAttr->syskind);
    spTypeLib->ReleaseTLibAttr(pAttr);
    return hr;
}
