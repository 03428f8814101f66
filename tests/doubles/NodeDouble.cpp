#include "doubles/NodeDouble.h"
#include <stdexcept>
#include "doubles/HostDouble.h"

using Microsoft::WRL::ComPtr;

CNodeDouble::CNodeDouble(std::weak_ptr<CHostDouble> wpHost, std::wstring_view name)
    : CDoubleBase(L"node", name), m_wpHost(std::move(wpHost))
{}

void CNodeDouble::Note(const wchar_t* pszMethod)
{
    if (CRecording::On())
        vecCalls.push_back(pszMethod);
}

CNodeDouble& CNodeDouble::SetValueText(std::wstring_view text)
{
    VariantClear(&vValue);
    vValue.bstrVal = CBstr::Alloc(text);
    vValue.vt = VT_BSTR;
    return *this;
}

CNodeDouble& CNodeDouble::AddSubItem(std::wstring_view name, CNodeDouble& item)
{
    for (auto& entry : m_vecSubItems) {
        if (entry.first == name) {
            entry.second = &item;
            return *this;
        }
    }
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

CNodeDouble& CNodeDouble::Root() const
{
    return Required(L"root");
}

CNodeDouble& CNodeDouble::Protocol() const
{
    return Required(L"@protocol");
}

CNodeDouble& CNodeDouble::Required(std::wstring_view name) const
{
    CNodeDouble* pItem = SubItem(name);
    if (!pItem)
        throw std::logic_error("node has no such item");
    return *pItem;
}

CNodeDouble& CNodeDouble::AddCommunicationEntity(std::wstring_view protocol)
{
    std::shared_ptr<CHostDouble> spHost = m_wpHost.lock();
    CNodeDouble* pRoot = SubItem(L"root");
    std::wstring index = std::to_wstring(m_vecEntities.size());
    std::wstring path =
        L"/" + m_strName + L"/deviceInfo/device/DeviceManagerObject/communicationEntity[" + index + L"]";

    CNodeDouble& entity = spHost->AddItem(m_strName + L".entity" + index);
    entity.lTypeId = CHostDouble::kTypeCommunicationEntity;
    entity.SetPathText(path).SetParent(pRoot).SetOwner(this);

    CNodeDouble& attribute = spHost->AddItem(m_strName + L".entity" + index + L".@protocol");
    attribute.lTypeId = CHostDouble::kTypeProtocol;
    attribute.SetValueText(protocol).SetPathText(path + L"/@protocol").SetParent(&entity).SetOwner(this);
    entity.AddSubItem(L"@protocol", attribute);
    m_vecEntities.push_back(&entity);
    return entity;
}

CNodeDouble& CNodeDouble::AddCharacteristic(std::wstring_view name)
{
    std::shared_ptr<CHostDouble> spHost = m_wpHost.lock();
    CNodeDouble* pParent = bComponent ? SubItem(L"root") : this;
    CNodeDouble* pOwner = bComponent ? this : Owner();
    std::wstring parentPath = pParent && pParent->optPathText ? *pParent->optPathText : std::wstring();

    CNodeDouble& item = spHost->AddItem(m_strName + L"." + std::wstring(name));
    item.lTypeId = CHostDouble::kTypeCharacteristic;
    item.SetPathText(parentPath + L"/" + std::wstring(name)).SetParent(pParent).SetOwner(pOwner);
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
    if (IsEqualIID(riid, __uuidof(NewZUR::IDataElement)))
        return bDataElement;
    return true;
}

STDMETHODIMP CNodeDouble::GetValue(VARIANT* pvValue)
{
    Note(L"GetValue");
    DOUBLE_OUT_PARAMETER(pvValue);
    if (FAILED(hrGetValue))
        return hrGetValue;
    HRESULT hr = VariantCopy(pvValue, &vValue);
    return FAILED(hr) ? hr : CFaultPlan::Result(fault, hrGetValue);
}

STDMETHODIMP CNodeDouble::GetParent(NewZUR::IDataElement** ppParent)
{
    Note(L"GetParent");
    DOUBLE_OUT_PARAMETER(ppParent);
    if (m_spParent && m_spParent->bDataElement)
        HandOut(ppParent, m_spParent->AsDataElement());
    return CFaultPlan::Result(fault, S_OK);
}

STDMETHODIMP CNodeDouble::GetPathText(BSTR* pbstrPath)
{
    Note(L"GetPathText");
    DOUBLE_OUT_PARAMETER(pbstrPath);
    return ComBoundary([&] {
        if (optPathText)
            *pbstrPath = CBstr::Alloc(*optPathText);
        return CFaultPlan::Result(fault, S_OK);
    });
}

STDMETHODIMP CNodeDouble::GetOwningComponent(NewZUR::IComponent** ppComponent)
{
    Note(L"GetOwningComponent");
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
    Note(L"GetTypeId");
    if (!plTypeId)
        return E_POINTER;
    DOUBLE_FAULT_POINT();
    if (FAILED(hrGetTypeId))
        return hrGetTypeId;
    *plTypeId = lTypeId;
    return CFaultPlan::Result(fault, hrGetTypeId);
}

STDMETHODIMP CNodeDouble::GetSubItem(BSTR bstrName, IUnknown** ppItem)
{
    if (CRecording::On())
        vecCalls.push_back(L"GetSubItem " + std::wstring(BstrView(bstrName)));
    DOUBLE_OUT_PARAMETER(ppItem);
    CNodeDouble* pItem = SubItem(BstrView(bstrName));
    if (!pItem)
        return S_FALSE;
    HandOut(ppItem, pItem->Identity());
    return CFaultPlan::Result(fault, S_OK);
}
