// The verdict table in a terminal: display cells, wrapping, the narrow layout.
#include <gtest/gtest.h>
#include "zurhost/Table.h"

namespace {

// Rows of plain text, a widest column that gives way and cells wrapped at
// blanks are in the bottling table, end to end (wide and in 80 columns);
// here the characters it does not hold and a word longer than its column.
TEST(Table, WideCharactersTakeTwoCellsAndALongWordBreaksInsideItsColumn)
{
    EXPECT_EQ(DisplayWidth(L"e\u0301"), 1u);     // a combining accent
    EXPECT_EQ(DisplayWidth(L"\U00020000x"), 3u); // a surrogate pair
    CTable table({L"#", L"Edit", L"Bus"});
    table.AddRow({L"1", L"delete \u30D0\u30EB\u30D6-1", L"CANopen"});
    table.AddRow({L"2", L"delete Valve-1", L"PROFIBUS DP"});
    EXPECT_EQ(table.Render(0), L"#  Edit             Bus\n"
                               L"-  ---------------  -----------\n"
                               L"1  delete \u30D0\u30EB\u30D6-1  CANopen\n"
                               L"2  delete Valve-1   PROFIBUS DP\n");
    EXPECT_EQ(WrapText(L"DP_E_ADDRESS_IN_USE", 8), (std::vector<std::wstring>{L"DP_E_ADD", L"RESS_IN_", L"USE"}));
}

} // namespace
