// The query service, the data items and the components of the simulated plant.
#include "hostsim/Plant.h"
#include <vector>

namespace {

class QueryServiceTest : public testing::Test
{
protected:
    static void SetUpTestSuite() { RegisterSimulatorServers(); }
    void SetUp() override
    {
        ASSERT_EQ(LoadProject(ExampleFile(L"plant.xml"), m_spProject), S_OK);
        ASSERT_EQ(CoCreateInstance(NewZUR::CLSID_DataQuery, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&m_spQuery)), S_OK);
        ASSERT_EQ(m_spProject.As(&m_spTopology), S_OK);
        ASSERT_EQ(m_spQuery->Attach(m_spTopology.Get()), S_OK);
    }
    ComPtr<NewZUR::IPropertyData> Root(const wchar_t* component)
    {
        ComPtr<IUnknown> spRoot;
        EXPECT_EQ(ItemAs<NewZUR::ICharacteristic>(m_spProject.Get(), component)->GetSubItem(CBstr(L"root"), &spRoot),
                  S_OK);
        ComPtr<NewZUR::IPropertyData> spData;
        spRoot.As(&spData);
        return spData;
    }
    // The items a select gives, walked to the end.
    std::vector<ComPtr<IDispatch>> SelectAll(NewZUR::IPropertyData* pContext, const wchar_t* path)
    {
        ComPtr<NewZUR::IDataQueryResult> spResult;
        EXPECT_EQ(m_spQuery->Select(pContext, CBstr(path), &spResult), S_OK);
        std::vector<ComPtr<IDispatch>> items;
        for (long lFound = -1; spResult && lFound;) {
            ComPtr<IDispatch> spItem;
            HRESULT hrNext = spResult->Next(&spItem, &lFound);
            EXPECT_EQ(hrNext, lFound ? S_OK : S_FALSE);
            EXPECT_EQ(spItem != nullptr, lFound != 0);
            if (spItem)
                items.push_back(spItem);
        }
        return items;
    }

    ComPtr<ISimProject> m_spProject;
    ComPtr<NewZUR::ITopology> m_spTopology;
    ComPtr<NewZUR::IDataQuery> m_spQuery;
};

// The protocol path gives each entity of the component in document order
// (devices below a gateway are components of their own); the owner path from
// one of them leads to the root item of the same component object.
TEST_F(QueryServiceTest, ProtocolAndOwnerPaths)
{
    auto protocols = SelectAll(Root(L"Gateway-1").Get(), g_szProtocolPath);
    ASSERT_EQ(protocols.size(), 2u);
    EXPECT_EQ(ValueOf(protocols[0].Get()) + L"|" + ValueOf(protocols[1].Get()), L"PROFINET IO|CANopen");
    EXPECT_EQ(SelectAll(Root(L"Drive-1").Get(), g_szProtocolPath).size(), 1u);

    ComPtr<NewZUR::IPropertyData> spProtocol;
    ASSERT_EQ(protocols[1].As(&spProtocol), S_OK);
    auto owners = SelectAll(spProtocol.Get(), L"..==>.");
    ASSERT_EQ(owners.size(), 1u);
    ComPtr<NewZUR::IDataElement> spElement;
    ASSERT_EQ(owners[0].As(&spElement), S_OK);
    CBstr path;
    EXPECT_EQ(spElement->GetPathText(path.Out()), S_OK);
    EXPECT_EQ(path.View(), L"root");
    ComPtr<NewZUR::IComponent> spOwner;
    ComPtr<IUnknown> spOwnerUnknown;
    ASSERT_EQ(spElement->GetOwningComponent(&spOwner), S_OK);
    spOwner.As(&spOwnerUnknown);
    EXPECT_EQ(spOwnerUnknown.Get(), ItemAs<IUnknown>(m_spProject.Get(), L"Gateway-1").Get());
}

// A port's parent is its entity, known by the entity's type id, whose
// protocol is its sub-item; the top of a data tree has no parent.
TEST_F(QueryServiceTest, PortClimbsByTypeIdToItsEntityAndItsProtocol)
{
    const std::wstring portPath = std::wstring(g_szEntity) + L"[@protocol='PROFINET IO']/port[@name='P2']";
    auto spPort = ItemAs<NewZUR::IPropertyData>(m_spProject.Get(), L"PLC-1", portPath.c_str());
    ComPtr<NewZUR::IDataElement> spPortElement, spEntity, spAbove;
    ASSERT_EQ(spPort.As(&spPortElement), S_OK);
    CBstr path;
    ASSERT_EQ(spPortElement->GetPathText(path.Out()), S_OK);
    EXPECT_EQ(path.View(), portPath);

    ComPtr<NewZUR::IDataSchema> spSchema;
    ASSERT_EQ(m_spTopology->GetSchema(&spSchema), S_OK);
    long lEntityType = 0, lPortType = 0, lType = 0;
    ASSERT_EQ(spSchema->GetTypeId(CBstr(L"communicationEntity"), &lEntityType), S_OK);
    ASSERT_EQ(spPortElement->GetTypeId(&lPortType), S_OK);
    EXPECT_NE(lPortType, lEntityType);
    ASSERT_EQ(spPort->GetParent(&spEntity), S_OK);
    ASSERT_EQ(spEntity->GetTypeId(&lType), S_OK);
    EXPECT_EQ(lType, lEntityType);
    ComPtr<NewZUR::ICharacteristic> spEntityChar;
    ComPtr<IUnknown> spProtocol;
    ASSERT_EQ(spEntity.As(&spEntityChar), S_OK);
    ASSERT_EQ(spEntityChar->GetSubItem(CBstr(L"@protocol"), &spProtocol), S_OK);
    EXPECT_EQ(ValueOf(spProtocol.Get()), L"PROFINET IO");
    EXPECT_EQ(Root(L"PLC-1")->GetParent(&spAbove), S_FALSE);
    EXPECT_EQ(spAbove, nullptr);
}

// Missing sub-items come back null with S_FALSE; bad selections are refused
// without a result.
TEST_F(QueryServiceTest, MissingItemsAndBadSelections)
{
    auto spChar = ItemAs<NewZUR::ICharacteristic>(m_spProject.Get(), L"PLC-1");
    for (const wchar_t* name : {L"nothing", L"@nothing", L""}) {
        ComPtr<IUnknown> spItem;
        EXPECT_EQ(spChar->GetSubItem(CBstr(name), &spItem), S_FALSE) << name;
        EXPECT_EQ(spItem, nullptr);
    }
    EXPECT_EQ(spChar->GetSubItem(nullptr, nullptr), E_POINTER);
    auto spRoot = Root(L"PLC-1");
    const std::pair<NewZUR::IPropertyData*, const wchar_t*> cases[] = {
        {spRoot.Get(), L"deviceInfo[["}, {spRoot.Get(), L""}, {nullptr, g_szProtocolPath}};
    for (const auto& [pContext, pszPath] : cases) {
        ComPtr<NewZUR::IDataQueryResult> spResult;
        EXPECT_EQ(m_spQuery->Select(pContext, CBstr(pszPath), &spResult), E_INVALIDARG) << pszPath;
        EXPECT_EQ(spResult, nullptr);
    }
}

TEST_F(QueryServiceTest, AcceptedEditsChangeWhatTheQueriesSee)
{
    auto s = [](const wchar_t* t) { return CBstr(t); };
    const std::wstring address = std::wstring(g_szEntity) + L"/@address";
    ASSERT_EQ(m_spProject->Insert(s(L"Valve terminal @6"), s(L"Valve-3"), s(L"PLC-1"), 1), S_OK);
    EXPECT_EQ(SelectAll(Root(L"Valve-3").Get(), L"../../@name").size(), 1u);
    ASSERT_EQ(m_spProject->Delete(s(L"Valve-1")), S_OK);
    // The cable to the deleted device went with it.
    EXPECT_EQ(m_spProject->Disconnect(s(L"PLC-1:DP1"), s(L"Valve-1:DP")), E_INVALIDARG);
    EXPECT_EQ(m_spProject->Move(s(L"PLC-1"), s(L"Drive-1"), 1), E_INVALIDARG);
    ASSERT_EQ(m_spProject->SetValue(s(L"Drive-2"), s(address.c_str()), s(L"12")), S_OK);
    EXPECT_EQ(ValueOf(ItemAs<IUnknown>(m_spProject.Get(), L"Drive-2", address.c_str()).Get()), L"12");
}

} // namespace
