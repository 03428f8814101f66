#include "CommonTest.h"
#include <cstdio>
#include "diagnostics/ErrorLog.h"
#include "support/TestEnvironment.h"

namespace {

std::wstring LogPath()
{
    return PrivateTempFolder() + L"Tessaro_Error_Log.csv";
}

// Drops date and time, and the system text after the detail's closing
// parenthesis (no message or detail of these rows holds one).
std::wstring RowCore(const std::string& line)
{
    std::wstring row(line.begin(), line.end());
    row.erase(0, row.find(L',', row.find(L',') + 1) + 1);
    return row.substr(0, row.find(L')', row.find(L'(')) + 1);
}

} // namespace

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
    FailAllocationsOfSize(0);
    m_spCommon.reset();
    DoublesTest::TearDown();
}

CTestCommon& CommonTest::Traced()
{
    m_spCommon->m_lTraceOption = 1;
    m_spCommon->m_spTopology = Host().Topology();
    return *m_spCommon;
}

std::vector<std::wstring> LogRows()
{
    std::vector<std::wstring> rows;
    FILE* pFile = _wfopen(LogPath().c_str(), L"rt");
    if (!pFile)
        return rows;
    char szLine[4096];
    while (fgets(szLine, sizeof szLine, pFile))
        rows.push_back(RowCore(szLine));
    fclose(pFile);
    return rows;
}

bool LogExists()
{
    return GetFileAttributesW(LogPath().c_str()) != INVALID_FILE_ATTRIBUTES;
}

void ClearLog()
{
    DeleteFileW(LogPath().c_str());
}

std::wstring Row(const wchar_t* severity, const wchar_t* method, long line, HRESULT hr, const std::wstring& text)
{
    wchar_t szHr[16];
    swprintf(szHr, 16, L"0x%08lx", static_cast<unsigned long>(hr));
    return std::wstring(severity) + L",CAssistCommon::" + method + L",.\\AssistCommon," + std::to_wstring(line) + L"," +
           szHr + L"," + text;
}
