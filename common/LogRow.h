#pragma once
// One error-log row as a fixed literal: the place that reports it keeps its
// rows in a table and passes only the HRESULT (and a detail where it varies).
#include <windows.h>
#include "diagnostics/ErrorLog.h"

struct LogRow
{
    Severity severity;
    const wchar_t* method;
    const wchar_t* sourceFile;
    long line;
    const wchar_t* message;
    const wchar_t* detail; // the fixed detail; a varying one is passed to WriteLogRow
};

// Best effort, like LogError itself: never throws.
inline void WriteLogRow(const LogRow& row, HRESULT hr, const wchar_t* detail = nullptr) noexcept
{
    LogError(g_SeverityNames[row.severity], row.method, row.sourceFile, row.line, row.message,
             detail ? detail : row.detail, hr);
}
