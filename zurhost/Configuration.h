#pragma once
// The host's configuration as the layer sees it: read through the host's
// context object (scope 9 the user's, scope 17 the machine's settings).
#include "interfaces/NewZUR.h"
#include <wrl/client.h>
#include <string>
#include <utility>
#include <vector>

inline constexpr long g_lUserScope = 9;
inline constexpr long g_lMachineScope = 17;

class CConfiguration
{
public:
    // Creates the host's context object; its failure when it cannot.
    HRESULT Open();
    // Every value of a key in one scope as (name, text), in the order of their
    // positions, which the layer walks; empty when the key is missing.
    std::vector<std::pair<std::wstring, std::wstring>> Values(long lScope, const wchar_t* pszKey) const;
    // A value as a 32-bit number, converted as the layer converts it; false when missing.
    bool ReadLong(long lScope, const wchar_t* pszKey, const wchar_t* pszName, long& lValue) const;

private:
    Microsoft::WRL::ComPtr<NewZUR::IContext> m_spContext;
};
