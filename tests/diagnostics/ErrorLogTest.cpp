// The error log: rows read back byte for byte from the file in a temp folder
// of the test's own.
#include <windows.h>
#include <gtest/gtest.h>
#include <fcntl.h>
#include <algorithm>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <vector>
#include "diagnostics/ErrorLog.h"
#include "support/TestEnvironment.h"

namespace {

const HRESULT c_hrNoSystemText = static_cast<HRESULT>(0xFFFFEB3D);
const char c_szStamp[] = R"(\d\d/\d\d/\d\d,\d\d:\d\d:\d\d,)";

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

class ErrorLogTest : public testing::Test
{
protected:
    void SetUp() override
    {
        const testing::TestInfo* pInfo = testing::UnitTest::GetInstance()->current_test_info();
        std::string name = pInfo->name();
        UseTempFolder(PrivateTempFolder() + std::wstring(name.begin(), name.end()) + L"\\");
        g_bErrorLogEnabled = 1;
    }
    void TearDown() override
    {
        g_bErrorLogEnabled = 0;
        SetEnvironmentVariableW(L"TMP", PrivateTempFolder().c_str());
    }

    void UseTempFolder(const std::wstring& folder)
    {
        m_folder = folder;
        CreateDirectoryW((L"\\\\?\\" + folder).c_str(), nullptr);
        SetEnvironmentVariableW(L"TMP", folder.c_str());
        DeleteFileW((L"\\\\?\\" + LogPath()).c_str()); // left by an earlier run
    }
    std::wstring LogPath() const { return m_folder + L"Tessaro_Error_Log.csv"; }
    bool LogExists() const { return GetFileAttributesW((L"\\\\?\\" + LogPath()).c_str()) != INVALID_FILE_ATTRIBUTES; }
    std::string ReadLog() const
    {
        std::ifstream file(LogPath().c_str(), std::ios::binary);
        std::ostringstream text;
        text << file.rdbuf();
        return text.str();
    }
    // Rows as written, date and time checked by pattern and cut off.
    std::vector<std::string> ReadRows() const
    {
        std::vector<std::string> rows;
        std::string text = ReadLog();
        for (size_t pos = 0, end; (end = text.find("\r\n", pos)) != std::string::npos; pos = end + 2) {
            std::string row = text.substr(pos, end - pos);
            std::smatch stamp;
            EXPECT_TRUE(std::regex_search(row, stamp, std::regex(c_szStamp), std::regex_constants::match_continuous)) << row;
            rows.push_back(row.substr(stamp.length()));
        }
        EXPECT_EQ(text.size(), text.rfind("\r\n") + 2) << "the file ends in a line end";
        return rows;
    }

    std::wstring m_folder;
};

struct RowCase
{
    const wchar_t *severity, *method, *sourceFile;
    long line;
    const wchar_t *message, *detail;
    HRESULT hr;
    const char* expected; // fields 3 to 9; the system text of hr follows
};

const RowCase c_rowCases[] = {
    {L"ERROR", L"CAssistLayer::Init", L".\\AssistLayer", 124, L"Assistant::Init failed.", L"", E_FAIL,
     R"(ERROR,CAssistLayer::Init,.\AssistLayer,124,0x80004005,Assistant::Init failed.())"},
    {L"INFO", L"CAssistCommon::LoadDebugOptions", L".\\AssistCommon", 398, L"Layer Debug options:",
     L"Do nothing, returning with SOK", S_OK,
     R"(INFO,CAssistCommon::LoadDebugOptions,.\AssistCommon,398,0x00000000,Layer Debug options:(Do nothing, returning with SOK))"},
    {L"WARNING", L"M", L"F", -1, L"no text", L"Profibus", c_hrNoSystemText, "WARNING,M,F,-1,0xffffeb3d,no text(Profibus)"},
    {nullptr, nullptr, nullptr, 0, nullptr, nullptr, S_FALSE, ",,,0,0x00000001,()"},
};

TEST_F(ErrorLogTest, WritesOneRowPerCallInTheFixedFormat)
{
    for (const RowCase& c : c_rowCases)
        LogError(c.severity, c.method, c.sourceFile, c.line, c.message, c.detail, c.hr);
    std::vector<std::string> rows = ReadRows();
    ASSERT_EQ(rows.size(), std::size(c_rowCases));
    for (size_t i = 0; i < rows.size(); ++i)
        EXPECT_EQ(rows[i], c_rowCases[i].expected + std::string(",") + Narrow(GetSystemErrorText(c_rowCases[i].hr)));
    EXPECT_EQ(rows[2].back(), ',') << "no system text: the row ends in the comma before it";
}

TEST_F(ErrorLogTest, TextOutsideTheCodePageBecomesQuestionMarks)
{
    ASSERT_EQ(GetACP(), 1252u) << "the expected bytes are those of the Western code page";
    LogError(L"ERROR", L"M", L"F", 1, L"caf\u00e9 \u0416\u4e2d!", L"\u00fc\xd800", c_hrNoSystemText);
    std::vector<std::string> rows = ReadRows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], "ERROR,M,F,1,0xffffeb3d,caf\xe9 ??" "!(\xfc?),");
}

TEST_F(ErrorLogTest, AppendsToWhatIsThere)
{
    std::ofstream(LogPath().c_str(), std::ios::binary) << "01/01/01,00:00:00,kept\r\n";
    LogError(g_SeverityNames[SeverityWarning], L"A", L"F", 1, L"first", L"", S_OK);
    LogError(g_SeverityNames[SeverityInfo], L"B", L"F", 2, L"second", L"", S_OK);
    std::vector<std::string> rows = ReadRows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], "kept");
    EXPECT_EQ(rows[1].substr(0, 10), "WARNING,A,");
    EXPECT_EQ(rows[2].substr(0, 7), "INFO,B,");
}

TEST_F(ErrorLogTest, RowsEndInCrLfWhenTheProcessDefaultsToBinary)
{
    const int previousMode = _fmode;
    _fmode = _O_BINARY;
    LogError(L"INFO", L"M", L"F", 1, L"text", L"", S_OK);
    _fmode = previousMode;
    EXPECT_EQ(ReadRows().size(), 1u);
}

TEST_F(ErrorLogTest, SwitchedOffCreatesNoFile)
{
    g_bErrorLogEnabled = 0;
    for (int i = 0; i < 50; ++i)
        LogError(L"ERROR", L"M", L"F", i, L"lost", L"", E_FAIL);
    EXPECT_FALSE(LogExists());
}

TEST_F(ErrorLogTest, HugeMessageIsWrittenWhole)
{
    std::wstring message(100000, L'x');
    message[0] = L'<';
    message.back() = L'>';
    LogError(L"ERROR", L"M", L"F", 1, message.c_str(), message.c_str(), c_hrNoSystemText);
    std::vector<std::string> rows = ReadRows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], "ERROR,M,F,1,0xffffeb3d," + Narrow(message) + "(" + Narrow(message) + "),");
}

// A temp folder below base whose path is cch characters long, backslash included.
std::wstring FolderOfLength(std::wstring folder, size_t cch)
{
    while (folder.size() < cch) {
        size_t cchLeft = cch - folder.size();
        size_t cchPart = cchLeft <= 100 ? cchLeft : (cchLeft - 100 >= 2 ? 100 : 98);
        folder += std::wstring(cchPart - 1, L'd') + L"\\";
        CreateDirectoryW((L"\\\\?\\" + folder).c_str(), nullptr);
    }
    return folder;
}

TEST_F(ErrorLogTest, PathThatDoesNotFitDropsTheRow)
{
    const size_t cchFileName = std::wstring(L"Tessaro_Error_Log.csv").size();
    const struct
    {
        size_t cchFolder;
        bool bWritten;
    } cases[] = {{MAX_PATH - 1 - cchFileName, true}, {MAX_PATH - cchFileName, false}, {MAX_PATH + 40, false}};
    const std::wstring base = m_folder;
    for (const auto& c : cases) {
        UseTempFolder(FolderOfLength(base, c.cchFolder));
        ASSERT_EQ(m_folder.size(), c.cchFolder);
        LogError(L"ERROR", L"M", L"F", 1, L"long path", L"", S_OK);
        EXPECT_EQ(LogExists(), c.bWritten) << c.cchFolder;
    }
}

TEST_F(ErrorLogTest, FolderNameOutsideTheCodePage)
{
    UseTempFolder(m_folder + L"\u0416\u4e2d\\");
    LogError(L"ERROR", L"M", L"F", 1, L"here", L"", S_OK);
    EXPECT_TRUE(LogExists());
}

TEST(SystemErrorText, TrailingWhiteSpaceRemovedInsertsKept)
{
    const struct
    {
        HRESULT hr;
        const wchar_t* text;
    } cases[] = {
        {S_OK, L"Success."},
        {E_FAIL, L"Call failed."},
        {HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), L"File not found."},
        {static_cast<HRESULT>(ERROR_INVALID_FUNCTION), L"Invalid function."},
        {static_cast<HRESULT>(107), L"Insert disk for drive %1."},
        {c_hrNoSystemText, L""},
        {E_UNEXPECTED, L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GetSystemErrorText(c.hr), c.text) << std::hex << c.hr;
}

} // namespace
