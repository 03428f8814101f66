// The rules of a conformance run and what it found against each.
#include "zurhost/conformance/Findings.h"

namespace {

const struct
{
    const wchar_t* pszName;
    const wchar_t* pszText;
} kRules[] = {
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
    {L"reentrancy", L"no check calls back into the layer; through the layer every check returns"},
};
static_assert(sizeof(kRules) / sizeof(kRules[0]) == static_cast<size_t>(Rule::Count));

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

const wchar_t* RuleName(Rule rule)
{
    return kRules[static_cast<size_t>(rule)].pszName;
}

const wchar_t* RuleText(Rule rule)
{
    return kRules[static_cast<size_t>(rule)].pszText;
}
