#pragma once
// What zurhost prints: the verdict table (or JSON), the control events the
// host received, grouped under the edit that caused them, and the error-log
// rows the run added.
#include "zurhost/Runner.h"
#include <cstdio>
#include <string>
#include <vector>

struct RunReport
{
    std::wstring strProject;
    std::wstring strTree;
    std::vector<Row> rows;
    std::vector<std::wstring> initTrace, termTrace;
    std::vector<std::wstring> log;
    std::vector<std::wstring> warnings;
    bool bScenario = false;
    bool bTree = false, bTrace = false, bLog = false;
    size_t cchWidth = 0; // the terminal's width; 0: no limit
};

// 0 when every stated verdict held and every edit was asked, else 1.
int ExitStatus(const RunReport& report);
std::wstring TextReport(const RunReport& report);
std::wstring JsonReport(const RunReport& report);
// Writes UTF-8 to stdout or stderr.
void Out(const std::wstring& text, FILE* stream = stdout);
