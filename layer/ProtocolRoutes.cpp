// CAssistLayer: from a component to its protocols and their assistants, from
// a data item to its communication entity and owning component, and the
// routes a check takes from what it names to the assistants that judge it.
// A host object that is missing or answers nothing usable makes the lookup
// find nothing; it is never used blindly.
#include <string>
#include <vector>
#include "layer/AssistLayer.h"
#include "layer/AssistLayerTexts.h"

using Microsoft::WRL::ComPtr;
namespace T = AssistLayerText;

namespace {

// The interface I of p, or null (p null, or it does not answer I).
template <class I>
ComPtr<I> QueryFor(IUnknown* p) noexcept
{
    ComPtr<I> sp;
    if (p && FAILED(p->QueryInterface(__uuidof(I), reinterpret_cast<void**>(sp.GetAddressOf()))))
        sp.Reset();
    return sp;
}

// A protocol node's name, taken over from the host's value. Only a string is
// a name; anything else counts as unreadable (false) and is never taken for a BSTR.
bool ReadProtocolName(IPropertyData* pNode, CBstr& name)
{
    VARIANT vValue;
    vValue.vt = VT_EMPTY;
    if (pNode && SUCCEEDED(pNode->GetValue(&vValue)) && vValue.vt == VT_BSTR) {
        name.Reset(vValue.bstrVal);
        return true;
    }
    VariantClear(&vValue);
    return false;
}

// The next item of a walk, as a protocol node. An item that is missing or is
// not a data item counts as no item.
ComPtr<IPropertyData> FetchNode(NewZUR::IDataQueryResult* pEnum)
{
    ComPtr<IDispatch> spItem;
    long lFound = 0;
    pEnum->Next(&spItem, &lFound);
    if (!lFound)
        return nullptr;
    return QueryFor<IPropertyData>(spItem.Get());
}

} // namespace

HRESULT CAssistLayer::GetFirstProtocol(IUnknown* pComponent, IPropertyData** ppNode, IAssist2** ppAssist)
{
    ZURTrace(T::kTraceGetFirstProtocol);
    if (!ppNode)
        return E_POINTER; // the running walk stays
    ComPtr<ICharacteristic> spComponent = QueryFor<ICharacteristic>(pComponent);
    m_spProtocolEnum.Reset();
    // The trace says what is missing; the processed bus is none.
    auto nothingFound = [this](const wchar_t* pszTrace) {
        ZURTrace(pszTrace);
        m_bstrBusName = CBstr(T::kNoBus);
        return S_FALSE;
    };

    // A component that is no characteristic has no root either.
    ComPtr<IUnknown> spRoot;
    if (spComponent)
        spComponent->GetSubItem(m_bstrRootName, &spRoot);
    if (!spRoot)
        return nothingFound(T::kTraceNoRoot);

    // Without a query service or a root that is a data item there is nothing
    // to select. An exhausted walk stays until the next GetFirstProtocol or Term.
    ComPtr<IPropertyData> spRootData = QueryFor<IPropertyData>(spRoot.Get());
    if (m_spDataQuery && spRootData)
        m_spDataQuery->Select(spRootData.Get(), m_bstrProtocolPath, &m_spProtocolEnum);
    ComPtr<IPropertyData> spNode = m_spProtocolEnum ? FetchNode(m_spProtocolEnum.Get()) : nullptr;
    return spNode ? DeliverProtocol(std::move(spNode), ppNode, ppAssist) : nothingFound(T::kTraceNoProtocol);
}

HRESULT CAssistLayer::GetNextProtocol(IPropertyData** ppNode, IAssist2** ppAssist)
{
    ZURTrace(T::kTraceGetNextProtocol);
    if (!ppNode)
        return E_POINTER;
    ComPtr<IPropertyData> spNode = m_spProtocolEnum ? FetchNode(m_spProtocolEnum.Get()) : nullptr;
    if (spNode)
        return DeliverProtocol(std::move(spNode), ppNode, ppAssist);
    m_spProtocolEnum.Reset(); // the bus name keeps the last protocol
    return S_FALSE;
}

// The protocol becomes the processed bus and is traced by its own name; an
// unreadable value leaves the bus name as it was.
HRESULT CAssistLayer::DeliverProtocol(ComPtr<IPropertyData> spNode, IPropertyData** ppNode, IAssist2** ppAssist)
{
    if (ReadProtocolName(spNode.Get(), m_bstrBusName))
        ZURTrace(m_bstrBusName);
    *ppNode = spNode.Get();
    return GetAssistFromProtocol(spNode.Detach(), ppAssist);
}

// The name is read again, and is the processed bus from then on.
HRESULT CAssistLayer::GetAssistFromProtocol(IPropertyData* pNode, IAssist2** ppAssist)
{
    ZURTrace(T::kTraceGetAssistFromProtocol);
    if (!ReadProtocolName(pNode, m_bstrBusName))
        return S_FALSE;
    auto it = m_mapAssistants.find(m_bstrBusName.View());
    if (it == m_mapAssistants.end() || !it->second) {
        ZURTrace(T::kTraceNoAssistant);
        return T::kNoAssistant;
    }
    if (ppAssist)
        it->second.CopyTo(ppAssist);
    return S_OK;
}

HRESULT CAssistLayer::GetComponentFromProtocol(IPropertyData* pNode, IComponent** ppComponent)
{
    ZURTrace(T::kTraceGetComponentFromProtocol);
    if (!ppComponent)
        return E_POINTER;
    // No query service, or a select without result: nothing is found.
    if (!pNode || !m_spDataQuery)
        return S_FALSE;
    ComPtr<NewZUR::IDataQueryResult> spResult;
    m_spDataQuery->Select(pNode, m_bstrOwnerPath, &spResult);
    if (!spResult)
        return S_FALSE;

    ComPtr<IDispatch> spItem;
    long lFound = 0;
    const HRESULT hrFetch = spResult->Next(&spItem, &lFound);
    // Where the path leads nowhere the node itself knows its component.
    ComPtr<NewZUR::IDataElement> spElement = SUCCEEDED(hrFetch) && lFound ? QueryFor<NewZUR::IDataElement>(spItem.Get())
                                                                          : QueryFor<NewZUR::IDataElement>(pNode);
    if (!spElement)
        return S_FALSE;
    return spElement->GetOwningComponent(ppComponent);
}

// The pointer comes without a reference of the caller's own: it stays valid
// while the host keeps the component.
IComponent* CAssistLayer::GetComponentFromCharacteristic(IUnknown* pItem)
{
    ZURTrace(T::kTraceGetComponentFromCharacteristic);
    ComPtr<NewZUR::IDataElement> spElement = QueryFor<NewZUR::IDataElement>(pItem);
    ComPtr<IComponent> spComponent;
    return spElement && SUCCEEDED(spElement->GetOwningComponent(&spComponent)) ? spComponent.Get() : nullptr;
}

// A plain substring test of the item's path: "communicationEntityX" counts too.
bool CAssistLayer::IsBelowCommunicationEntity(IUnknown* pItem)
{
    ZURTrace(T::kTraceIsBelowCommunicationEntity);
    ComPtr<NewZUR::IDataElement> spElement = QueryFor<NewZUR::IDataElement>(pItem);
    CBstr bstrPath;
    return spElement && SUCCEEDED(spElement->GetPathText(bstrPath.Out())) &&
           bstrPath.View().find(T::kEntityTypeName) != std::wstring_view::npos;
}

HRESULT CAssistLayer::GetCommunicationEntityProtocol(IUnknown* pItem, IPropertyData** ppProtocol)
{
    ZURTrace(T::kTraceGetCommunicationEntityProtocol);
    if (!ppProtocol)
        return E_POINTER;
    ComPtr<NewZUR::IDataSchema> spSchema;
    if (m_spTopology)
        m_spTopology->GetSchema(&spSchema);
    // Without the entity's type identifier no element can match.
    long lEntityType = 0;
    if (!spSchema || FAILED(spSchema->GetTypeId(m_bstrEntityTypeName, &lEntityType)))
        return S_FALSE;

    // Climb from the item itself to the first communication entity. A host
    // whose parents loop would keep the climb going for ever: past any depth a
    // real data tree has, the climb gives up and finds nothing.
    const int kMaxDepth = 65536;
    ComPtr<NewZUR::IDataElement> spElement = QueryFor<NewZUR::IDataElement>(pItem);
    for (int nDepth = 0; spElement; ++nDepth) {
        long lType = 0;
        if (nDepth == kMaxDepth || FAILED(spElement->GetTypeId(&lType)))
            return S_FALSE;
        if (lType == lEntityType)
            break;
        ComPtr<IPropertyData> spData = QueryFor<IPropertyData>(spElement.Get());
        spElement.Reset();
        if (spData)
            spData->GetParent(&spElement);
    }

    ComPtr<ICharacteristic> spEntity = QueryFor<ICharacteristic>(spElement.Get());
    ComPtr<IUnknown> spAttribute;
    if (spEntity)
        spEntity->GetSubItem(m_bstrProtocolAttribute, &spAttribute);
    ComPtr<IPropertyData> spProtocol = QueryFor<IPropertyData>(spAttribute.Get());
    if (!spProtocol)
        return S_FALSE;
    *ppProtocol = spProtocol.Detach();
    return S_OK;
}

// ---- the routes ----------------------------------------------------------------

// Every protocol of the component, in the order the query service gives
// them, up to the first one without an assistant. A protocol found is the
// processed bus name from then on; the consult is handed it by name. The
// layer is never re-entered during a check, so the name stays for the consult.
void CAssistLayer::WalkProtocols(IUnknown* pComponent, ConsultProtocol consult)
{
    ComPtr<IPropertyData> spNode;
    ComPtr<IAssist2> spAssist;
    HRESULT hr = GetFirstProtocol(pComponent, spNode.GetAddressOf(), spAssist.GetAddressOf());
    while (hr == S_OK) {
        consult(spNode.Get(), spAssist.Get(), m_bstrBusName.View());
        spNode.Reset();
        spAssist.Reset();
        hr = GetNextProtocol(spNode.GetAddressOf(), spAssist.GetAddressOf());
    }
}

// An item inside a communication entity belongs to that entity's protocol
// alone: one assistant at most, no walk. Any other item reaches every
// protocol of the component it belongs to, found only then. An assistant
// already in the set is not asked again.
void CAssistLayer::FollowItemRoute(IPropertyData* pData, CFunctionRef<IComponent*()> component,
                                   ConsultedAssistants& consulted, Consult consult)
{
    // Asked, then kept whatever it answered; one allocation covers a usual call.
    auto askOnce = [&](IAssist2* pAssist, std::wstring_view protocol) {
        for (const ComPtr<IAssist2>& spAsked : consulted)
            if (spAsked.Get() == pAssist)
                return;
        consulted.reserve(8);
        consult(pAssist, protocol);
        consulted.emplace_back(pAssist);
    };
    if (IsBelowCommunicationEntity(pData)) {
        ComPtr<IPropertyData> spNode;
        ComPtr<IAssist2> spAssist;
        if (GetCommunicationEntityProtocol(pData, spNode.GetAddressOf()) == S_OK &&
            GetAssistFromProtocol(spNode.Get(), spAssist.GetAddressOf()) == S_OK && spAssist)
            askOnce(spAssist.Get(), m_bstrBusName.View()); // the entity's protocol, found just now
    } else if (IComponent* piComponent = component()) {
        WalkProtocols(piComponent, [&](IPropertyData*, IAssist2* pAssist, std::wstring_view protocol) {
            askOnce(pAssist, protocol);
        });
    }
}

// Both ends of a connection lead to assistants; one set for both ends: an
// assistant both lead to is asked for the first. An end that is null or no
// data item leads nowhere.
void CAssistLayer::FollowConnectionRoutes(ICharacteristic* piChar1, ICharacteristic* piChar2, Consult consult)
{
    ConsultedAssistants consulted;
    for (ICharacteristic* piChar : {piChar1, piChar2}) {
        ComPtr<IPropertyData> spData = QueryFor<IPropertyData>(piChar);
        if (spData)
            FollowItemRoute(
                spData.Get(), [&] { return GetComponentFromCharacteristic(piChar); }, consulted, consult);
    }
}

// A property inside a communication entity concerns that entity's bus alone;
// any other property every bus of its component. A property that is an
// element belongs to itself, any other to its parent. No property, no owner:
// nobody to ask.
void CAssistLayer::FollowPropertyRoute(IPropertyData* pData, Consult consult)
{
    if (!pData)
        return;
    auto ownerComponent = [&]() -> IComponent* {
        ComPtr<NewZUR::IDataElement> spOwner = QueryFor<NewZUR::IDataElement>(pData);
        if (!spOwner)
            pData->GetParent(spOwner.ReleaseAndGetAddressOf());
        ComPtr<ICharacteristic> spOwnerChar = QueryFor<ICharacteristic>(spOwner.Get());
        return spOwnerChar ? GetComponentFromCharacteristic(spOwnerChar.Get()) : nullptr;
    };
    ConsultedAssistants consulted;
    FollowItemRoute(pData, ownerComponent, consulted, consult);
}
