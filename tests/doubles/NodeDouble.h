#pragma once
// The host's objects' base, and a node of a data tree: a component (with its
// "root" sub-item) or a data item; some answers can be made to fail.
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>
#include <wrl/client.h>
#include "NewZUR.h"
#include "com/Owners.h"
#include "doubles/DoubleObject.h"

class CHostDouble;

// The host of a host object's call; E_UNEXPECTED raised once it is gone.
std::shared_ptr<CHostDouble> LiveHost(const std::weak_ptr<CHostDouble>& wpHost);

// A COM object of the host, which it does not keep alive.
class CHostObject : public CDoubleBase
{
public:
    CHostObject(std::wstring_view kind, std::wstring_view name, std::weak_ptr<CHostDouble> wpHost)
        : CDoubleBase(kind, name), m_wpHost(std::move(wpHost))
    {}

protected:
    std::shared_ptr<CHostDouble> Host() const { return LiveHost(m_wpHost); }

    std::weak_ptr<CHostDouble> m_wpHost;
};

class CNodeDouble : public CHostObject,
                    public CHostInterface<NewZUR::IPropertyData>,
                    public CHostInterface<NewZUR::IDataElement>,
                    public CHostInterface<NewZUR::ICharacteristic>,
                    public CHostInterface<NewZUR::IComponent>
{
public:
    BEGIN_INTERFACE_TABLE(CNodeDouble)
    INTERFACE_ENTRY(NewZUR::IPropertyData)
    INTERFACE_ENTRY_IID(IID_IDispatch, NewZUR::IPropertyData)
    INTERFACE_ENTRY(NewZUR::IDataElement)
    INTERFACE_ENTRY(NewZUR::ICharacteristic)
    INTERFACE_ENTRY(NewZUR::IComponent)
    END_INTERFACE_TABLE()

    CNodeDouble(std::weak_ptr<CHostDouble> wpHost, std::wstring_view name)
        : CHostObject(L"node", name, std::move(wpHost))
    {}
    // Named once so that ComPtr<CNodeDouble> resolves them.
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override = 0;
    STDMETHODIMP_(ULONG) AddRef() override = 0;
    STDMETHODIMP_(ULONG) Release() override = 0;

    bool bComponent = false;                 // answers IComponent, not IPropertyData or IDataElement
    bool bCharacteristic = true;             // answers ICharacteristic
    CVariant vValue;                         // IPropertyData::GetValue gives a copy
    std::optional<std::wstring> optPathText; // nullopt: a null path BSTR
    long lTypeId = 0;
    HRESULT hrGetOwningComponent = S_OK;

    void Place(std::wstring path, CNodeDouble* pParent, CNodeDouble* pOwner)
    {
        optPathText = std::move(path);
        m_spParent = pParent;
        m_spOwner = pOwner;
    }
    void SetOwner(CNodeDouble* pComponent) { m_spOwner = pComponent; }
    void AddSubItem(std::wstring_view name, CNodeDouble& item) { m_mapSubItems[std::wstring(name)] = &item; }
    void RemoveSubItem(std::wstring_view name) { m_mapSubItems.erase(std::wstring(name)); }
    CNodeDouble* SubItem(std::wstring_view name) const
    {
        auto it = m_mapSubItems.find(name);
        return it == m_mapSubItems.end() ? nullptr : it->second.Get();
    }
    CNodeDouble* Owner() const { return m_spOwner.Get(); }

    // An entity below the root with its "@protocol"; the query gives them in order.
    CNodeDouble& AddCommunicationEntity(std::wstring_view protocol);
    CNodeDouble& Protocol() const; // of an entity
    // Below a component's root, or below this item.
    CNodeDouble& AddCharacteristic(std::wstring_view name);
    const std::vector<CNodeDouble*>& Entities() const { return m_vecEntities; }

    // No reference added.
    NewZUR::IComponent* AsComponent() { return this; }
    NewZUR::ICharacteristic* AsCharacteristic() { return this; }
    NewZUR::IPropertyData* AsPropertyData() { return this; } // also the node's identity

    long Links() const { return (m_spParent ? 1 : 0) + (m_spOwner ? 1 : 0) + static_cast<long>(m_mapSubItems.size()); }
    void Unlink(); // breaks the cycles at teardown

    bool AnswersInterface(REFIID riid) const noexcept override;

    STDMETHODIMP GetValue(VARIANT* pvValue) override;
    STDMETHODIMP GetParent(NewZUR::IDataElement** ppParent) override;
    STDMETHODIMP GetPathText(BSTR* pbstrPath) override;
    STDMETHODIMP GetOwningComponent(NewZUR::IComponent** ppComponent) override;
    STDMETHODIMP GetTypeId(long* plTypeId) override;
    STDMETHODIMP GetSubItem(BSTR bstrName, IUnknown** ppItem) override;

private:
    Microsoft::WRL::ComPtr<CNodeDouble> m_spParent;
    Microsoft::WRL::ComPtr<CNodeDouble> m_spOwner;
    std::map<std::wstring, Microsoft::WRL::ComPtr<CNodeDouble>, std::less<>> m_mapSubItems;
    std::vector<CNodeDouble*> m_vecEntities;
};
