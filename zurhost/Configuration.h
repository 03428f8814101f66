#pragma once
// The host's configuration as the layer sees it: read through the host's
// context object (scope 9 the user's, scope 17 the machine's settings).
#include "interfaces/NewZUR.h"
#include <wrl/client.h>
#include <map>
#include <string>

inline constexpr long g_lUserScope = 9;
inline constexpr long g_lMachineScope = 17;

class CConfiguration
{
public:
    // Creates the host's context object; its failure when it cannot.
    HRESULT Open();
    // Every value of a key in one scope as text, by name; empty when the key is missing.
    std::map<std::wstring, std::wstring> Values(long lScope, const wchar_t* pszKey) const;
    // A value as a 32-bit number, converted as the layer converts it; false when missing.
    bool ReadLong(long lScope, const wchar_t* pszKey, const wchar_t* pszName, long& lValue) const;

private:
    Microsoft::WRL::ComPtr<NewZUR::IContext> m_spContext;
};
