// The bus's rules over the host's query service; their messages come first.
#include "Rules.h"
#include "AssistantConfig.h"
#include "com/Owners.h"
#include "interfaces/LayerNames.h"

namespace {

using LayerNames::kEntityPath;
const long kMinAddress = 1;
const long kMaxAddress = 63;

std::wstring AddressRangeMessage(const std::wstring& address, const std::wstring& device)
{
    return L"Address " + address + L" of '" + device + L"' is outside " + std::to_wstring(kMinAddress) + L".." +
           std::to_wstring(kMaxAddress) + L".";
}

std::wstring NoAddressMessage(const std::wstring& device)
{
    return L"'" + device + L"' has no " + std::wstring(kProtocol) + L" address yet.";
}

bool IsValidAddress(const std::wstring& text)
{
    if (text.empty() || text.size() > 9 || text.find_first_not_of(L"0123456789") != std::wstring::npos)
        return false;
    long lAddress = std::stol(text);
    return lAddress >= kMinAddress && lAddress <= kMaxAddress;
}

} // namespace

HRESULT CRules::Attach(IDispatch* pdispTopology)
{
    Microsoft::WRL::ComPtr<NewZUR::ITopology> spTopology;
    if (!pdispTopology || FAILED(pdispTopology->QueryInterface(IID_PPV_ARGS(&spTopology))))
        return E_INVALIDARG;
    Microsoft::WRL::ComPtr<NewZUR::IDataQuery> spQuery;
    RETURN_IF_FAILED(CoCreateInstance(NewZUR::CLSID_DataQuery, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&spQuery)));
    RETURN_IF_FAILED(spQuery->Attach(spTopology.Get()));
    m_spQuery = spQuery;
    return S_OK;
}

std::vector<CRules::Item> CRules::Select(NewZUR::IPropertyData* pContext, const std::wstring& path) const
{
    std::vector<Item> items;
    Microsoft::WRL::ComPtr<NewZUR::IDataQueryResult> spResult;
    CBstr bstrPath(path);
    if (!pContext || FAILED(m_spQuery->Select(pContext, bstrPath, &spResult)) || !spResult)
        return items;
    for (;;) {
        Microsoft::WRL::ComPtr<IDispatch> spFound;
        long lFound = 0;
        Item spItem;
        if (FAILED(spResult->Next(&spFound, &lFound)) || !lFound || !spFound)
            break;
        if (SUCCEEDED(spFound.As(&spItem)))
            items.push_back(spItem);
    }
    return items;
}

std::wstring CRules::Text(NewZUR::IPropertyData* pContext, const std::wstring& path) const
{
    std::vector<Item> items = Select(pContext, path);
    CVariant value;
    if (items.empty() || FAILED(items[0]->GetValue(value.Out())) ||
        FAILED(VariantChangeType(&value, &value, 0, VT_BSTR)))
        return {};
    return std::wstring(BstrView(value.bstrVal));
}

CRules::Item CRules::Root(IUnknown* pComponent) const
{
    Microsoft::WRL::ComPtr<NewZUR::ICharacteristic> spComponent;
    Microsoft::WRL::ComPtr<IUnknown> spRoot;
    Item spRootItem;
    CBstr bstrRoot(L"root");
    if (!pComponent || FAILED(pComponent->QueryInterface(IID_PPV_ARGS(&spComponent))) ||
        FAILED(spComponent->GetSubItem(bstrRoot, &spRoot)) || !spRoot || FAILED(spRoot.As(&spRootItem)))
        return nullptr;
    return spRootItem;
}

CRules::Item CRules::Entity(IUnknown* pComponent) const
{
    Item spRoot = Root(pComponent);
    // Protocols are compared here rather than in the path: no quoting to get wrong.
    for (Item& spEntity : Select(spRoot.Get(), kEntityPath))
        if (Text(spEntity.Get(), L"@protocol") == kProtocol)
            return spEntity;
    return nullptr;
}

Verdict CRules::Address(NewZUR::IPropertyData* pEntity, const std::wstring* pNewAddress) const
{
    std::wstring device = Text(pEntity, L"ancestor::component[1]/@name");
    bool bHasAddress = pNewAddress || !Select(pEntity, L"@address").empty();
    std::wstring address = pNewAddress ? *pNewAddress : Text(pEntity, L"@address");
    if (!bHasAddress)
        return {Code::W_NO_ADDRESS, NoAddressMessage(device)};
    if (!IsValidAddress(address))
        return {Code::E_ADDRESS_RANGE, AddressRangeMessage(address, device)};
    return {};
}

Verdict CRules::Device(IUnknown* pComponent) const
{
    Item spEntity = Entity(pComponent);
    return spEntity ? Address(spEntity.Get()) : Verdict{};
}

Verdict CRules::PropertyChange(IUnknown* pItem, const std::wstring& value) const
{
    Item spItem;
    if (!pItem || FAILED(pItem->QueryInterface(IID_PPV_ARGS(&spItem))))
        return {E_INVALIDARG, L"The changed item is not one of the host's data items."};
    // The item is the attribute itself: an address of one of our entities.
    if (Select(spItem.Get(), L"self::node()[name()='address']").empty())
        return {};
    std::vector<Item> entities = Select(spItem.Get(), L"parent::communicationEntity");
    if (entities.empty() || Text(entities[0].Get(), L"@protocol") != kProtocol)
        return {};
    return Address(entities[0].Get(), &value);
}

Verdict CRules::All(IUnknown* pRoot) const
{
    Item spRoot = Root(pRoot);
    // Entities without a role are the networks the project itself lists.
    std::wstring path = L"/project/topology//component/root/" + std::wstring(kEntityPath) + L"[@role]";
    Verdict first;
    for (Item& spEntity : Select(spRoot.Get(), path)) {
        if (Text(spEntity.Get(), L"@protocol") != kProtocol)
            continue;
        Verdict verdict = Address(spEntity.Get());
        if (FAILED(verdict.hr))
            return verdict;
        if (first.hr == S_OK)
            first = verdict;
    }
    return first;
}
