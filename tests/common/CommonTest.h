#pragma once
// The fixture of the common suite: a CAssistCommon opened up for the tests,
// the host and assistant doubles, and the error-log rows read back.
#include <functional>
#include <memory>
#include <string>
#include <vector>
#include "common/AssistCommon.h"
#include "diagnostics/ErrorLog.h"
#include "support/DoublesTest.h"
#include "support/TestEnvironment.h"

class CTestCommon : public CAssistCommon
{
public:
    using CAssistCommon::LoadAssistants, CAssistCommon::LoadDebugOptions, CAssistCommon::ZURTrace;
    using CAssistCommon::m_lDebugOption, CAssistCommon::m_lTraceOption, CAssistCommon::m_mapAssistants,
        CAssistCommon::m_mapErrorDBs, CAssistCommon::m_spTopology;

    std::vector<std::wstring> Protocols() const
    {
        std::vector<std::wstring> protocols;
        for (const auto& entry : m_mapAssistants)
            protocols.push_back(entry.first);
        return protocols;
    }
};

// The error-log rows written since the last ClearLog, without date, time and
// the system text after the detail's closing parenthesis:
// "ERROR,CAssistCommon::ZURTrace,.\AssistCommon,447,0x00000001,FireControlEvent failed.()".
inline std::vector<std::wstring> LogRows()
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

inline void ClearLog()
{
    DeleteFileW(ErrorLogPath().c_str());
}

// One row as LogRows gives it; text is "message(detail)".
inline std::wstring Row(const wchar_t* severity, const wchar_t* method, long line, HRESULT hr, const std::wstring& text)
{
    wchar_t szHr[16];
    swprintf(szHr, 16, L"0x%08lx", static_cast<unsigned long>(hr));
    return std::wstring(severity) + L",CAssistCommon::" + method + L",.\\AssistCommon," + std::to_wstring(line) + L"," +
           szHr + L"," + text;
}

class CommonTest : public DoublesTest
{
protected:
    void SetUp() override
    {
        DoublesTest::SetUp();
        ClearLog();
        g_bErrorLogEnabled = 1;
    }
    void TearDown() override
    {
        m_spCommon.reset();
        DoublesTest::TearDown();
    }

    // A fresh registry, set up by configure, an empty log and a new object.
    CTestCommon& Fresh(const std::function<void(CRegistryScript&)>& configure)
    {
        Host().registry = CRegistryScript();
        configure(Host().registry);
        ClearLog();
        m_spCommon = std::make_unique<CTestCommon>();
        return *m_spCommon;
    }

    std::unique_ptr<CTestCommon> m_spCommon = std::make_unique<CTestCommon>();
};
