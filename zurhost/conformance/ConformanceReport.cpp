// Printing a conformance run.
#include "zurhost/conformance/ConformanceReport.h"
#include "hostfiles/TextFile.h"
#include "zurhost/Options.h"
#include <nlohmann/json.hpp>

namespace {

using json = nlohmann::ordered_json;

const wchar_t* Verdict(const RuleState& state)
{
    return !state.bJudged ? L"not judged" : state.cFailures ? L"fail" : L"pass";
}

std::wstring Padded(std::wstring text, size_t cch)
{
    text.resize(std::max(text.size(), cch), L' ');
    return text;
}

std::wstring Detail(Rule rule, const RuleState& state)
{
    if (state.cFailures)
        return state.strFirst + (state.cFailures > 1 ? L" (" + std::to_wstring(state.cFailures) + L" findings)" : L"");
    return state.strNote.empty() ? std::wstring(RuleText(rule)) : state.strNote;
}

size_t Held(const ConformanceRun& run)
{
    size_t cHeld = 0;
    for (size_t i = 0; i < static_cast<size_t>(Rule::Count); ++i)
        cHeld += run.findings.Holds(static_cast<Rule>(i)) ? 1 : 0;
    return cHeld;
}

} // namespace

std::wstring ConformanceText(const ConformanceRun& run)
{
    std::wstring out = L"Conformance of " + run.strProgId + L" (protocol '" + run.strProtocol + L"') over \"" +
                       run.plant.strName + L"\"\n";
    for (size_t i = 0; i < static_cast<size_t>(Rule::Count); ++i) {
        const Rule rule = static_cast<Rule>(i);
        const RuleState& state = run.findings.State(rule);
        out += Padded(!state.bJudged    ? L"----"
                      : state.cFailures ? L"FAIL"
                                        : L"pass",
                      6) +
               Padded(RuleName(rule), 17) + Detail(rule, state) + L"\n";
    }
    const size_t cRules = static_cast<size_t>(Rule::Count);
    out += L"\n" + std::to_wstring(Held(run)) + L" of " + std::to_wstring(cRules) + L" rules hold\n";
    return out;
}

std::wstring ConformanceJson(const ConformanceRun& run)
{
    json rules = json::array();
    for (size_t i = 0; i < static_cast<size_t>(Rule::Count); ++i) {
        const Rule rule = static_cast<Rule>(i);
        const RuleState& state = run.findings.State(rule);
        rules.push_back({{"rule", Utf8(RuleName(rule))},
                         {"text", Utf8(RuleText(rule))},
                         {"result", Utf8(Verdict(state))},
                         {"findings", state.cFailures},
                         {"first", Utf8(state.strFirst)},
                         {"note", Utf8(state.strNote)}});
    }
    json out = {{"progId", Utf8(run.strProgId)},
                {"protocol", Utf8(run.strProtocol)},
                {"project", Utf8(run.plant.strName)},
                {"rules", rules},
                {"summary",
                 {{"rules", static_cast<size_t>(Rule::Count)},
                  {"held", Held(run)},
                  {"exitStatus", run.findings.AllHold() ? g_nAllHeld : g_nNotHeld}}}};
    return FromUtf8(out.dump(2)) + L"\n";
}

JUnitSuite ConformanceJUnit(const ConformanceRun& run)
{
    JUnitSuite suite{L"conformance of " + run.strProgId + L" (protocol '" + run.strProtocol + L"')",
                     static_cast<double>(GetTickCount64() - run.ullStarted) / 1000,
                     {}};
    for (size_t i = 0; i < static_cast<size_t>(Rule::Count); ++i) {
        const Rule rule = static_cast<Rule>(i);
        const RuleState& state = run.findings.State(rule);
        JUnitCase c{RuleName(rule), L"zurhost.conformance." + run.strProgId};
        if (state.cFailures)
            c.Set(JUnitCase::Outcome::Failure, L"finding", Detail(rule, state),
                  std::wstring(RuleText(rule)) + L"\n" + state.strNote);
        else if (!state.bJudged)
            c.Set(JUnitCase::Outcome::Error, L"not judged", state.strNote, RuleText(rule));
        suite.cases.push_back(std::move(c));
    }
    return suite;
}
