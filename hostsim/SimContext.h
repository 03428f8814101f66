#pragma once
// The host's context: configuration keys by scope code and relative path.
//   scope 9  -> HKEY_CURRENT_USER\Software\HostSim\Configuration\<path>   (the user's settings)
//   scope 17 -> HKEY_LOCAL_MACHINE\Software\HostSim\Configuration\<path>  (the machine's settings)
// Other scopes are refused with E_INVALIDARG. A key object lists its values
// by position and finds them by name; values are read when asked for.
#include "com/ComObject.h"
#include "com/Owners.h"
#include "hostsim/SimDispatch.h"
#include "interfaces/LayerNames.h"
#include <string>

inline constexpr wchar_t kConfigurationKey[] = L"Software\\HostSim\\Configuration";
inline constexpr long kUserScope = LayerNames::kFirstScope;
inline constexpr long kMachineScope = LayerNames::kSecondScope;

class CSimContext : public CComRootSingleThreaded, public CSimDispatch<NewZURLibrary, NewZUR::IContext>
{
public:
    BEGIN_INTERFACE_TABLE(CSimContext)
    INTERFACE_ENTRY(NewZUR::IContext)
    INTERFACE_ENTRY_IID(IID_IDispatch, NewZUR::IContext)
    END_INTERFACE_TABLE()

    // clang-format off
    SIM_RESERVED(7) SIM_RESERVED(8) SIM_RESERVED(9) SIM_RESERVED(10) SIM_RESERVED(11) SIM_RESERVED(12)
    SIM_RESERVED(13) SIM_RESERVED(14) SIM_RESERVED(15) SIM_RESERVED(16) SIM_RESERVED(17)
    // clang-format on
    STDMETHODIMP
    OpenKey(long lScope, BSTR bstrPath, NewZUR::IRegistryKey** ppKey) override;
};

class CSimRegistryKey : public CComRootSingleThreaded, public CSimDispatch<NewZURLibrary, NewZUR::IRegistryKey>
{
public:
    explicit CSimRegistryKey(HKEY hKey) { *m_key.Out() = hKey; }

    BEGIN_INTERFACE_TABLE(CSimRegistryKey)
    INTERFACE_ENTRY(NewZUR::IRegistryKey)
    INTERFACE_ENTRY_IID(IID_IDispatch, NewZUR::IRegistryKey)
    END_INTERFACE_TABLE()

    STDMETHODIMP GetCount(long* plCount) override;
    STDMETHODIMP GetItem(VARIANT vIndex, NewZUR::IRegistryValue** ppValue) override;

private:
    HRESULT ReadValue(const std::wstring& name, NewZUR::IRegistryValue** ppValue);
    CRegKey m_key;
};

class CSimRegistryValue : public CComRootSingleThreaded, public CSimDispatch<NewZURLibrary, NewZUR::IRegistryValue>
{
public:
    CSimRegistryValue(std::wstring name, VARIANT* pvData) : m_strName(std::move(name))
    {
        VariantCopy(&m_vData, pvData);
    }

    BEGIN_INTERFACE_TABLE(CSimRegistryValue)
    INTERFACE_ENTRY(NewZUR::IRegistryValue)
    INTERFACE_ENTRY_IID(IID_IDispatch, NewZUR::IRegistryValue)
    END_INTERFACE_TABLE()

    STDMETHODIMP GetData(VARIANT* pvData) override;
    SIM_RESERVED(8)
    STDMETHODIMP GetName(BSTR* pbstrName) override;

private:
    std::wstring m_strName;
    CVariant m_vData;
};
