#include "doubles/HostDouble.h"
#include <algorithm>
#include <iterator>
#include <type_traits>
#include <utility>

using Microsoft::WRL::ComPtr;

CVariantRecord CVariantRecord::Of(const VARIANT& v)
{
    CVariantRecord record;
    record.vBits = v;
    if (v.vt == VT_BSTR && v.bstrVal)
        record.optText = std::wstring(BstrView(v.bstrVal));
    return record;
}

std::vector<std::wstring> CTopologyScript::EventTexts() const
{
    std::vector<std::wstring> texts;
    for (const CControlEvent& event : vecEvents)
        texts.push_back(event.arg2.optText.value_or(std::wstring()));
    return texts;
}

size_t CRegKeyData::IndexOf(std::wstring_view name) const
{
    auto it = std::find_if(deqValues.begin(), deqValues.end(), [&](const auto& v) { return v.strName == name; });
    return static_cast<size_t>(it - deqValues.begin());
}

CRegValueData* CRegKeyData::Find(std::wstring_view name)
{
    const size_t n = IndexOf(name);
    return n < deqValues.size() ? &deqValues[n] : nullptr;
}

CRegKeyData* CRegistryScript::FindKey(long lScope, std::wstring_view path)
{
    auto itScope = m_mapKeys.find(lScope);
    if (itScope == m_mapKeys.end())
        return nullptr;
    auto it = itScope->second.find(path);
    return it == itScope->second.end() ? nullptr : &it->second;
}

void CRegistryScript::SetVariant(long lScope, std::wstring_view path, std::wstring_view name, const VARIANT& v)
{
    CRegKeyData& key = Key(lScope, path);
    CRegValueData* pValue = key.Find(name);
    if (!pValue) {
        pValue = &key.deqValues.emplace_back();
        pValue->strName = name;
    }
    HRESULT hr = VariantCopy(&pValue->vData, const_cast<VARIANT*>(&v));
    if (FAILED(hr))
        throw CComError(hr);
}

void CRegistryScript::Bind(long lScope, std::wstring_view sub, std::wstring_view name, std::wstring_view progId)
{
    const std::wstring tail = sub.empty() ? L"" : L"\\" + std::wstring(sub);
    SetString(lScope, LayerNames::kAssistantsKey + tail, name, progId);
    SetString(lScope, LayerNames::kErrorDBsKey + tail, name,
              L"db " + std::wstring(name) + L" " + std::to_wstring(lScope));
}

std::shared_ptr<CHostDouble> LiveHost(const std::weak_ptr<CHostDouble>& wpHost)
{
    std::shared_ptr<CHostDouble> spHost = wpHost.lock();
    if (!spHost)
        throw CComError(E_UNEXPECTED);
    return spHost;
}

std::shared_ptr<CHostDouble> CHostDouble::Create()
{
    std::shared_ptr<CHostDouble> spHost(new CHostDouble());
    NewTopologyDoubles(spHost, spHost->m_spTopology, spHost->m_spSchema, spHost->m_spErrorDb);
    return spHost;
}

CNodeDouble& CHostDouble::AddItem(std::wstring_view name)
{
    auto spNode = CComObject<CNodeDouble>::New(weak_from_this(), name);
    m_vecNodes.push_back(spNode);
    m_mapByIdentity[spNode->AsPropertyData()] = spNode.Get();
    return *spNode.Get();
}

CNodeDouble& CHostDouble::AddComponent(std::wstring_view name, const std::vector<std::wstring>& protocols)
{
    CNodeDouble& component = AddItem(name);
    component.bComponent = true;
    CNodeDouble& root = AddItem(std::wstring(name) + L".root");
    root.Place(L"/" + std::wstring(name), nullptr, &component);
    component.AddSubItem(L"root", root);
    for (const std::wstring& protocol : protocols)
        component.AddCommunicationEntity(protocol);
    return component;
}

CNodeDouble* CHostDouble::FindNode(IUnknown* pUnknown) const
{
    ComPtr<IUnknown> spIdentity;
    if (!pUnknown || FAILED(pUnknown->QueryInterface(IID_PPV_ARGS(&spIdentity))))
        return nullptr;
    auto it = m_mapByIdentity.find(spIdentity.Get());
    return it == m_mapByIdentity.end() ? nullptr : it->second;
}

std::vector<CNodeDouble*> CHostDouble::Evaluate(CNodeDouble* pContext, std::wstring_view path) const
{
    std::vector<CNodeDouble*> vecItems;
    CNodeDouble* pOwner = pContext->Owner();
    if (path == kProtocolPath) {
        // Below a component's root: the protocol attributes of its entities.
        if (pOwner && pOwner->SubItem(L"root") == pContext)
            for (CNodeDouble* pEntity : pOwner->Entities())
                if (CNodeDouble* pProtocol = pEntity->SubItem(L"@protocol"))
                    vecItems.push_back(pProtocol);
    } else if (CNodeDouble* pRoot = !query.bOwnerQueryEmpty && pOwner ? pOwner->SubItem(L"root") : nullptr) {
        // From any node: the root item of the component that owns it.
        vecItems.push_back(pRoot);
    }
    return vecItems;
}

ComPtr<NewZUR::IDataQueryResult> CHostDouble::KeptResult(CNodeDouble* pContext, std::wstring_view path)
{
    // The key tells the two paths apart.
    ComPtr<CQueryResultDouble>& spKept = m_mapKept[{pContext, path == kOwnerPath}];
    if (!spKept || spKept->References() > 1)
        spKept = CComObject<CQueryResultDouble>::New(Evaluate(pContext, path));
    spKept->Rewind();
    return spKept;
}

long CHostDouble::ForeignReferences() const
{
    // The host holds one reference on each of its objects; nodes also hold
    // their links, and kept enumerators their items.
    auto beyondOne = [](IUnknown* p) { return p ? static_cast<long>(RefCount(p)) - 1 : 0L; };
    long lForeign = beyondOne(m_spTopology.Get()) + beyondOne(m_spSchema.Get()) + beyondOne(m_spErrorDb.Get());
    for (const auto& spNode : m_vecNodes)
        lForeign += static_cast<long>(spNode->References()) - 1 - spNode->Links();
    for (const auto& [key, spResult] : m_mapKept)
        lForeign += static_cast<long>(spResult->References()) - 1 - spResult->ItemReferences();
    return lForeign;
}

namespace {

// A class object that logs each creation, then fails with the script's
// result or creates the double.
ComPtr<IClassFactory> NewClassObject(const wchar_t* name, std::weak_ptr<CHostDouble> wpHost,
                                     HRESULT (*pfnScripted)(const CHostDouble&),
                                     ComPtr<IUnknown> (*pfnNew)(std::weak_ptr<CHostDouble>))
{
    return CComObject<CClassObjectDouble>::New(std::wstring(name) + L" class", [=](REFIID riid, void** ppv) {
        const HRESULT hrCreate = pfnScripted(*LiveHost(wpHost));
        CCallLog::Add(name, L"Create");
        if (FAILED(hrCreate))
            return hrCreate;
        HRESULT hr = pfnNew(wpHost)->QueryInterface(riid, ppv);
        return FAILED(hr) ? hr : hrCreate;
    });
}

} // namespace

HRESULT CHostDouble::RegisterServices()
{
    const std::pair<const CLSID*, ComPtr<IClassFactory>> classes[] = {
        {&NewZUR::CLSID_DataQuery,
         NewClassObject(
             L"query", weak_from_this(), [](const CHostDouble& host) { return host.query.hrCreate; }, NewQueryDouble)},
        {&NewZUR::CLSID_Context,
         NewClassObject(
             L"context", weak_from_this(), [](const CHostDouble& host) { return host.registry.hrCreate; },
             NewContextDouble)}};
    static_assert(std::size(classes) == std::extent_v<decltype(m_adwCookies)>);
    for (size_t i = 0; i < std::size(classes); ++i) {
        const HRESULT hr = CoRegisterClassObject(*classes[i].first, classes[i].second.Get(), CLSCTX_INPROC_SERVER,
                                                 REGCLS_MULTIPLEUSE, &m_adwCookies[i]);
        if (FAILED(hr))
            return hr;
    }
    return S_OK;
}

void CHostDouble::Dispose()
{
    for (DWORD& dwCookie : m_adwCookies)
        if (dwCookie)
            CoRevokeClassObject(std::exchange(dwCookie, 0));
    m_mapKept.clear();
    for (const auto& spNode : m_vecNodes)
        spNode->Unlink();
    m_vecNodes.clear();
    m_mapByIdentity.clear();
    m_spTopology.Reset();
    m_spSchema.Reset();
    m_spErrorDb.Reset();
    // Registry values and node values may hold BSTRs: they go now, not later.
    registry = CRegistryScript();
}
