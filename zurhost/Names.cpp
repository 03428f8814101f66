// Names of well-known HRESULTs.
#include "zurhost/Names.h"
#include "interfaces/LayerNames.h"

namespace {

const struct
{
    HRESULT hr;
    const wchar_t* pszName;
} kNames[] = {
    {S_OK, L"S_OK"},
    {S_FALSE, L"S_FALSE"},
    {E_FAIL, L"E_FAIL"},
    {E_POINTER, L"E_POINTER"},
    {E_INVALIDARG, L"E_INVALIDARG"},
    {E_OUTOFMEMORY, L"E_OUTOFMEMORY"},
    {E_NOINTERFACE, L"E_NOINTERFACE"},
    {E_NOTIMPL, L"E_NOTIMPL"},
    {E_UNEXPECTED, L"E_UNEXPECTED"},
    {CLASS_E_NOAGGREGATION, L"CLASS_E_NOAGGREGATION"},
    {CLASS_E_CLASSNOTAVAILABLE, L"CLASS_E_CLASSNOTAVAILABLE"},
    {REGDB_E_CLASSNOTREG, L"REGDB_E_CLASSNOTREG"},
    {CO_E_CLASSSTRING, L"CO_E_CLASSSTRING"},
    {DISP_E_TYPEMISMATCH, L"DISP_E_TYPEMISMATCH"},
    {LayerNames::kNoAssistant, L"LAYER_E_NO_ASSISTANT"},
    {LayerNames::kErrorDBUnreadable, L"LAYER_E_ERRDB_UNREADABLE"},
};

} // namespace

std::wstring KnownName(HRESULT hr)
{
    for (const auto& n : kNames)
        if (n.hr == hr)
            return n.pszName;
    return {};
}

bool IsKnownName(const std::wstring& name)
{
    for (const auto& n : kNames)
        if (name == n.pszName)
            return true;
    return false;
}

std::wstring HexCode(HRESULT hr)
{
    wchar_t hex[16];
    swprintf(hex, 16, L"0x%08lX", static_cast<unsigned long>(hr));
    return hex;
}
