#pragma once
// The verdict a scenario line states after "=>": accepted, rejected, a code
// (0x and one to eight hex digits) or a symbolic name. Its form is checked
// when the scenario is read; whether a name exists, once the project's error
// databases are known.
#include <windows.h>
#include <string>

struct Verdict
{
    enum class Kind
    {
        None,
        Accepted,
        Rejected,
        Code,
        Symbol
    };
    Kind kind = Kind::None;
    HRESULT hrCode = S_OK; // Kind::Code
    std::wstring strText;  // as written
};

// Reads a stated verdict; the reason, naming what was expected, when it is none.
std::wstring ParseVerdict(const std::wstring& text, Verdict& verdict);
// Whether an answer (its code and the symbol its error database gives it) meets the verdict.
bool Meets(const Verdict& verdict, HRESULT hr, const std::wstring& symbol);
