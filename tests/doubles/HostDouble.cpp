#include "doubles/HostDouble.h"
#include "doubles/HostObjects.h"

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
        texts.push_back(event.arg2.optText ? *event.arg2.optText : std::wstring());
    return texts;
}

long CErrorDbScript::ClassFor(long lCode, std::wstring_view message, bool bHasMessage) const
{
    if (bHasMessage) {
        auto it = mapClassByMessage.find(message);
        if (it != mapClassByMessage.end())
            return it->second;
    }
    auto it = mapClassByCode.find(lCode);
    if (it != mapClassByCode.end())
        return it->second;
    return lCode == S_OK ? 0 : lCode < 0 ? 3 : 2;
}

void CQueryScript::Override(CNodeDouble* pContext, std::wstring_view path, CQueryAnswer answer)
{
    m_vecOverrides.push_back({{pContext, std::wstring(path)}, std::move(answer)});
}

// The latest for this context and path, else the latest for any context.
const CQueryAnswer* CQueryScript::FindOverride(CNodeDouble* pContext, std::wstring_view path) const
{
    const CQueryAnswer* pAny = nullptr;
    for (auto it = m_vecOverrides.rbegin(); it != m_vecOverrides.rend(); ++it) {
        if (it->first.second == path && pContext && it->first.first == pContext)
            return &it->second;
        if (it->first.second == path && !it->first.first && !pAny)
            pAny = &it->second;
    }
    return pAny;
}

size_t CRegKeyData::IndexOf(std::wstring_view name) const
{
    auto it = mapIndex.find(name);
    if (it != mapIndex.end() && it->second < deqValues.size() && deqValues[it->second].strName == name)
        return it->second;
    // The index covers every value unless a test filled deqValues itself:
    // then a miss is the answer, and adding to a catalogue of thousands stays
    // linear.
    if (it == mapIndex.end() && mapIndex.size() == deqValues.size())
        return deqValues.size();
    size_t n = 0;
    while (n < deqValues.size() && deqValues[n].strName != name)
        ++n;
    return n;
}

CRegValueData* CRegKeyData::Find(std::wstring_view name)
{
    const size_t n = IndexOf(name);
    return n < deqValues.size() ? &deqValues[n] : nullptr;
}

CRegValueData& CRegistryScript::SetVariant(long lScope, std::wstring_view path, std::wstring_view name,
                                           const VARIANT& v)
{
    CRegKeyData& key = Key(lScope, path);
    CRegValueData* pValue = key.Find(name);
    if (!pValue) {
        key.mapIndex[std::wstring(name)] = key.deqValues.size();
        key.deqValues.emplace_back();
        pValue = &key.deqValues.back();
        pValue->strName = name;
    }
    HRESULT hr = VariantCopy(&pValue->vData, const_cast<VARIANT*>(&v));
    if (FAILED(hr))
        throw CComError(hr);
    return *pValue;
}

std::shared_ptr<CHostDouble> CHostDouble::Create()
{
    std::shared_ptr<CHostDouble> spHost(new CHostDouble());
    spHost->Build();
    return spHost;
}

void CHostDouble::Build()
{
    schema.mapTypeIds[L"communicationEntity"] = kTypeCommunicationEntity;
    m_spTopology = CDoubleObject<CTopologyDouble>::New(shared_from_this());
    m_spSchema = CDoubleObject<CSchemaDouble>::New(weak_from_this());
    m_spErrorDb = CDoubleObject<CErrorDbDouble>::New(weak_from_this());
}

CHostDouble::~CHostDouble()
{
    Dispose();
}

CNodeDouble& CHostDouble::AddItem(std::wstring_view name)
{
    auto spNode = CDoubleObject<CNodeDouble>::New(weak_from_this(), name);
    m_vecNodes.push_back(spNode);
    m_mapByIdentity[spNode->Identity()] = spNode.Get();
    return *spNode.Get();
}

CNodeDouble& CHostDouble::AddComponent(std::wstring_view name, bool bRoot)
{
    CNodeDouble& component = AddItem(name);
    component.bComponent = true;
    component.bPropertyData = false;
    component.bDataElement = false;
    if (bRoot) {
        CNodeDouble& root = AddItem(std::wstring(name) + L".root");
        root.lTypeId = kTypeRoot;
        root.SetPathText(L"/" + std::wstring(name)).SetOwner(&component);
        component.AddSubItem(L"root", root);
    }
    return component;
}

CNodeDouble* CHostDouble::FindNode(IUnknown* pUnknown) const
{
    if (!pUnknown)
        return nullptr;
    ComPtr<IUnknown> spIdentity;
    if (FAILED(pUnknown->QueryInterface(IID_PPV_ARGS(&spIdentity))))
        return nullptr;
    auto it = m_mapByIdentity.find(spIdentity.Get());
    return it == m_mapByIdentity.end() ? nullptr : it->second;
}

CQueryAnswer CHostDouble::Evaluate(CNodeDouble* pContext, std::wstring_view path) const
{
    CQueryAnswer answer;
    if (!pContext) {
        answer.hrSelect = E_INVALIDARG;
        answer.bNoEnumerator = true;
        return answer;
    }
    CNodeDouble* pOwner = pContext->Owner();
    if (path == kProtocolPath) {
        // Below a component's root: the protocol attributes of its entities.
        if (pOwner && pOwner->SubItem(L"root") == pContext)
            for (CNodeDouble* pEntity : pOwner->Entities())
                if (CNodeDouble* pProtocol = pEntity->SubItem(L"@protocol"))
                    answer.vecItems.push_back(pProtocol);
        return answer;
    }
    if (path == kOwnerPath) {
        // From any node: the root item of the component that owns it.
        if (!query.bOwnerQueryEmpty && pOwner)
            if (CNodeDouble* pRoot = pOwner->SubItem(L"root"))
                answer.vecItems.push_back(pRoot);
        return answer;
    }
    answer.hrSelect = E_INVALIDARG;
    answer.bNoEnumerator = true;
    return answer;
}

// A class object that counts and logs each creation, then fails with the
// script's result or creates the double.
template <class TDouble, class TScript>
ComPtr<IClassFactory> CHostDouble::NewClassObject(const wchar_t* name, TScript CHostDouble::*pScript)
{
    std::weak_ptr<CHostDouble> wpHost = weak_from_this();
    return CDoubleObject<CClassObjectDouble>::New(std::wstring(name) + L" class", [=](REFIID riid, void** ppv) {
        std::shared_ptr<CHostDouble> spHost = wpHost.lock();
        if (!spHost)
            return E_UNEXPECTED;
        TScript& script = (*spHost).*pScript;
        script.lCreated++;
        CCallLog::Add(name, L"Create");
        if (FAILED(script.hrCreate))
            return script.hrCreate;
        HRESULT hr = CDoubleObject<TDouble>::New(spHost)->QueryInterface(riid, ppv);
        return FAILED(hr) ? hr : script.hrCreate;
    });
}

ComPtr<IClassFactory> CHostDouble::NewQueryClassObject()
{
    return NewClassObject<CQueryDouble>(L"query", &CHostDouble::query);
}

ComPtr<IClassFactory> CHostDouble::NewContextClassObject()
{
    return NewClassObject<CContextDouble>(L"context", &CHostDouble::registry);
}

long CHostDouble::ForeignReferences() const
{
    // The host holds one reference on each of its objects; nodes also hold
    // their links, and kept enumerators their items.
    auto beyondOne = [](const CDoubleBase* p) { return p ? static_cast<long>(p->References()) - 1 : 0L; };
    long lForeign = beyondOne(static_cast<CTopologyDouble*>(m_spTopology.Get())) +
                    beyondOne(static_cast<CSchemaDouble*>(m_spSchema.Get())) +
                    beyondOne(static_cast<CErrorDbDouble*>(m_spErrorDb.Get()));
    for (const auto& spNode : m_vecNodes)
        lForeign += beyondOne(spNode.Get()) - spNode->Links();
    for (const auto& [key, spResult] : m_mapKept)
        lForeign += beyondOne(spResult.Get()) - static_cast<long>(spResult->Items());
    return lForeign;
}

ComPtr<NewZUR::IDataQueryResult> CHostDouble::KeptResult(CNodeDouble* pContext, std::wstring_view path)
{
    // Only the two paths the layer selects are kept; the key tells them apart.
    const bool bOwner = path == kOwnerPath;
    if (!bOwner && path != kProtocolPath)
        return nullptr;
    ComPtr<CQueryResultDouble>& spKept = m_mapKept[{pContext, bOwner}];
    if (!spKept || spKept->References() > 1)
        spKept = CDoubleObject<CQueryResultDouble>::New(Evaluate(pContext, path));
    spKept->Rewind();
    return spKept;
}

void CHostDouble::Dispose()
{
    m_mapKept.clear();
    for (const auto& spNode : m_vecNodes)
        spNode->Unlink();
    m_vecNodes.clear();
    m_mapByIdentity.clear();
    if (m_spTopology)
        static_cast<CTopologyDouble*>(m_spTopology.Get())->Unlink();
    m_spTopology.Reset();
    m_spSchema.Reset();
    m_spErrorDb.Reset();
    // Registry values and node values may hold BSTRs: they go now, not later.
    registry.ClearKeys();
}
