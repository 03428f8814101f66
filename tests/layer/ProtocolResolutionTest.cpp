// From a component to its protocols and assistants, and from a data item to
// its communication entity and owning component.
#include <functional>
#include "layer/LayerFixture.h"

using Microsoft::WRL::ComPtr;

namespace {
const HRESULT kNoAssistant = static_cast<HRESULT>(0xFFFFEB3D);
const wchar_t kNoRoot[] = L"Not found Root in Component, call SYSTEM Assistant with __NONE__ bus";
const wchar_t kNoProtocol[] = L"Not found Protocol in Component, call SYSTEM Assistant with __NONE__ bus";

IUnknown* IdentityOf(IUnknown* p) // no reference kept: the object lives on with its other holders
{
    ComPtr<IUnknown> sp;
    if (p)
        p->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(sp.GetAddressOf()));
    return sp.Get();
}
} // namespace

class ProtocolResolutionTest : public LayerTest
{
protected:
    struct Step // one step of a walk: its result, the node written (by name), the assistant written
    {
        HRESULT hr;
        std::wstring node;
        IUnknown* pAssist;
    };
    Step Walk(IUnknown* pComponent, bool bFirst = false)
    {
        ComPtr<IPropertyData> spNode;
        ComPtr<IAssist2> spAssist;
        HRESULT hr = bFirst ? Inner().GetFirstProtocol(pComponent, &spNode, &spAssist)
                            : Inner().GetNextProtocol(&spNode, &spAssist);
        CNodeDouble* pNode = Host().FindNode(spNode.Get());
        return {hr, pNode ? pNode->Name() : L"-", IdentityOf(spAssist.Get())};
    }
};

TEST_F(ProtocolResolutionTest, AWalkStopsAtTheFirstProtocolWithoutAssistant)
{
    auto spP1 = Add(L"P1");
    Add(L"P3");
    CNodeDouble& device = Component(L"dev", {L"P1", L"P2", L"P3"});
    EXPECT_EQ(Init(), S_OK);
    Host().topology.vecEvents.clear();
    Step first = Walk(device.AsComponent(), true), second = Walk(nullptr);
    EXPECT_EQ(first.hr, S_OK);
    EXPECT_EQ(first.node, L"dev.entity0.@protocol");
    EXPECT_EQ(first.pAssist, IdentityOf(spP1->Object()));
    EXPECT_EQ(second.hr, kNoAssistant);
    EXPECT_EQ(second.node, L"dev.entity1.@protocol");
    EXPECT_EQ(second.pAssist, nullptr);
    EXPECT_EQ(device.Entities()[2]->Protocol().vecCalls, Texts{});
    EXPECT_EQ(Traces(), (Texts{L"CAssistLayer::GetFirstProtocol", L"P1", L"CAssistLayer::GetAssistFromProtocol",
                               L"CAssistLayer::GetNextProtocol", L"P2", L"CAssistLayer::GetAssistFromProtocol",
                               L"Cannot find assistant."}));
    EXPECT_EQ(BusName(), L"P2");
    // The walk left behind at P2 goes with the next start, even one that finds nothing.
    EXPECT_EQ(Walk(Host().AddComponent(L"bare", false).AsComponent(), true).hr, S_FALSE);
    EXPECT_EQ(Inner().m_spProtocolEnum, nullptr);
}

TEST_F(ProtocolResolutionTest, AProtocolNamedTwiceIsDeliveredTwiceAndANullSlotLeavesTheWalk)
{
    const std::wstring_view protocol(L"P\0x", 3);
    auto spP = Add(protocol);
    CNodeDouble& device = Component(L"dev", {protocol, protocol});
    EXPECT_EQ(Init(), S_OK);
    EXPECT_EQ(Walk(device.AsComponent(), true).pAssist, IdentityOf(spP->Object()));
    EXPECT_EQ(Inner().GetFirstProtocol(device.AsComponent(), nullptr, nullptr), E_POINTER);
    EXPECT_EQ(Inner().GetNextProtocol(nullptr, nullptr), E_POINTER);
    EXPECT_EQ(Walk(nullptr).pAssist, IdentityOf(spP->Object()));
    EXPECT_EQ(Walk(nullptr).hr, S_FALSE);
    EXPECT_EQ(Inner().m_spProtocolEnum, nullptr); // the walk's end lets the enumerator go
    EXPECT_EQ(BusName(), protocol);
}

TEST_F(ProtocolResolutionTest, AssistantsAreFoundByExactNameOnly)
{
    Add(L"Bus");
    CNodeDouble& device = Component(L"dev", {L"BUS", L"Bus"});
    EXPECT_EQ(Init(), S_OK);
    EXPECT_EQ(Walk(device.AsComponent(), true).hr, kNoAssistant);
    EXPECT_EQ(Inner().GetAssistFromProtocol(device.Entities()[1]->Protocol().AsPropertyData(), nullptr), S_OK);
    EXPECT_EQ(BusName(), L"Bus");
    EXPECT_EQ(Inner().GetAssistFromProtocol(nullptr, nullptr), S_FALSE);
}

// Whatever the host leaves out, the walk finds nothing instead of failing.
TEST_F(ProtocolResolutionTest, MissingHostObjectsMeanNothingIsFound)
{
    auto value = [](CNodeDouble& d) -> CNodeDouble& { return d.Entities()[0]->Protocol(); };
    struct Row
    {
        const char* what;
        bool bInit;
        std::function<IUnknown*(CNodeDouble&)> fnPrepare;
        const wchar_t* trace;
        const wchar_t* bus = nullptr;
        const wchar_t* node = nullptr;
    } rows[] = {
        {"no root", true,
         [](CNodeDouble& d) {
             d.RemoveSubItem(L"root");
             return d.AsComponent();
         },
         kNoRoot},
        {"no characteristic", true,
         [](CNodeDouble& d) {
             d.bCharacteristic = false;
             return d.AsComponent();
         },
         kNoRoot},
        {"null component", true, [](CNodeDouble&) { return nullptr; }, kNoRoot},
        {"no query service", false, [](CNodeDouble& d) { return d.AsComponent(); }, nullptr},
        {"no protocol", true,
         [](CNodeDouble& d) {
             d.Entities()[0]->RemoveSubItem(L"@protocol");
             return d.AsComponent();
         },
         kNoProtocol},
        {"item no data item", true,
         [&](CNodeDouble& d) {
             value(d).bPropertyData = false;
             return d.AsComponent();
         },
         kNoProtocol},
        {"value no string", true,
         [&](CNodeDouble& d) {
             VARIANT* pv = value(d).vValue.Out();
             pv->vt = VT_I4;
             pv->lVal = 7;
             return d.AsComponent();
         },
         L"CAssistLayer::GetAssistFromProtocol", L"<null>", L"dev.entity0.@protocol"},
        {"value unreadable", true,
         [&](CNodeDouble& d) {
             value(d).hrGetValue = E_FAIL;
             return d.AsComponent();
         },
         L"CAssistLayer::GetAssistFromProtocol", L"<null>", L"dev.entity0.@protocol"},
        {"no enumerator", true,
         [this](CNodeDouble& d) {
             CQueryAnswer none;
             none.bNoEnumerator = true;
             Host().query.Override(nullptr, kProtocolPath, none);
             return d.AsComponent();
         },
         kNoProtocol},
    };
    for (Row& row : rows) {
        SCOPED_TRACE(row.what);
        m_spLayer.Reset();
        Add(L"P");
        CNodeDouble& device = Component(L"dev", {L"P"});
        if (row.bInit) {
            EXPECT_EQ(Init(), S_OK);
        }
        Host().topology.vecEvents.clear();
        Step step = Walk(row.fnPrepare(device), true);
        EXPECT_EQ(step.hr, S_FALSE);
        EXPECT_EQ(step.node, row.node ? row.node : L"-");
        EXPECT_EQ(step.pAssist, nullptr);
        const Texts traces = Traces();
        EXPECT_EQ(traces.empty() ? L"" : traces.back(), row.trace ? row.trace : L"");
        EXPECT_EQ(BusName(), row.bus ? row.bus : L"__NONE__");
        EXPECT_EQ(Walk(nullptr).hr, S_FALSE);
    }
}

TEST_F(ProtocolResolutionTest, TheOwnerOfAProtocolComesFromTheQueryElseFromTheNode)
{
    CNodeDouble& device = Component(L"dev", {L"P"});
    CNodeDouble& protocol = device.Entities()[0]->Protocol();
    ComPtr<IComponent> spOwner;
    EXPECT_EQ(Inner().GetComponentFromProtocol(protocol.AsPropertyData(), &spOwner), S_FALSE); // no query service
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
    CNodeDouble& device = Component(L"dev", {L"P"});
    CNodeDouble& entity = *device.Entities()[0];
    CNodeDouble& inside = entity.AddCharacteristic(L"baud");
    CNodeDouble& outside = device.AddCharacteristic(L"name");
    EXPECT_EQ(Init(), S_OK);
    const ULONG lRefs = device.References();
    EXPECT_EQ(Inner().GetComponentFromCharacteristic(inside.AsCharacteristic()), device.AsComponent());
    EXPECT_EQ(device.References(), lRefs);
    EXPECT_EQ(Inner().GetComponentFromCharacteristic(nullptr), nullptr);

    struct Row
    {
        std::optional<std::wstring> path;
        bool bBelow;
    } rows[] = {{L"/dev/communicationEntityList/x", true}, {L"/dev/CommunicationEntity", false}, {std::nullopt, false}};
    for (const Row& row : rows)
        EXPECT_EQ(Inner().IsBelowCommunicationEntity(outside.SetPathText(row.path).AsDataElement()), row.bBelow);
    EXPECT_FALSE(Inner().IsBelowCommunicationEntity(nullptr));

    for (CNodeDouble* pItem : {&entity, &inside}) {
        ComPtr<IPropertyData> spProtocol;
        EXPECT_EQ(Inner().GetCommunicationEntityProtocol(pItem->AsDataElement(), &spProtocol), S_OK);
        EXPECT_EQ(IdentityOf(spProtocol.Get()), entity.Protocol().Identity());
    }
    ComPtr<IPropertyData> spNone;
    EXPECT_EQ(Inner().GetCommunicationEntityProtocol(outside.AsDataElement(), &spNone), S_FALSE); // top reached
    ComPtr<CNodeDouble> spOutsideParent = outside.Parent();
    outside.SetParent(&outside); // a host whose parents loop
    EXPECT_EQ(Inner().GetCommunicationEntityProtocol(outside.AsDataElement(), &spNone), S_FALSE);
    outside.SetParent(spOutsideParent.Get());
    inside.hrGetTypeId = E_FAIL;
    EXPECT_EQ(Inner().GetCommunicationEntityProtocol(inside.AsDataElement(), &spNone), S_FALSE);
    Host().schema.hrGetTypeId = E_FAIL;
    EXPECT_EQ(Inner().GetCommunicationEntityProtocol(entity.AsDataElement(), &spNone), S_FALSE);
    Host().schema.hrGetTypeId = S_OK;
    entity.RemoveSubItem(L"@protocol");
    EXPECT_EQ(Inner().GetCommunicationEntityProtocol(entity.AsDataElement(), &spNone), S_FALSE);
    EXPECT_EQ(Layer()->Term(), S_OK);
    EXPECT_EQ(Inner().GetCommunicationEntityProtocol(entity.AsDataElement(), &spNone), S_FALSE); // no topology
    EXPECT_EQ(spNone, nullptr);
}
