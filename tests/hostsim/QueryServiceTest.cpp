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
        ComPtr<NewZUR::ITopology> spTopology;
        ASSERT_EQ(m_spProject.As(&spTopology), S_OK);
        ASSERT_EQ(m_spQuery->Attach(spTopology.Get()), S_OK);
    }
    ComPtr<NewZUR::IPropertyData> Root(const wchar_t* component)
    {
        auto spChar = ComponentAs<NewZUR::ICharacteristic>(m_spProject.Get(), component);
        ComPtr<IUnknown> spRoot;
        CBstr name(L"root");
        EXPECT_EQ(spChar->GetSubItem(name, &spRoot), S_OK);
        ComPtr<NewZUR::IPropertyData> spData;
        spRoot.As(&spData);
        return spData;
    }
    std::vector<ComPtr<IDispatch>> SelectAll(NewZUR::IPropertyData* pContext, const wchar_t* path)
    {
        ComPtr<NewZUR::IDataQueryResult> spResult;
        CBstr bstrPath(path);
        EXPECT_EQ(m_spQuery->Select(pContext, bstrPath, &spResult), S_OK);
        std::vector<ComPtr<IDispatch>> items;
        for (;;) {
            ComPtr<IDispatch> spItem;
            long lFound = -1;
            HRESULT hr = spResult->Next(&spItem, &lFound);
            if (lFound == 0) {
                EXPECT_EQ(hr, S_FALSE);
                EXPECT_EQ(spItem, nullptr);
                return items;
            }
            EXPECT_EQ(hr, S_OK);
            items.push_back(spItem);
        }
    }

    ComPtr<ISimProject> m_spProject;
    ComPtr<NewZUR::IDataQuery> m_spQuery;
};

TEST_F(QueryServiceTest, ProtocolPathGivesEachEntityOfTheComponentInDocumentOrder)
{
    auto items = SelectAll(Root(L"Gateway-1").Get(), g_szProtocolPath);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(ValueOf(items[0].Get()), L"PROFINET IO");
    EXPECT_EQ(ValueOf(items[1].Get()), L"CANopen");
    // Devices below the gateway are components of their own, not its entities.
    EXPECT_EQ(SelectAll(Root(L"Drive-1").Get(), g_szProtocolPath).size(), 1u);
}

TEST_F(QueryServiceTest, OwnerPathLeadsToTheRootItemOfTheSameComponentObject)
{
    auto protocols = SelectAll(Root(L"Gateway-1").Get(), g_szProtocolPath);
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
    ASSERT_EQ(spElement->GetOwningComponent(&spOwner), S_OK);
    auto spGateway = ComponentAs<IUnknown>(m_spProject.Get(), L"Gateway-1");
    ComPtr<IUnknown> spOwnerUnknown;
    spOwner.As(&spOwnerUnknown);
    EXPECT_EQ(spOwnerUnknown.Get(), spGateway.Get());
}

TEST_F(QueryServiceTest, PortClimbsByTypeIdToItsEntityAndItsProtocol)
{
    auto spPort = ItemAs<NewZUR::IPropertyData>(m_spProject.Get(), L"PLC-1",
                                                (std::wstring(g_szEntity) + L"[@protocol='PROFINET IO']/port[@name='P2']").c_str());
    ComPtr<NewZUR::IDataElement> spElement;
    ASSERT_EQ(spPort.As(&spElement), S_OK);
    CBstr path;
    ASSERT_EQ(spElement->GetPathText(path.Out()), S_OK);
    EXPECT_EQ(path.View(), L"root/deviceInfo/device/DeviceManagerObject/communicationEntity[@protocol='PROFINET IO']/port[@name='P2']");

    ComPtr<NewZUR::ITopology> spTopology;
    ComPtr<NewZUR::IDataSchema> spSchema;
    m_spProject.As(&spTopology);
    ASSERT_EQ(spTopology->GetSchema(&spSchema), S_OK);
    long lEntityType = 0, lType = 0;
    CBstr typeName(L"communicationEntity");
    ASSERT_EQ(spSchema->GetTypeId(typeName, &lEntityType), S_OK);
    int nSteps = 0;
    for (ComPtr<NewZUR::IDataElement> spCurrent = spElement; spCurrent; ++nSteps) {
        ASSERT_EQ(spCurrent->GetTypeId(&lType), S_OK);
        if (lType == lEntityType) {
            ComPtr<NewZUR::ICharacteristic> spEntity;
            ComPtr<IUnknown> spProtocol;
            CBstr attr(L"@protocol");
            ASSERT_EQ(spCurrent.As(&spEntity), S_OK);
            ASSERT_EQ(spEntity->GetSubItem(attr, &spProtocol), S_OK);
            EXPECT_EQ(ValueOf(spProtocol.Get()), L"PROFINET IO");
            break;
        }
        ComPtr<NewZUR::IPropertyData> spData;
        ComPtr<NewZUR::IDataElement> spParent;
        spCurrent.As(&spData);
        spData->GetParent(&spParent);
        spCurrent = spParent;
    }
    EXPECT_EQ(nSteps, 1);
    // The top of a data tree has no parent.
    ComPtr<NewZUR::IDataElement> spAbove;
    EXPECT_EQ(Root(L"PLC-1")->GetParent(&spAbove), S_FALSE);
    EXPECT_EQ(spAbove, nullptr);
}

TEST_F(QueryServiceTest, MissingSubItemsComeBackNullWithSFalse)
{
    auto spChar = ComponentAs<NewZUR::ICharacteristic>(m_spProject.Get(), L"PLC-1");
    for (const wchar_t* name : {L"nothing", L"@nothing", L""}) {
        ComPtr<IUnknown> spItem;
        CBstr bstrName(name);
        EXPECT_EQ(spChar->GetSubItem(bstrName, &spItem), S_FALSE) << name;
        EXPECT_EQ(spItem, nullptr);
    }
    EXPECT_EQ(spChar->GetSubItem(nullptr, nullptr), E_POINTER);
}

TEST_F(QueryServiceTest, BadSelectionsAreRefusedWithoutAResult)
{
    auto spRoot = Root(L"PLC-1");
    ComPtr<NewZUR::IPropertyData> spForeign;  // not an item of the simulator
    const struct
    {
        NewZUR::IPropertyData* pContext;
        const wchar_t* pszPath;
    } cases[] = {{spRoot.Get(), L"deviceInfo[["}, {spRoot.Get(), L""}, {nullptr, g_szProtocolPath}};
    for (const auto& c : cases) {
        ComPtr<NewZUR::IDataQueryResult> spResult;
        CBstr path(c.pszPath);
        EXPECT_EQ(m_spQuery->Select(c.pContext, path, &spResult), E_INVALIDARG) << c.pszPath;
        EXPECT_EQ(spResult, nullptr);
    }
}

TEST_F(QueryServiceTest, AcceptedEditsChangeWhatTheQueriesSee)
{
    auto s = [](const wchar_t* t) { return CBstr(t); };
    ASSERT_EQ(m_spProject->Insert(s(L"Valve terminal @6"), s(L"Valve-3"), s(L"PLC-1"), 1), S_OK);
    EXPECT_EQ(SelectAll(Root(L"Valve-3").Get(), L"../../@name").size(), 1u);
    ASSERT_EQ(m_spProject->Delete(s(L"Valve-1")), S_OK);
    // The cable to the deleted device went with it.
    EXPECT_EQ(m_spProject->Disconnect(s(L"PLC-1:DP1"), s(L"Valve-1:DP")), E_INVALIDARG);
    EXPECT_EQ(m_spProject->Move(s(L"PLC-1"), s(L"Drive-1"), 1), E_INVALIDARG);
    ASSERT_EQ(m_spProject->SetValue(s(L"Drive-2"), s((std::wstring(g_szEntity) + L"/@address").c_str()), s(L"12")), S_OK);
    EXPECT_EQ(ValueOf(ItemAs<IUnknown>(m_spProject.Get(), L"Drive-2", (std::wstring(g_szEntity) + L"/@address").c_str()).Get()), L"12");
}

} // namespace
