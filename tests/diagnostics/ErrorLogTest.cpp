// The error log: rows read back byte for byte from the file in a temp folder
// of the test's own, written at a clock the test sets.
#include <windows.h>
#include <gtest/gtest.h>
#include <fcntl.h>
#include <cwctype>
#include <fstream>
#include <string>
#include "diagnostics/ErrorLog.h"
#include "interfaces/LayerNames.h"
#include "support/ImportHook.h"
#include "support/TestEnvironment.h"

IMPORT_SLOT(GetLocalTime, 4);

namespace {

// The layer's own code has no system text.
const HRESULT kNoSystemText = LayerNames::kNoAssistant;
SYSTEMTIME g_stNow;

void WINAPI FixedLocalTime(LPSYSTEMTIME pst)
{
    *pst = g_stNow;
}

class ErrorLogTest : public testing::Test
{
protected:
    void SetUp() override
    {
        DeleteFileW(ErrorLogPath().c_str()); // left by an earlier run
        g_bErrorLogEnabled = 1;
    }
    void TearDown() override
    {
        g_bErrorLogEnabled = 0;
        SetEnvironmentVariableW(L"TMP", PrivateTempFolder().c_str());
    }

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
        {nullptr, nullptr, nullptr, 0, L"", L"", S_FALSE, ",,,0,0x00000001,()"},
        {L"ERROR", L"M", L"F", 1, L"caf\u00e9 \u0416\u4e2d!", L"\u00fc\xd800", kNoSystemText,
         "ERROR,M,F,1,0xffffeb3d,caf\xe9 ??"
         "!(\xfc?)"},
        {L"INFO", L"M", L"F", 1, huge, huge, kNoSystemText,
         "INFO,M,F,1,0xffffeb3d," + Narrow(huge) + "(" + Narrow(huge) + ")"},
    };
    std::ofstream(ErrorLogPath().c_str(), std::ios::binary) << "kept\r\n";
    const int previousMode = _fmode;
    // Month, day and year of two digits, then the time on a 24-hour clock.
    const std::pair<SYSTEMTIME, std::string> clocks[] = {{{2026, 12, 4, 31, 23, 59, 58, 999}, "12/31/26,23:59:58,"},
                                                         {{2003, 1, 4, 2, 0, 5, 9, 0}, "01/02/03,00:05:09,"}};
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        _fmode = i % 2 ? _O_BINARY : previousMode;
        g_stNow = clocks[i % 2].first;
        LogError(c.severity, c.method, c.sourceFile, c.line, i == 1 ? nullptr : c.message.c_str(),
                 i == 1 ? nullptr : c.detail.c_str(), c.hr);
    }
    _fmode = previousMode;
    // Each row ends in its HRESULT's system text, which has no white space at
    // its end; a code the system does not know has none.
    std::string expected = "kept\r\n";
    for (size_t i = 0; i < std::size(cases); ++i) {
        const std::wstring text = GetSystemErrorText(cases[i].hr);
        EXPECT_EQ(text.empty(), cases[i].hr == kNoSystemText) << i;
        EXPECT_TRUE(text.empty() || !iswspace(text.back())) << i;
        expected += clocks[i % 2].second + cases[i].expected + "," + Narrow(text) + "\r\n";
    }
    EXPECT_EQ(FileText(ErrorLogPath()), expected);
}

// Switched off, or with a path that does not fit, no file is written; a path
// one character shorter fits.
TEST_F(ErrorLogTest, WhereNoRowIsWritten)
{
    g_bErrorLogEnabled = 0;
    LogError(L"ERROR", L"M", L"F", 1, L"lost", L"", E_FAIL);
    EXPECT_EQ(GetFileAttributesW(ErrorLogPath().c_str()), INVALID_FILE_ATTRIBUTES);
    g_bErrorLogEnabled = 1;
    const std::wstring name = LayerNames::kErrorLogName;
    const size_t cchFits = MAX_PATH - 1 - name.size();
    for (const auto& [cch, bWritten] : {std::pair{cchFits, true}, {cchFits + 1, false}}) {
        // One folder in the temp folder makes the path cch characters long, backslash included.
        const std::wstring folder =
            PrivateTempFolder() + std::wstring(cch - PrivateTempFolder().size() - 1, L'd') + L"\\";
        // The folder and its log may be left by an earlier run under the same process id.
        const BOOL bMade = CreateDirectoryW((L"\\\\?\\" + folder).c_str(), nullptr);
        ASSERT_TRUE(bMade || GetLastError() == ERROR_ALREADY_EXISTS) << folder.size();
        DeleteFileW((L"\\\\?\\" + folder + name).c_str());
        SetEnvironmentVariableW(L"TMP", folder.c_str());
        LogError(L"ERROR", L"M", L"F", 1, L"long path", L"", S_OK);
        EXPECT_EQ(GetFileAttributesW((L"\\\\?\\" + folder + name).c_str()) != INVALID_FILE_ATTRIBUTES, bWritten)
            << folder.size();
    }
}

} // namespace
