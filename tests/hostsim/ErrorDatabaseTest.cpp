// Error-database files and the topology's error-database service.
#include "hostsim/Plant.h"
#include "hostfiles/ErrorDatabase.h"

namespace {

const wchar_t kDpDatabase[] = L"{8E3B5C11-2A47-4F0D-9B61-5D2C7A90E341}";

// A file is read line by line; a bad line is named and what was read before stays.
TEST(ErrorDatabaseFile, ReadsDecimalCodesAndNamesTheFirstBadLine)
{
    CErrorDatabase db;
    std::wstring reason;
    ASSERT_TRUE(
        db.Parse(L"# comment\nname = Test bus\n0x80040302 3 T_E_USED The address is used.\n-2147467259 1 T_W Careful\n",
                 reason));
    // The name, symbols and hex codes of the samples' files are met end to end,
    // their texts and classes by the service below; here a decimal code.
    ASSERT_NE(db.Find(static_cast<long>(E_FAIL)), nullptr);
    EXPECT_EQ(db.Find(static_cast<long>(E_FAIL))->lClass, 1);
    for (const wchar_t* line : {L"0x1 4 SYM text", L"0x1 3", L"zz 3 SYM text", L"0x1 x SYM text"}) {
        EXPECT_FALSE(db.Parse(std::wstring(L"# head\n") + line, reason)) << line;
        EXPECT_EQ(reason, L"line 2: expected \"<code> <class 0-3> <SYMBOL> <text>\"");
        EXPECT_NE(db.Find(static_cast<long>(0x80040302)), nullptr);
    }
}

using ErrorDatabaseService = PlantTest;

TEST_F(ErrorDatabaseService, ClassifiesRegisteredCodesAndGivesDefaultsForTheRest)
{
    ComPtr<NewZUR::ITopology> spTopology;
    ComPtr<NewZUR::IErrorDatabaseService> spService;
    m_spProject.As(&spTopology);
    ASSERT_EQ(spTopology->GetErrorDatabaseService(&spService), S_OK);
    const struct
    {
        HRESULT hr;
        const wchar_t* pszDb;
        const wchar_t* pszMessage;
        long lClass;
        const wchar_t* pszText;
    } cases[] = {
        {static_cast<HRESULT>(0x80040302), kDpDatabase, L"ignored", 3,
         L"The station address is already used by another device on the same bus."},
        {static_cast<HRESULT>(0x00040310), kDpDatabase, L"", 1, L"The master's last free place is taken."},
        {static_cast<HRESULT>(0x00040311), kDpDatabase, L"", 2, L"A device of the bus has no cable yet."},
        {S_OK, kDpDatabase, L"fine", 0, L"fine"},
        {E_FAIL, kDpDatabase, L"", 3, L"0x80004005"},
        {S_FALSE, L"{no such database}", L"maybe", 2, L"maybe"},
        {static_cast<HRESULT>(0x80040302), L"", L"", 3, L"0x80040302"},
    };
    for (const auto& c : cases) {
        long lClass = -1;
        CBstr message(c.pszMessage), db(c.pszDb), text;
        EXPECT_EQ(spService->Classify(c.hr, &lClass, message, db, text.Out()), S_OK);
        EXPECT_EQ(lClass, c.lClass) << std::hex << c.hr;
        EXPECT_EQ(text.View(), c.pszText);
    }
}

} // namespace
