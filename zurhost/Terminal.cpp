// The terminal's width and the progress line.
#include "zurhost/Terminal.h"
#include "zurhost/Report.h"

namespace {

const auto kDelay = std::chrono::milliseconds(500);
const auto kPeriod = std::chrono::milliseconds(100);

} // namespace

bool IsTerminal(DWORD dwStdHandle)
{
    DWORD dwMode = 0;
    HANDLE h = GetStdHandle(dwStdHandle);
    return h && h != INVALID_HANDLE_VALUE && GetFileType(h) == FILE_TYPE_CHAR && GetConsoleMode(h, &dwMode);
}

size_t TerminalWidth()
{
    wchar_t columns[16];
    DWORD n = GetEnvironmentVariableW(L"COLUMNS", columns, 16);
    if (n > 0 && n < 16 && _wtoi(columns) > 0)
        return static_cast<size_t>(_wtoi(columns));
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (IsTerminal(STD_OUTPUT_HANDLE) && GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info))
        return static_cast<size_t>(info.srWindow.Right) - static_cast<size_t>(info.srWindow.Left) + 1;
    return 0;
}

CProgress::CProgress() : m_bEnabled(IsTerminal(STD_ERROR_HANDLE))
{
    if (m_bEnabled)
        m_thread = std::thread([this] { Watch(); });
}

CProgress::~CProgress()
{
    if (!m_bEnabled)
        return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bStop = true;
    }
    m_cvStop.notify_one();
    m_thread.join();
    if (m_cchShown)
        Out(L"\r" + std::wstring(m_cchShown, L' ') + L"\r", stderr);
}

void CProgress::Show(std::wstring text)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_strText = std::move(text);
}

void CProgress::Watch()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    std::wstring shown;
    while (!m_cvStop.wait_for(lock, kPeriod, [this] { return m_bStop; })) {
        if (std::chrono::steady_clock::now() - m_start < kDelay || m_strText == shown)
            continue;
        shown = m_strText;
        Draw(shown);
    }
}

void CProgress::Draw(const std::wstring& text)
{
    std::wstring line = L"zurhost: " + text;
    if (line.size() > 79)
        line = line.substr(0, 78) + L"\u2026";
    Out(L"\r" + line + std::wstring(m_cchShown > line.size() ? m_cchShown - line.size() : 0, L' '), stderr);
    m_cchShown = line.size();
}
