#include "CommonTest.h"
#include <cstdio>
#include "diagnostics/ErrorLog.h"
#include "support/TestEnvironment.h"

std::vector<std::wstring> CTestCommon::Protocols() const
{
    std::vector<std::wstring> protocols;
    for (const auto& entry : m_mapAssistants)
        protocols.push_back(entry.first);
    return protocols;
}

void CommonTest::SetUp()
{
    DoublesTest::SetUp();
    ClearLog();
    g_bErrorLogEnabled = 1;
}

void CommonTest::TearDown()
{
    m_spCommon.reset();
    DoublesTest::TearDown();
}

// Drops date and time, and the system text after the detail's closing
// parenthesis (no message or detail of these rows holds one).
std::vector<std::wstring> LogRows()
{
    std::vector<std::wstring> rows;
    const std::string text = FileText(ErrorLogPath());
    for (size_t pos = 0, end; (end = text.find('\n', pos)) != std::string::npos; pos = end + 1) {
        std::wstring row(text.begin() + static_cast<long>(pos), text.begin() + static_cast<long>(end));
        row.erase(0, row.find(L',', row.find(L',') + 1) + 1);
        rows.push_back(row.substr(0, row.find(L')', row.find(L'(')) + 1));
    }
    return rows;
}

void ClearLog()
{
    DeleteFileW(ErrorLogPath().c_str());
}

std::wstring Row(const wchar_t* severity, const wchar_t* method, long line, HRESULT hr, const std::wstring& text)
{
    wchar_t szHr[16];
    swprintf(szHr, 16, L"0x%08lx", static_cast<unsigned long>(hr));
    return std::wstring(severity) + L",CAssistCommon::" + method + L",.\\AssistCommon," + std::to_wstring(line) + L"," +
           szHr + L"," + text;
}
