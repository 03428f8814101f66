#pragma once
// What zurhost knows about where its output goes: the terminal's width, and
// a progress line on stderr for runs that take longer than a moment.
#include <windows.h>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

bool IsTerminal(DWORD dwStdHandle);
// COLUMNS when set, else the console's width when stdout is one, else 0 (no limit).
size_t TerminalWidth();

// Shows the latest step on one line of stderr once the run has taken half a
// second, and only when stderr is a terminal; the line is wiped at the end.
class CProgress
{
public:
    CProgress();
    ~CProgress();
    CProgress(const CProgress&) = delete;
    CProgress& operator=(const CProgress&) = delete;
    void Show(std::wstring text);

private:
    void Watch();
    void Draw(const std::wstring& text);

    bool m_bEnabled;
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
    std::mutex m_mutex;
    std::condition_variable m_cvStop;
    bool m_bStop = false;
    std::wstring m_strText;
    size_t m_cchShown = 0;
    std::thread m_thread;
};
