#pragma once
// A run that cannot be made, thrown where the reason is known; the run's one
// guard prints "zurhost: <reason>" and ends with exit status 2.
#include <string>
#include <utility>

class CCannotRun
{
public:
    explicit CCannotRun(std::wstring text) : m_strText(std::move(text)) {}
    const std::wstring& Text() const { return m_strText; }

private:
    std::wstring m_strText;
};

// Prints "zurhost: <reason>" and answers the exit status of a run that cannot
// be made; the run's guard and the conformance watch both end that way.
int ReportCannotRun(const CCannotRun& e);
