#include "doubles/NodeDouble.h"
#include <stdexcept>
#include "doubles/HostDouble.h"

CNodeDouble& CNodeDouble::AddSubItem(std::wstring_view name, CNodeDouble& item)
{
    RemoveSubItem(name);
    m_vecSubItems.emplace_back(std::wstring(name), &item);
    return *this;
}

void CNodeDouble::RemoveSubItem(std::wstring_view name)
{
    for (auto it = m_vecSubItems.begin(); it != m_vecSubItems.end(); ++it) {
        if (it->first == name) {
            m_vecSubItems.erase(it);
            return;
        }
    }
}

CNodeDouble* CNodeDouble::SubItem(std::wstring_view name) const
{
    for (const auto& entry : m_vecSubItems)
        if (entry.first == name)
            return entry.second.Get();
    return nullptr;
}

CNodeDouble& CNodeDouble::Protocol() const
{
    CNodeDouble* pItem = SubItem(L"@protocol");
    return pItem ? *pItem : throw std::logic_error("node has no protocol attribute");
}

CNodeDouble& CNodeDouble::AddCommunicationEntity(std::wstring_view protocol)
{
    std::shared_ptr<CHostDouble> spHost = m_wpHost.lock();
    const std::wstring name = m_strName + L".entity" + std::to_wstring(m_vecEntities.size());
    const std::wstring path = L"/" + m_strName + L"/deviceInfo/device/DeviceManagerObject/communicationEntity[" +
                              std::to_wstring(m_vecEntities.size()) + L"]";

    CNodeDouble& entity = spHost->AddItem(name);
    entity.lTypeId = CHostDouble::kTypeCommunicationEntity;
    entity.SetPathText(path).SetParent(SubItem(L"root")).SetOwner(this);

    CNodeDouble& attribute = spHost->AddItem(name + L".@protocol");
    attribute.lTypeId = CHostDouble::kTypeProtocol;
    attribute.vValue.bstrVal = CBstr::Alloc(protocol);
    attribute.vValue.vt = VT_BSTR;
    attribute.SetPathText(path + L"/@protocol").SetParent(&entity).SetOwner(this);
    entity.AddSubItem(L"@protocol", attribute);
    m_vecEntities.push_back(&entity);
    return entity;
}

CNodeDouble& CNodeDouble::AddCharacteristic(std::wstring_view name)
{
    CNodeDouble* pParent = bComponent ? SubItem(L"root") : this;
    const std::wstring parentPath = pParent ? pParent->optPathText.value_or(L"") : L"";

    CNodeDouble& item = m_wpHost.lock()->AddItem(m_strName + L"." + std::wstring(name));
    item.lTypeId = CHostDouble::kTypeCharacteristic;
    item.SetPathText(parentPath + L"/" + std::wstring(name)).SetParent(pParent).SetOwner(bComponent ? this : Owner());
    if (pParent)
        pParent->AddSubItem(name, item);
    return item;
}

void CNodeDouble::Unlink()
{
    m_spParent.Reset();
    m_spOwner.Reset();
    m_vecSubItems.clear();
    m_vecEntities.clear();
}

bool CNodeDouble::AnswersInterface(REFIID riid) const noexcept
{
    if (IsEqualIID(riid, __uuidof(NewZUR::IComponent)))
        return bComponent;
    if (IsEqualIID(riid, __uuidof(NewZUR::ICharacteristic)))
        return bCharacteristic;
    if (IsEqualIID(riid, __uuidof(NewZUR::IPropertyData)))
        return bPropertyData;
    return !IsEqualIID(riid, __uuidof(NewZUR::IDataElement)) || bDataElement;
}

STDMETHODIMP CNodeDouble::GetValue(VARIANT* pvValue)
{
    DOUBLE_OUT_PARAMETER(pvValue);
    if (FAILED(hrGetValue))
        return hrGetValue;
    HRESULT hr = VariantCopy(pvValue, &vValue);
    return FAILED(hr) ? hr : CFaultPlan::Result(fault, hrGetValue);
}

STDMETHODIMP CNodeDouble::GetParent(NewZUR::IDataElement** ppParent)
{
    DOUBLE_OUT_PARAMETER(ppParent);
    if (m_spParent && m_spParent->bDataElement)
        HandOut(ppParent, static_cast<NewZUR::IDataElement*>(m_spParent.Get()));
    return CFaultPlan::Result(fault, S_OK);
}

STDMETHODIMP CNodeDouble::GetPathText(BSTR* pbstrPath)
{
    DOUBLE_OUT_PARAMETER(pbstrPath);
    return ComBoundary([&] {
        if (optPathText)
            *pbstrPath = CBstr::Alloc(*optPathText);
        return CFaultPlan::Result(fault, S_OK);
    });
}

STDMETHODIMP CNodeDouble::GetOwningComponent(NewZUR::IComponent** ppComponent)
{
    DOUBLE_OUT_PARAMETER(ppComponent);
    if (FAILED(hrGetOwningComponent))
        return hrGetOwningComponent;
    if (!m_spOwner)
        return S_FALSE;
    HandOut(ppComponent, m_spOwner->AsComponent());
    return CFaultPlan::Result(fault, hrGetOwningComponent);
}

STDMETHODIMP CNodeDouble::GetTypeId(long* plTypeId)
{
    if (!plTypeId)
        return E_POINTER;
    DOUBLE_FAULT_POINT();
    *plTypeId = lTypeId;
    return CFaultPlan::Result(fault, S_OK);
}

STDMETHODIMP CNodeDouble::GetSubItem(BSTR bstrName, IUnknown** ppItem)
{
    DOUBLE_OUT_PARAMETER(ppItem);
    CNodeDouble* pItem = SubItem(BstrView(bstrName));
    if (!pItem)
        return S_FALSE;
    HandOut(ppItem, pItem->Identity());
    return CFaultPlan::Result(fault, S_OK);
}
