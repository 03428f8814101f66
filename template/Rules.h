#pragma once
// The rules of this bus, judged on the plant as the host's query service
// shows it. Two to start from: a device's address lies in 1..63, and a device
// without one is accepted with a warning. The error database lists the codes.
#include <windows.h>
#include <wrl/client.h>
#include <string>
#include <vector>
#include "NewZUR.h"

namespace Code {
inline constexpr HRESULT E_ADDRESS_RANGE = static_cast<HRESULT>(0x80040401);
inline constexpr HRESULT W_NO_ADDRESS = static_cast<HRESULT>(0x00040402);
inline constexpr HRESULT E_NOT_INITIALIZED = static_cast<HRESULT>(0x80040403);
} // namespace Code

struct Verdict
{
    HRESULT hr = S_OK;
    std::wstring strMessage;
};

class CRules
{
public:
    HRESULT Attach(IDispatch* pdispTopology);
    void Detach() { m_spQuery.Reset(); }
    bool IsAttached() const { return m_spQuery != nullptr; }

    // A device about to join the plant (new, insert, replace).
    Verdict Device(IUnknown* pComponent) const;
    // A new value for a data item; only our entity's address is ours to judge.
    Verdict PropertyChange(IUnknown* pItem, const std::wstring& value) const;
    // Every device of the plant on this bus: the first error, else the first warning.
    Verdict All(IUnknown* pRoot) const;

private:
    using Item = Microsoft::WRL::ComPtr<NewZUR::IPropertyData>;
    std::vector<Item> Select(NewZUR::IPropertyData* pContext, const std::wstring& path) const;
    std::wstring Text(NewZUR::IPropertyData* pContext, const std::wstring& path) const;
    // The "root" item of a component, or null.
    Item Root(IUnknown* pComponent) const;
    // The component's communication entity of this bus, or null.
    Item Entity(IUnknown* pComponent) const;
    Verdict Address(NewZUR::IPropertyData* pEntity, const std::wstring* pNewAddress = nullptr) const;

    Microsoft::WRL::ComPtr<NewZUR::IDataQuery> m_spQuery;
};
