#include "doubles/NodeDouble.h"
#include <stdexcept>
#include "doubles/HostDouble.h"

CNodeDouble& CNodeDouble::Protocol() const
{
    CNodeDouble* pItem = SubItem(L"@protocol");
    return pItem ? *pItem : throw std::logic_error("node has no protocol attribute");
}

CNodeDouble& CNodeDouble::AddCommunicationEntity(std::wstring_view protocol)
{
    std::shared_ptr<CHostDouble> spHost = Host();
    const std::wstring name = m_strName + L".entity" + std::to_wstring(m_vecEntities.size());
    const std::wstring path =
        L"/" + m_strName + L"/" + LayerNames::kEntityPath + L"[" + std::to_wstring(m_vecEntities.size()) + L"]";

    CNodeDouble& entity = spHost->AddItem(name);
    entity.lTypeId = CHostDouble::kTypeCommunicationEntity;
    entity.Place(path, SubItem(L"root"), this);

    CNodeDouble& attribute = spHost->AddItem(name + L".@protocol");
    attribute.vValue.bstrVal = CBstr::Alloc(protocol);
    attribute.vValue.vt = VT_BSTR;
    attribute.Place(path + L"/@protocol", &entity, this);
    entity.AddSubItem(L"@protocol", attribute);
    m_vecEntities.push_back(&entity);
    return entity;
}

CNodeDouble& CNodeDouble::AddCharacteristic(std::wstring_view name)
{
    CNodeDouble* pParent = bComponent ? SubItem(L"root") : this;
    const std::wstring parentPath = pParent ? pParent->optPathText.value_or(L"") : L"";

    CNodeDouble& item = Host()->AddItem(m_strName + L"." + std::wstring(name));
    item.Place(parentPath + L"/" + std::wstring(name), pParent, bComponent ? this : Owner());
    if (pParent)
        pParent->AddSubItem(name, item);
    return item;
}

void CNodeDouble::Unlink()
{
    m_spParent.Reset();
    m_spOwner.Reset();
    m_mapSubItems.clear();
    m_vecEntities.clear();
}

bool CNodeDouble::AnswersInterface(REFIID riid) const noexcept
{
    if (IsEqualIID(riid, __uuidof(NewZUR::IComponent)))
        return bComponent;
    if (IsEqualIID(riid, __uuidof(NewZUR::ICharacteristic)))
        return bCharacteristic;
    return !bComponent ||
           !(IsEqualIID(riid, __uuidof(NewZUR::IPropertyData)) || IsEqualIID(riid, __uuidof(NewZUR::IDataElement)));
}

STDMETHODIMP CNodeDouble::GetValue(VARIANT* pvValue)
{
    return Answer(nullptr, pvValue, [&] { return VariantCopy(pvValue, &vValue); });
}

STDMETHODIMP CNodeDouble::GetParent(NewZUR::IDataElement** ppParent)
{
    return Answer(nullptr, ppParent, [&] {
        HandOut(ppParent, static_cast<NewZUR::IDataElement*>(m_spParent.Get()));
        return S_OK;
    });
}

STDMETHODIMP CNodeDouble::GetPathText(BSTR* pbstrPath)
{
    return Answer(nullptr, pbstrPath, [&] {
        if (optPathText)
            *pbstrPath = CBstr::Alloc(*optPathText);
        return S_OK;
    });
}

STDMETHODIMP CNodeDouble::GetOwningComponent(NewZUR::IComponent** ppComponent)
{
    return Answer(nullptr, ppComponent, [&] {
        if (FAILED(hrGetOwningComponent) || !m_spOwner)
            return FAILED(hrGetOwningComponent) ? hrGetOwningComponent : S_FALSE;
        HandOut(ppComponent, m_spOwner->AsComponent());
        return hrGetOwningComponent;
    });
}

STDMETHODIMP CNodeDouble::GetTypeId(long* plTypeId)
{
    return Answer(nullptr, plTypeId, [&] {
        *plTypeId = lTypeId;
        return S_OK;
    });
}

STDMETHODIMP CNodeDouble::GetSubItem(BSTR bstrName, IUnknown** ppItem)
{
    return Answer(nullptr, ppItem, [&] {
        CNodeDouble* pItem = SubItem(BstrView(bstrName));
        if (pItem)
            HandOut(ppItem, pItem->Identity());
        return pItem ? S_OK : S_FALSE;
    });
}
