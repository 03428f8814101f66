// From a component to its protocols and assistants, and from a data item to
// its communication entity and owning component.
#include <functional>
#include "layer/LayerFixture.h"

using Microsoft::WRL::ComPtr;

namespace {

const HRESULT kNoAssistant = static_cast<HRESULT>(0xFFFFEB3D);

IUnknown* IdentityOf(IUnknown* p)
{
    ComPtr<IUnknown> sp;
    if (p)
        p->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(sp.GetAddressOf()));
    return sp.Get();  // the object lives on with its other holders
}

} // namespace

class ProtocolResolutionTest : public LayerTest
{
protected:
    CNodeDouble& Device(std::initializer_list<const wchar_t*> protocols)
    {
        CNodeDouble& device = Host().AddComponent(L"dev");
        for (const wchar_t* protocol : protocols)
            device.AddCommunicationEntity(protocol);
        return device;
    }

    // One step of a walk: its result, the node written (by name) and the assistant written.
    struct Step
    {
        HRESULT hr;
        std::wstring node;
        IUnknown* pAssist;
    };
    Step Walk(IUnknown* pComponent, bool bFirst)
    {
        ComPtr<IPropertyData> spNode;
        ComPtr<IAssist2> spAssist;
        HRESULT hr = bFirst ? Inner().GetFirstProtocol(pComponent, &spNode, &spAssist)
                            : Inner().GetNextProtocol(&spNode, &spAssist);
        CNodeDouble* pNode = Host().FindNode(spNode.Get());
        return {hr, spNode ? (pNode ? pNode->Name() : L"?") : L"-", IdentityOf(spAssist.Get())};
    }
};

TEST_F(ProtocolResolutionTest, AWalkStopsAtTheFirstProtocolWithoutAssistant)
{
    auto spP1 = Add(L"P1");
    Add(L"P3");
    CNodeDouble& device = Device({L"P1", L"P2", L"P3"});
    EXPECT_EQ(Init(), S_OK);
    Host().topology.vecEvents.clear();

    Step first = Walk(device.AsComponent(), true);
    EXPECT_EQ(first.hr, S_OK);
    EXPECT_EQ(first.node, L"dev.entity0.@protocol");
    EXPECT_EQ(first.pAssist, IdentityOf(spP1->Object()));
    Step second = Walk(nullptr, false);
    EXPECT_EQ(second.hr, kNoAssistant);
    EXPECT_EQ(second.node, L"dev.entity1.@protocol");
    EXPECT_EQ(second.pAssist, nullptr);
    EXPECT_EQ(device.Entities()[2]->Protocol().vecCalls, Texts{});
    EXPECT_EQ(Traces(), (Texts{L"CAssistLayer::GetFirstProtocol", L"P1", L"CAssistLayer::GetAssistFromProtocol",
                               L"CAssistLayer::GetNextProtocol", L"P2", L"CAssistLayer::GetAssistFromProtocol",
                               L"Cannot find assistant."}));
    EXPECT_EQ(BusName(), L"P2");
}

TEST_F(ProtocolResolutionTest, AProtocolNamedTwiceIsDeliveredTwiceThenTheWalkEnds)
{
    auto spP = Add(std::wstring_view(L"P\0x", 3));
    CNodeDouble& device = Host().AddComponent(L"dev");
    device.AddCommunicationEntity(std::wstring_view(L"P\0x", 3));
    device.AddCommunicationEntity(std::wstring_view(L"P\0x", 3));
    EXPECT_EQ(Init(), S_OK);
    EXPECT_EQ(Walk(device.AsComponent(), true).pAssist, IdentityOf(spP->Object()));
    EXPECT_EQ(Walk(nullptr, false).pAssist, IdentityOf(spP->Object()));
    EXPECT_EQ(Walk(nullptr, false).hr, S_FALSE);
    EXPECT_EQ(Inner().m_spProtocolEnum, nullptr);
    EXPECT_EQ(Walk(nullptr, false).hr, S_FALSE);
    EXPECT_EQ(BusName(), std::wstring(L"P\0x", 3));
}

TEST_F(ProtocolResolutionTest, ACaseMismatchFindsNoAssistant)
{
    Add(L"Bus");
    CNodeDouble& device = Device({L"BUS"});
    EXPECT_EQ(Init(), S_OK);
    EXPECT_EQ(Walk(device.AsComponent(), true).hr, kNoAssistant);
}

TEST_F(ProtocolResolutionTest, ANullNodeSlotLeavesTheRunningWalk)
{
    Add(L"P");
    CNodeDouble& device = Device({L"P", L"P"});
    EXPECT_EQ(Init(), S_OK);
    EXPECT_EQ(Walk(device.AsComponent(), true).hr, S_OK);
    EXPECT_EQ(Inner().GetFirstProtocol(device.AsComponent(), nullptr, nullptr), E_POINTER);
    EXPECT_EQ(Inner().GetNextProtocol(nullptr, nullptr), E_POINTER);
    EXPECT_EQ(Walk(nullptr, false).node, L"dev.entity1.@protocol");
}

// Whatever the host leaves out, the walk finds nothing instead of failing.
TEST_F(ProtocolResolutionTest, MissingHostObjectsMeanNothingIsFound)
{
    struct Row
    {
        const char* what;
        bool bInit;
        std::function<IUnknown*(CNodeDouble&)> fnPrepare;
        const wchar_t* trace;      // the last trace
        std::wstring bus;
        const wchar_t* node;
    } rows[] = {
        {"no root", true, [](CNodeDouble& d) { d.RemoveSubItem(L"root"); return d.AsComponent(); },
         L"Not found Root in Component, call SYSTEM Assistant with __NONE__ bus", L"__NONE__", L"-"},
        {"no characteristic", true, [](CNodeDouble& d) { d.bCharacteristic = false; return d.AsComponent(); },
         L"Not found Root in Component, call SYSTEM Assistant with __NONE__ bus", L"__NONE__", L"-"},
        {"null component", true, [](CNodeDouble&) { return nullptr; },
         L"Not found Root in Component, call SYSTEM Assistant with __NONE__ bus", L"__NONE__", L"-"},
        {"no query service before Init", false, [](CNodeDouble& d) { return d.AsComponent(); }, nullptr,
         L"__NONE__", L"-"},
        {"no protocol", true, [](CNodeDouble& d) { d.Entities()[0]->RemoveSubItem(L"@protocol"); return d.AsComponent(); },
         L"Not found Protocol in Component, call SYSTEM Assistant with __NONE__ bus", L"__NONE__", L"-"},
        {"item not a data item", true,
         [](CNodeDouble& d) { d.Entities()[0]->Protocol().bPropertyData = false; return d.AsComponent(); },
         L"Not found Protocol in Component, call SYSTEM Assistant with __NONE__ bus", L"__NONE__", L"-"},
        {"value not a string", true,
         [](CNodeDouble& d) {
             VARIANT* pv = d.Entities()[0]->Protocol().vValue.Out();
             pv->vt = VT_I4;
             pv->lVal = 7;
             return d.AsComponent();
         },
         L"CAssistLayer::GetAssistFromProtocol", L"<null>", L"dev.entity0.@protocol"},
        {"value unreadable", true,
         [](CNodeDouble& d) { d.Entities()[0]->Protocol().hrGetValue = E_FAIL; return d.AsComponent(); },
         L"CAssistLayer::GetAssistFromProtocol", L"<null>", L"dev.entity0.@protocol"},
    };
    for (Row& row : rows) {
        SCOPED_TRACE(row.what);
        m_spLayer.Reset();
        Add(L"P");
        CNodeDouble& device = Device({L"P"});
        if (row.bInit) {
            EXPECT_EQ(Init(), S_OK);
        }
        Host().topology.vecEvents.clear();
        Step step = Walk(row.fnPrepare(device), true);
        EXPECT_EQ(step.hr, S_FALSE);
        EXPECT_EQ(step.node, row.node);
        EXPECT_EQ(step.pAssist, nullptr);
        if (row.trace) {
            EXPECT_EQ(Traces().back(), row.trace);
        }
        EXPECT_EQ(BusName(), row.bus);
        EXPECT_EQ(Walk(nullptr, false).hr, S_FALSE);
    }
}

TEST_F(ProtocolResolutionTest, ASelectWithoutEnumeratorFindsNoProtocol)
{
    CNodeDouble& device = Device({L"P"});
    EXPECT_EQ(Init(), S_OK);
    CQueryAnswer none;
    none.bNoEnumerator = true;
    Host().query.Override(nullptr, kProtocolPath, none);
    EXPECT_EQ(Walk(device.AsComponent(), true).hr, S_FALSE);
    EXPECT_EQ(BusName(), L"__NONE__");
}

TEST_F(ProtocolResolutionTest, AKnownProtocolWithoutAssistantSlotSetsOnlyTheBusName)
{
    Add(L"P");
    CNodeDouble& device = Device({L"P"});
    EXPECT_EQ(Inner().GetAssistFromProtocol(device.Entities()[0]->Protocol().AsPropertyData(), nullptr), S_OK);
    EXPECT_EQ(Inner().GetAssistFromProtocol(nullptr, nullptr), S_FALSE);
    EXPECT_EQ(BusName(), L"P");
}

TEST_F(ProtocolResolutionTest, TheOwnerOfAProtocolComesFromTheQueryElseFromTheNode)
{
    CNodeDouble& device = Device({L"P"});
    CNodeDouble& protocol = device.Entities()[0]->Protocol();
    ComPtr<IComponent> spOwner;
    EXPECT_EQ(Inner().GetComponentFromProtocol(protocol.AsPropertyData(), &spOwner), S_FALSE);  // no query service
    EXPECT_EQ(Init(), S_OK);
    EXPECT_EQ(Inner().GetComponentFromProtocol(protocol.AsPropertyData(), &spOwner), S_OK);
    EXPECT_EQ(IdentityOf(spOwner.Get()), device.Identity());
    EXPECT_EQ(device.Root().vecCalls.back(), L"GetOwningComponent");
    Host().query.bOwnerQueryEmpty = true;
    EXPECT_EQ(Inner().GetComponentFromProtocol(protocol.AsPropertyData(), &spOwner), S_OK);
    EXPECT_EQ(protocol.vecCalls.back(), L"GetOwningComponent");
}

TEST_F(ProtocolResolutionTest, AnItemFindsItsOwnerAndItsCommunicationEntity)
{
    CNodeDouble& device = Device({L"P"});
    CNodeDouble& entity = *device.Entities()[0];
    CNodeDouble& inside = entity.AddCharacteristic(L"baud");
    CNodeDouble& outside = device.AddCharacteristic(L"name");
    EXPECT_EQ(Init(), S_OK);

    const ULONG lRefs = device.References();
    EXPECT_EQ(Inner().GetComponentFromCharacteristic(inside.AsCharacteristic()), device.AsComponent());
    EXPECT_EQ(device.References(), lRefs);
    EXPECT_EQ(Inner().GetComponentFromCharacteristic(nullptr), nullptr);

    struct Row { std::optional<std::wstring> path; bool bBelow; } rows[] = {
        {L"/dev/communicationEntityList/x", true}, {L"/dev/CommunicationEntity", false}, {std::nullopt, false}};
    for (const Row& row : rows)
        EXPECT_EQ(Inner().IsBelowCommunicationEntity(outside.SetPathText(row.path).AsDataElement()), row.bBelow);
    EXPECT_FALSE(Inner().IsBelowCommunicationEntity(nullptr));

    for (CNodeDouble* pItem : {&entity, &inside}) {
        ComPtr<IPropertyData> spProtocol;
        EXPECT_EQ(Inner().GetCommunicationEntityProtocol(pItem->AsDataElement(), &spProtocol), S_OK);
        EXPECT_EQ(IdentityOf(spProtocol.Get()), entity.Protocol().Identity());
    }
    ComPtr<IPropertyData> spNone;
    EXPECT_EQ(Inner().GetCommunicationEntityProtocol(outside.AsDataElement(), &spNone), S_FALSE);
    inside.hrGetTypeId = E_FAIL;
    EXPECT_EQ(Inner().GetCommunicationEntityProtocol(inside.AsDataElement(), &spNone), S_FALSE);
    Host().schema.hrGetTypeId = E_FAIL;
    EXPECT_EQ(Inner().GetCommunicationEntityProtocol(entity.AsDataElement(), &spNone), S_FALSE);
    EXPECT_EQ(Layer()->Term(), S_OK);
    Host().schema.hrGetTypeId = S_OK;
    EXPECT_EQ(Inner().GetCommunicationEntityProtocol(entity.AsDataElement(), &spNone), S_FALSE);  // no topology
    EXPECT_EQ(spNone, nullptr);
}
