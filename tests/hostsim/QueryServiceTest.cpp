// The query service, the data items and the components of the simulated plant.
#include "hostsim/Plant.h"

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

    ComPtr<ISimProject> m_spProject;
    ComPtr<NewZUR::ITopology> m_spTopology;
    ComPtr<NewZUR::IDataQuery> m_spQuery;
};

// Missing sub-items and the parent of a tree's top come back null with
// S_FALSE; bad selections are refused without a result. (The protocol and
// owner paths, which every check of the layer selects, ports climbing to
// their entity and edits changing what the queries see are met by every
// cable and every accepted edit of the bottling scenario.)
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
    ComPtr<NewZUR::IDataElement> spAbove;
    EXPECT_EQ(spRoot->GetParent(&spAbove), S_FALSE);
    EXPECT_EQ(spAbove, nullptr);
    const std::pair<NewZUR::IPropertyData*, const wchar_t*> cases[] = {
        {spRoot.Get(), L"deviceInfo[["}, {spRoot.Get(), L""}, {nullptr, g_szProtocolPath}};
    for (const auto& [pContext, pszPath] : cases) {
        ComPtr<NewZUR::IDataQueryResult> spResult;
        EXPECT_EQ(m_spQuery->Select(pContext, CBstr(pszPath), &spResult), E_INVALIDARG) << pszPath;
        EXPECT_EQ(spResult, nullptr);
    }
}

} // namespace
