// The rules of a conformance run and what it found against each.
#include "zurhost/conformance/Findings.h"

namespace {

const struct
{
    const wchar_t* pszName;
    const wchar_t* pszText;
} g_rules[] = {
    {L"creation", L"created by its ProgID"},
    {L"interfaces", L"answers IUnknown and IAssist2 (IAssist3 when it takes its protocol) as one object"},
    {L"aggregation", L"refuses an outer object with CLASS_E_NOAGGREGATION"},
    {L"lifecycle", L"Init (InitEx) and Term succeed over three cycles, and the checks answer alike in each"},
    {L"out-parameters", L"every check writes both string out-parameters on every return"},
    {L"strings", L"every string handed out is a BSTR of the task allocator, of a sane length"},
    {L"s-false", L"S_FALSE only from the checks, never from Init, InitEx, Term or NewProjectCreated"},
    {L"failure-info", L"every failure carries a message and an error database the host knows"},
    {L"host-references", L"every host object handed to it is released by Term"},
    {L"own-references", L"it is freed by the caller's last Release"},
    {L"robustness", L"null objects and out-pointers, empty texts, a protocol-less plant: an HRESULT, no exception"},
    {L"exceptions", L"no structured exception leaves any other call"},
    {L"timing", L"each check within the budget: median and worst per call"},
    {L"lifecycle-timing", L"Init, InitEx, Term and NewProjectCreated each within the budget"},
    {L"memory", L"what it keeps does not grow with the number of calls: task allocator and private memory"},
    {L"determinism", L"the same check with the same arguments gives the same answer within one cycle"},
    {L"thread-state", L"every call leaves the caller's floating-point control and COM apartment as it found them"},
    {L"reentrancy", L"no check calls back into the layer; through the layer every check returns"},
};
static_assert(sizeof(g_rules) / sizeof(g_rules[0]) == static_cast<size_t>(Rule::Count));

} // namespace

void CFindings::Fail(Rule rule, const std::wstring& strWhat)
{
    RuleState& state = At(rule);
    state.bJudged = true;
    if (state.cFailures++ == 0)
        state.strFirst = strWhat;
}

bool CFindings::AllHold() const
{
    for (size_t i = 0; i < static_cast<size_t>(Rule::Count); ++i)
        if (!Holds(static_cast<Rule>(i)))
            return false;
    return true;
}

void CFindings::Stop(const std::wstring& strWhy)
{
    m_bStopped = true;
    // The rules up to aggregation are settled when the assistant is created,
    // before any call can be cut short.
    for (size_t i = static_cast<size_t>(Rule::Aggregation) + 1; i < static_cast<size_t>(Rule::Count); ++i) {
        RuleState& state = m_states[i];
        if (state.cFailures == 0) {
            state.bJudged = false;
            state.strNote = L"not judged: " + strWhy;
        }
    }
}

const wchar_t* RuleName(Rule rule)
{
    return g_rules[static_cast<size_t>(rule)].pszName;
}

const wchar_t* RuleText(Rule rule)
{
    return g_rules[static_cast<size_t>(rule)].pszText;
}
