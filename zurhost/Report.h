#pragma once
// What zurhost prints: the verdict table (or JSON), the control events the
// host received and the error-log rows the run added.
#include "zurhost/Runner.h"
#include <string>
#include <vector>

struct RunReport
{
    std::wstring strProject;
    std::wstring strTree;
    std::vector<Row> rows;
    std::vector<std::wstring> trace;
    std::vector<std::wstring> log;
    std::vector<std::wstring> warnings;
    bool bTree = false, bTrace = false, bLog = false;
};

void PrintTable(const RunReport& report);
void PrintJson(const RunReport& report);
// Writes UTF-8 to stdout or stderr.
void Out(const std::wstring& text, FILE* stream = stdout);
