// The query service, the data items and the components of the simulated plant.
#include "hostsim/Plant.h"

namespace {

using QueryServiceTest = PlantTest;

// Missing sub-items and the parent of a tree's top come back null with
// S_FALSE; bad selections are refused without a result. (The protocol and
// owner paths, which every check of the layer selects, ports climbing to
// their entity and edits changing what the queries see are met by every
// cable and every accepted edit of the bottling scenario.)
TEST_F(QueryServiceTest, MissingItemsAndBadSelections)
{
    auto spChar = ItemAs<NewZUR::ICharacteristic>(L"PLC-1");
    for (const wchar_t* name : {L"nothing", L"@nothing", L""}) {
        ComPtr<IUnknown> spItem;
        EXPECT_EQ(spChar->GetSubItem(CBstr(name), &spItem), S_FALSE) << name;
        EXPECT_EQ(spItem, nullptr);
    }
    EXPECT_EQ(spChar->GetSubItem(nullptr, nullptr), E_POINTER);
    auto spRoot = ItemAs<NewZUR::IPropertyData>(L"PLC-1", L"root");
    ComPtr<NewZUR::IDataElement> spAbove;
    EXPECT_EQ(spRoot->GetParent(&spAbove), S_FALSE);
    EXPECT_EQ(spAbove, nullptr);
    ComPtr<NewZUR::ITopology> spTopology;
    ComPtr<NewZUR::IDataQuery> spQuery;
    ASSERT_EQ(m_spProject.As(&spTopology), S_OK);
    ASSERT_EQ(CoCreateInstance(NewZUR::CLSID_DataQuery, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&spQuery)), S_OK);
    ASSERT_EQ(spQuery->Attach(spTopology.Get()), S_OK);
    const std::pair<NewZUR::IPropertyData*, const wchar_t*> cases[] = {
        {spRoot.Get(), L"deviceInfo[["}, {spRoot.Get(), L""}, {nullptr, L"deviceInfo"}};
    for (const auto& [pContext, pszPath] : cases) {
        ComPtr<NewZUR::IDataQueryResult> spResult;
        EXPECT_EQ(spQuery->Select(pContext, CBstr(pszPath), &spResult), E_INVALIDARG) << pszPath;
        EXPECT_EQ(spResult, nullptr);
    }
}

} // namespace
