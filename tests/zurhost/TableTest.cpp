// The verdict table in a terminal: display cells, wrapping, the narrow layout.
#include <gtest/gtest.h>
#include "zurhost/Table.h"

namespace {

TEST(Table, WideCharactersTakeTwoCellsAndKeepTheColumnsAligned)
{
    EXPECT_EQ(DisplayWidth(L"Ventil-1"), 8u);
    EXPECT_EQ(DisplayWidth(L"\u30D0\u30EB\u30D6-1"), 8u); // three katakana
    EXPECT_EQ(DisplayWidth(L"e\u0301"), 1u);              // a combining accent
    EXPECT_EQ(DisplayWidth(L"\U00020000x"), 3u);          // a surrogate pair
    CTable table({L"#", L"Edit", L"Bus"});
    table.AddRow({L"1", L"delete \u30D0\u30EB\u30D6-1", L"CANopen"});
    table.AddRow({L"2", L"delete Valve-1", L"PROFIBUS DP"});
    EXPECT_EQ(table.Render(0), L"#  Edit             Bus\n"
                               L"-  ---------------  -----------\n"
                               L"1  delete \u30D0\u30EB\u30D6-1  CANopen\n"
                               L"2  delete Valve-1   PROFIBUS DP\n");
}

TEST(Table, TheWidestColumnsGiveWayAndTheirCellsWrapAtBlanks)
{
    CTable table({L"#", L"Edit", L"Held"});
    table.AddRow({L"10", L"insert \"Valve terminal @3\" as Valve-3 into PLC-1", L"ok"},
                 L"Station address 3 of 'Valve terminal @3' is already used by 'Valve-1'.");
    EXPECT_EQ(table.NaturalWidth(), 76u); // the text below the row, indented by six
    EXPECT_EQ(table.Render(40), L"#   Edit                            Held\n"
                                L"--  ------------------------------  ----\n"
                                L"10  insert \"Valve terminal @3\" as   ok\n"
                                L"    Valve-3 into PLC-1\n"
                                L"      Station address 3 of 'Valve\n"
                                L"      terminal @3' is already used by\n"
                                L"      'Valve-1'.\n");
    EXPECT_EQ(WrapText(L"DP_E_ADDRESS_IN_USE", 8), (std::vector<std::wstring>{L"DP_E_ADD", L"RESS_IN_", L"USE"}));
}

} // namespace
