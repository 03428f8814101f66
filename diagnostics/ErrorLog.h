#pragma once
// The module's comma-separated error log in the user's temp folder.
#include <windows.h>
#include <string>

// Process-wide switch; only ever goes from 0 to 1 (the debug options turn it on).
extern LONG g_bErrorLogEnabled;
// "ERROR", "WARNING", "INFO", closed by a null entry.
extern const wchar_t* g_SeverityNames[4];

enum Severity
{
    SeverityError = 0,
    SeverityWarning = 1,
    SeverityInfo = 2
};

// Appends one row. Best effort: never fails towards the caller, never throws.
void LogError(const wchar_t* severity, const wchar_t* method, const wchar_t* sourceFile, long line,
              const wchar_t* message, const wchar_t* detail, HRESULT hr) noexcept;

// The system's text for hr, trailing white space removed; "" when it has none.
std::wstring GetSystemErrorText(HRESULT hr);
