#pragma once
// The host's configuration as the layer sees it: read through the host's
// context object (scope 9 the user's, scope 17 the machine's settings).
#include "interfaces/LayerNames.h"
#include "interfaces/NewZUR.h"
#include <wrl/client.h>
#include <string>
#include <utility>
#include <vector>

inline constexpr long kUserScope = LayerNames::kFirstScope;
inline constexpr long kMachineScope = LayerNames::kSecondScope;

class CConfiguration
{
public:
    // Creates the host's context object; its failure when it cannot.
    HRESULT Open();
    // Every value of a key in one scope as (name, text), one for each position
    // (empty where it cannot be read); empty when the key is missing.
    std::vector<std::pair<std::wstring, std::wstring>> Values(long lScope, const wchar_t* pszKey) const;
    // A value as a 32-bit number, converted as the layer converts it; false when missing.
    bool ReadLong(long lScope, const wchar_t* pszKey, const wchar_t* pszName, long& lValue) const;
    NewZUR::IContext* Context() const { return m_spContext.Get(); }

private:
    Microsoft::WRL::ComPtr<NewZUR::IContext> m_spContext;
};
