// The comma-separated error log: one row per call, appended to a file in the
// user's temp folder that is opened and closed again for every row, so a row
// that was written survives whatever follows it. Best effort throughout.
#include "diagnostics/ErrorLog.h"
#include <cstdio>
#include <memory>
#include <string>
#include "interfaces/LayerNames.h"

LONG g_bErrorLogEnabled = 0;
const wchar_t* g_SeverityNames[4] = {L"ERROR", L"WARNING", L"INFO", nullptr};

namespace {

const char kRowFormat[] = "%s,%s,%s,%s,%s,%d,0x%08x,%s(%s),%s\n";
const DWORD kPathChars = MAX_PATH;
const DWORD kSystemTextChars = 256;

using CFilePtr = std::unique_ptr<FILE, decltype(&fclose)>;

// The log is 8-bit text in the ANSI code page; a character the code page
// cannot represent becomes its default character ('?'), the row stays whole.
std::string ToAnsi(const wchar_t* psz)
{
    std::string text;
    if (!psz || !*psz)
        return text;
    int cch = static_cast<int>(wcslen(psz));
    int cb = WideCharToMultiByte(CP_ACP, 0, psz, cch, nullptr, 0, nullptr, nullptr);
    if (cb <= 0)
        return text;
    text.resize(static_cast<size_t>(cb));
    WideCharToMultiByte(CP_ACP, 0, psz, cch, &text[0], cb, nullptr, nullptr);
    return text;
}

// Date as mm/dd/yy and time as HH:MM:SS (24 h), both from one clock reading
// so that a row written at midnight does not mix two days.
void FormatNow(char (&szDate)[16], char (&szTime)[16]) noexcept
{
    SYSTEMTIME st;
    GetLocalTime(&st);
    snprintf(szDate, sizeof szDate, "%02u/%02u/%02u", st.wMonth, st.wDay, st.wYear % 100u);
    snprintf(szTime, sizeof szTime, "%02u:%02u:%02u", st.wHour, st.wMinute, st.wSecond);
}

// The log file's path; false when there is no temp folder or the folder and
// the file name together do not fit the path buffer (the row is dropped then).
bool GetLogFilePath(wchar_t (&szPath)[kPathChars]) noexcept
{
    wchar_t szTemp[kPathChars];
    DWORD cch = GetTempPathW(kPathChars, szTemp);
    if (cch == 0 || cch >= kPathChars)
        return false;
    int cchPath = _snwprintf(szPath, kPathChars, L"%s%s", szTemp, LayerNames::kErrorLogName);
    return cchPath >= 0 && static_cast<DWORD>(cchPath) < kPathChars;
}

void WriteRow(const wchar_t* severity, const wchar_t* method, const wchar_t* sourceFile, long line,
              const wchar_t* message, const wchar_t* detail, HRESULT hr)
{
    char szDate[16], szTime[16];
    FormatNow(szDate, szTime);
    wchar_t szPath[kPathChars];
    if (!GetLogFilePath(szPath))
        return;
    const std::string strSeverity = ToAnsi(severity), strMethod = ToAnsi(method), strSourceFile = ToAnsi(sourceFile),
                      strMessage = ToAnsi(message), strDetail = ToAnsi(detail);
    // Text mode named explicitly: the process-wide default mode may be binary.
    CFilePtr spFile(_wfopen(szPath, L"at"), &fclose);
    if (!spFile)
        return;
    // Looked up only once the row has somewhere to go.
    const std::string strSystemText = ToAnsi(GetSystemErrorText(hr).c_str());
    fprintf(spFile.get(), kRowFormat, szDate, szTime, strSeverity.c_str(), strMethod.c_str(), strSourceFile.c_str(),
            static_cast<int>(line), static_cast<unsigned>(hr), strMessage.c_str(), strDetail.c_str(),
            strSystemText.c_str());
}

} // namespace

void LogError(const wchar_t* severity, const wchar_t* method, const wchar_t* sourceFile, long line,
              const wchar_t* message, const wchar_t* detail, HRESULT hr) noexcept
{
    if (!g_bErrorLogEnabled)
        return;
    try {
        WriteRow(severity, method, sourceFile, line, message, detail, hr);
    } catch (...) {
        // A row that cannot be built (out of memory) is lost; the caller goes on.
    }
}

std::wstring GetSystemErrorText(HRESULT hr)
{
    wchar_t szText[kSystemTextChars];
    DWORD cch =
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, static_cast<DWORD>(hr),
                       MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), szText, kSystemTextChars, nullptr);
    std::wstring text(szText, cch < kSystemTextChars ? cch : 0);
    // Nothing but white space leaves nothing (npos + 1 is 0).
    text.erase(text.find_last_not_of(L" \t\n\v\f\r") + 1);
    return text;
}
