// Reading scenario files: what each line asks and where a bad line is.
#include <gtest/gtest.h>
#include "zurhost/Scenario.h"

namespace {

// "line kind [drag] [sibling] {arg|arg} => verdict | text", kind as its number in EditKind.
std::wstring Text(const Edit& e)
{
    std::wstring text = std::to_wstring(e.nLine) + L" " + std::to_wstring(static_cast<int>(e.kind)) +
                        (e.bDrag ? L" drag" : L"") + (e.bAsChild ? L"" : L" sibling") + L" {";
    for (size_t i = 0; i < e.args.size(); ++i)
        text += (i ? L"|" : L"") + e.args[i];
    return text + L"} => " + e.expected.strText + L" | " + e.strText;
}

// What the bottling scenario does not write: a comment after the verdict, a
// dragged move, a line ending in CR LF, a verdict right after "=>".
TEST(Scenario, LinesBecomeEditsWithTheirArgumentsAndVerdicts)
{
    std::vector<Edit> edits;
    std::wstring error;
    ASSERT_TRUE(ParseScenario(L"# head\n\n"
                              L"insert \"Valve terminal @3\" as Valve-3 into PLC-1 => DP_E_ADDRESS_IN_USE # why\n"
                              L"drag move Drive-2 after \"IO #1\"\r\n"
                              L"set Valve-1 ~/@address = 126 =>rejected",
                              edits, error))
        << error.c_str();
    std::vector<std::wstring> texts;
    for (const Edit& e : edits)
        texts.push_back(Text(e));
    EXPECT_EQ(texts, (std::vector<std::wstring>{
                         L"3 1 {Valve terminal @3|Valve-3|PLC-1} => DP_E_ADDRESS_IN_USE | insert \"Valve terminal @3\" "
                         L"as Valve-3 into PLC-1",
                         L"4 2 drag sibling {Drive-2|IO #1} =>  | drag move Drive-2 after \"IO #1\"",
                         L"5 7 {Valve-1|root/deviceInfo/device/DeviceManagerObject/communicationEntity/@address|126} "
                         L"=> rejected | set Valve-1 ~/@address = 126"}));
}

// The bottling scenario meets accepted by a success code, rejected by a
// failure and symbolic names by their codes; here the rest.
TEST(Scenario, StatedVerdictsAreMetByTheirCodes)
{
    const struct
    {
        const wchar_t* pszVerdict;
        unsigned long hr;
        const wchar_t* pszSymbol;
        bool bMet;
    } cases[] = {
        {L"accepted", 0x80004005, L"", false},
        {L"rejected", S_FALSE, L"", false},
        {L"0x80040302", 0x80040302, L"", true},
        {L"0x0", S_OK, L"", true},
        {L"0x80040302", 0x80040301, L"", false},
        {L"E_FAIL", 0x80004005, L"", true},
        {L"DP_E_ADDRESS_IN_USE", 0x80040302, L"CAN_E_ADDRESS_IN_USE", false},
    };
    for (const auto& c : cases) {
        Verdict verdict;
        std::wstring reason;
        ASSERT_TRUE(ParseVerdict(c.pszVerdict, verdict, reason)) << c.pszVerdict;
        EXPECT_EQ(Meets(verdict, static_cast<HRESULT>(c.hr), c.pszSymbol), c.bMet)
            << c.pszVerdict << L" " << std::hex << c.hr;
    }
}

} // namespace
