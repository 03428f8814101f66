#pragma once
// The fixture of the common suite: a CAssistCommon opened up for the tests,
// the host and assistant doubles, and the error-log rows read back.
#include <memory>
#include <string>
#include <vector>
#include "common/AssistCommon.h"
#include "support/DoublesTest.h"

class CTestCommon : public CAssistCommon
{
public:
    using CAssistCommon::InsertProtocolBusEntryIntoMap;
    using CAssistCommon::LoadAssistants;
    using CAssistCommon::LoadDebugOptions;
    using CAssistCommon::m_lDebugOption;
    using CAssistCommon::m_lTraceOption;
    using CAssistCommon::m_mapAssistants;
    using CAssistCommon::m_mapErrorDBs;
    using CAssistCommon::m_spTopology;
    using CAssistCommon::ZURTrace;

    std::vector<std::wstring> Protocols() const;
};

// The error-log rows written since the last ClearLog, without date, time and
// system text: "ERROR,CAssistCommon::ZURTrace,.\AssistCommon,447,0x00000001,FireControlEvent failed.()".
std::vector<std::wstring> LogRows();
void ClearLog();
// One row as LogRows gives it; text is "message(detail)".
std::wstring Row(const wchar_t* severity, const wchar_t* method, long line, HRESULT hr, const std::wstring& text);

class CommonTest : public DoublesTest
{
protected:
    void SetUp() override;
    void TearDown() override;

    std::unique_ptr<CTestCommon> m_spCommon = std::make_unique<CTestCommon>();
};
