// Reading scenario files: what each line asks and where a bad line is.
#include <gtest/gtest.h>
#include "zurhost/Scenario.h"

namespace {

TEST(Scenario, LinesBecomeEditsWithTheirArgumentsAndVerdicts)
{
    std::vector<Edit> edits;
    std::wstring error;
    ASSERT_TRUE(ParseScenario(L"# head\n\n"
                              L"insert \"Valve terminal @3\" as Valve-3 into PLC-1 => DP_E_ADDRESS_IN_USE # why\n"
                              L"drag move Drive-2 after \"IO #1\"\r\n"
                              L"set Valve-1 ~/@address = 126 =>rejected\n"
                              L"connect PLC-1:P2 Camera-1:P1\n"
                              L"check all => accepted",
                              edits, error))
        << error.c_str();
    ASSERT_EQ(edits.size(), 5u);
    EXPECT_EQ(edits[0].nLine, 3);
    EXPECT_EQ(edits[0].kind, EditKind::Insert);
    EXPECT_EQ(edits[0].args, (std::vector<std::wstring>{L"Valve terminal @3", L"Valve-3", L"PLC-1"}));
    EXPECT_TRUE(edits[0].bAsChild);
    EXPECT_EQ(edits[0].strExpected, L"DP_E_ADDRESS_IN_USE");
    EXPECT_EQ(edits[0].strText, L"insert \"Valve terminal @3\" as Valve-3 into PLC-1");
    EXPECT_EQ(edits[1].kind, EditKind::Move);
    EXPECT_TRUE(edits[1].bDrag);
    EXPECT_FALSE(edits[1].bAsChild);
    EXPECT_EQ(edits[1].args, (std::vector<std::wstring>{L"Drive-2", L"IO #1"}));
    EXPECT_EQ(edits[1].strExpected, L"");
    EXPECT_EQ(edits[2].args, (std::vector<std::wstring>{L"Valve-1", L"root/deviceInfo/device/DeviceManagerObject/communicationEntity/@address", L"126"}));
    EXPECT_EQ(edits[2].strExpected, L"rejected");
    EXPECT_EQ(edits[3].args, (std::vector<std::wstring>{L"PLC-1:P2", L"Camera-1:P1"}));
    EXPECT_EQ(edits[4].kind, EditKind::CheckAll);
}

TEST(Scenario, TheFirstBadLineIsNamed)
{
    const struct
    {
        const wchar_t* pszText;
        const wchar_t* pszError;
    } cases[] = {
        {L"check all\ninsert A into B", L"line 2: cannot read \"insert A into B\""},
        {L"drag delete A", L"line 1: \"drag\" goes with insert, move or replace"},
        {L"\n\ndelete A =>", L"line 3: \"=>\" without a verdict"},
        {L"set A path 5", L"line 1: cannot read \"set A path 5\""},
        {L"move A onto B", L"line 1: cannot read \"move A onto B\""},
    };
    for (const auto& c : cases) {
        std::vector<Edit> edits;
        std::wstring error;
        EXPECT_FALSE(ParseScenario(c.pszText, edits, error)) << c.pszText;
        EXPECT_EQ(error, c.pszError);
    }
}

} // namespace
