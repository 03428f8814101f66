// The error log: rows read back byte for byte from the file in a temp folder
// of the test's own, written at a clock the test sets.
#include <windows.h>
#include <gtest/gtest.h>
#include <fcntl.h>
#include <cwctype>
#include <fstream>
#include <string>
#include <vector>
#include "diagnostics/ErrorLog.h"
#include "support/ImportHook.h"
#include "support/TestEnvironment.h"

IMPORT_SLOT(GetLocalTime, 4);

namespace {

const HRESULT c_hrNoSystemText = static_cast<HRESULT>(0xFFFFEB3D);
SYSTEMTIME g_stNow;

void WINAPI FixedLocalTime(LPSYSTEMTIME pst)
{
    *pst = g_stNow;
}

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

class ErrorLogTest : public testing::Test
{
protected:
    void SetUp() override
    {
        std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
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
    std::vector<std::string> ReadRows() const
    {
        const std::string text = FileText(LogPath());
        std::vector<std::string> rows;
        for (size_t pos = 0, end; (end = text.find("\r\n", pos)) != std::string::npos; pos = end + 2)
            rows.push_back(text.substr(pos, end - pos));
        EXPECT_EQ(text.size(), text.rfind("\r\n") + 2) << "the file ends in a line end";
        return rows;
    }

    std::wstring m_folder;
    CImportHook<decltype(&GetLocalTime)> m_clock{g_impGetLocalTime, FixedLocalTime};
};

// Rows are appended to what is there, each in the fixed format ending in the
// system text of its HRESULT (none: the row ends in the comma before it), text
// outside the Western code page as question marks; every other row is written
// while the process defaults to binary files and still ends in CR LF.
TEST_F(ErrorLogTest, WritesOneRowPerCallInTheFixedFormat)
{
    ASSERT_EQ(GetACP(), 1252u) << "the expected bytes are those of the Western code page";
    const std::wstring huge = L"<" + std::wstring(100000, L'x') + L">";
    const struct
    {
        const wchar_t *severity, *method, *sourceFile;
        long line;
        std::wstring message, detail;
        HRESULT hr;
        std::string expected; // the fields after date and time, before the system text
    } cases[] = {
        {L"ERROR", L"CAssistLayer::Init", L".\\AssistLayer", 124, L"Assistant::Init failed.", L"", E_FAIL,
         R"(ERROR,CAssistLayer::Init,.\AssistLayer,124,0x80004005,Assistant::Init failed.())"},
        {L"WARNING", L"M", L"F", -1, L"no text", L"Profibus", c_hrNoSystemText,
         "WARNING,M,F,-1,0xffffeb3d,no text(Profibus)"},
        {nullptr, nullptr, nullptr, 0, L"", L"", S_FALSE, ",,,0,0x00000001,()"},
        {L"ERROR", L"M", L"F", 1, L"caf\u00e9 \u0416\u4e2d!", L"\u00fc\xd800", c_hrNoSystemText,
         "ERROR,M,F,1,0xffffeb3d,caf\xe9 ??"
         "!(\xfc?)"},
        {L"INFO", L"M", L"F", 1, huge, huge, c_hrNoSystemText,
         "INFO,M,F,1,0xffffeb3d," + Narrow(huge) + "(" + Narrow(huge) + ")"},
    };
    std::ofstream(LogPath().c_str(), std::ios::binary) << "kept\r\n";
    const int previousMode = _fmode;
    // Month, day and year of two digits, then the time on a 24-hour clock.
    const std::pair<SYSTEMTIME, std::string> clocks[] = {{{2026, 12, 4, 31, 23, 59, 58, 999}, "12/31/26,23:59:58,"},
                                                         {{2003, 1, 4, 2, 0, 5, 9, 0}, "01/02/03,00:05:09,"}};
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        _fmode = i % 2 ? _O_BINARY : previousMode;
        g_stNow = clocks[i % 2].first;
        LogError(c.severity, c.method, c.sourceFile, c.line, i == 2 ? nullptr : c.message.c_str(),
                 i == 2 ? nullptr : c.detail.c_str(), c.hr);
    }
    _fmode = previousMode;
    std::vector<std::string> rows = ReadRows();
    ASSERT_EQ(rows.size(), std::size(cases) + 1);
    EXPECT_EQ(rows[0], "kept");
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(rows[i + 1], clocks[i % 2].second + cases[i].expected + "," + Narrow(GetSystemErrorText(cases[i].hr)))
            << i;
}

// Switched off, or with a path that does not fit, no file is written; a path
// one character shorter fits.
TEST_F(ErrorLogTest, WhereNoRowIsWritten)
{
    g_bErrorLogEnabled = 0;
    LogError(L"ERROR", L"M", L"F", 1, L"lost", L"", E_FAIL);
    EXPECT_FALSE(LogExists());
    g_bErrorLogEnabled = 1;
    const size_t cchFits = MAX_PATH - 1 - std::wstring(L"Tessaro_Error_Log.csv").size();
    for (const auto& [cch, bWritten] : {std::pair{cchFits, true}, {cchFits + 1, false}}) {
        std::wstring folder = m_folder; // grown to cch characters, backslash included
        while (folder.size() < cch) {
            const size_t cchLeft = cch - folder.size(), cchPart = cchLeft <= 100 ? cchLeft : cchLeft > 101 ? 100 : 98;
            folder += std::wstring(cchPart - 1, L'd') + L"\\";
            CreateDirectoryW((L"\\\\?\\" + folder).c_str(), nullptr);
        }
        UseTempFolder(folder);
        LogError(L"ERROR", L"M", L"F", 1, L"long path", L"", S_OK);
        EXPECT_EQ(LogExists(), bWritten) << folder.size();
    }
}

// The system's text without the line end it comes with; none for a code it
// does not know.
TEST(SystemErrorText, EndsInNoWhiteSpace)
{
    for (HRESULT hr : {S_OK, E_FAIL, HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)}) {
        const std::wstring text = GetSystemErrorText(hr);
        ASSERT_FALSE(text.empty()) << std::hex << hr;
        EXPECT_FALSE(iswspace(text.back())) << std::hex << hr;
    }
    EXPECT_EQ(GetSystemErrorText(c_hrNoSystemText), L"");
}

} // namespace
