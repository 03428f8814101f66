#pragma once
// What a conformance run finds: for each rule, whether it was judged and
// held, and the first call that broke it, with its arguments.
#include <windows.h>
#include <string>

enum class Rule
{
    Creation,
    Interfaces,
    Aggregation,
    Lifecycle,
    OutParameters,
    Strings,
    SFalse,
    FailureInfo,
    HostReferences,
    OwnReferences,
    Robustness,
    Exceptions,
    Timing,
    Reentrancy,
    Count
};

struct RuleState
{
    bool bJudged = false;
    size_t cFailures = 0;
    std::wstring strFirst; // the first offending call and what was wrong with it
    std::wstring strNote;  // what was measured, or why the rule could not be judged
};

class CFindings
{
public:
    // The rule was put to the test (it holds unless Fail says otherwise).
    void Judge(Rule rule) { At(rule).bJudged = true; }
    void Fail(Rule rule, const std::wstring& strWhat);
    void Note(Rule rule, std::wstring strNote) { At(rule).strNote = std::move(strNote); }
    const RuleState& State(Rule rule) const { return m_states[static_cast<size_t>(rule)]; }
    bool Holds(Rule rule) const { return State(rule).bJudged && State(rule).cFailures == 0; }
    bool AllHold() const;

private:
    RuleState& At(Rule rule) { return m_states[static_cast<size_t>(rule)]; }
    RuleState m_states[static_cast<size_t>(Rule::Count)];
};

// The rule's name on the command line and in the JSON, and its one-line text.
const wchar_t* RuleName(Rule rule);
const wchar_t* RuleText(Rule rule);
