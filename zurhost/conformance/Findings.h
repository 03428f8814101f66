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
    LifecycleTiming,
    Memory,
    Determinism,
    ThreadState,
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
    // Once the run has stopped, a rule is no longer taken as judged.
    void Judge(Rule rule) { At(rule).bJudged = !m_bStopped; }
    void Fail(Rule rule, const std::wstring& strWhat);
    // Once the run has stopped, the notes say why and stay.
    void Note(Rule rule, std::wstring strNote)
    {
        if (!m_bStopped)
            At(rule).strNote = std::move(strNote);
    }
    const RuleState& State(Rule rule) const { return m_states[static_cast<size_t>(rule)]; }
    bool Holds(Rule rule) const { return State(rule).bJudged && State(rule).cFailures == 0; }
    bool AllHold() const;
    // The run stops putting calls: every rule without a finding, except those
    // already settled, is left not judged, with the reason.
    void Stop(const std::wstring& strWhy);
    bool Stopped() const { return m_bStopped; }

private:
    RuleState& At(Rule rule) { return m_states[static_cast<size_t>(rule)]; }
    RuleState m_states[static_cast<size_t>(Rule::Count)];
    bool m_bStopped = false;
};

// The rule's name on the command line and in the JSON, and its one-line text.
const wchar_t* RuleName(Rule rule);
const wchar_t* RuleText(Rule rule);
