#pragma once
// The fixture of the common suite: the layer on the scripted host, made anew
// over a registry the test sets up, and the error-log rows read back.
#include <functional>
#include <string>
#include <vector>
#include "diagnostics/ErrorLog.h"
#include "layer/LayerFixture.h"
#include "support/TestEnvironment.h"

using Rows = std::vector<std::wstring>;
using Configure = std::function<void(CRegistryScript&)>;

// The error-log rows written since the last ClearLog, without date, time and
// the system text after the detail's closing parenthesis:
// "ERROR,CAssistCommon::ZURTrace,.\AssistCommon,447,0x00000001,FireControlEvent failed.()".
inline Rows LogRows()
{
    Rows rows;
    const std::string text = FileText(ErrorLogPath());
    for (size_t pos = 0, end; (end = text.find('\n', pos)) != std::string::npos; pos = end + 1) {
        std::wstring row(text.begin() + static_cast<long>(pos), text.begin() + static_cast<long>(end));
        row.erase(0, row.find(L',', row.find(L',') + 1) + 1);
        rows.push_back(row.substr(0, row.find(L')', row.find(L'(')) + 1));
    }
    return rows;
}

// One row as LogRows gives it; text is "message(detail)".
inline std::wstring Row(const wchar_t* severity, const wchar_t* method, long line, HRESULT hr, const std::wstring& text)
{
    wchar_t szHr[16];
    swprintf(szHr, 16, L"0x%08lx", static_cast<unsigned long>(hr));
    return std::wstring(severity) + L",CAssistCommon::" + method + L",.\\AssistCommon," + std::to_wstring(line) + L"," +
           szHr + L"," + text;
}

class CommonTest : public LayerTest
{
protected:
    // No layer yet: each case makes its own with Fresh, as its registry needs.
    void SetUp() override
    {
        DoublesTest::SetUp();
        g_bErrorLogEnabled = 1;
    }
    // A fresh registry set up by configure, an empty log, then a new layer,
    // which reads its options as it is made.
    void Fresh(const Configure& configure)
    {
        Host().registry = CRegistryScript();
        configure(Host().registry);
        ClearLog();
        m_spLayer.Reset();
        ASSERT_EQ(CComObject<CAssistLayer>::CreateInstance(IID_PPV_ARGS(&m_spLayer)), S_OK);
    }
};
