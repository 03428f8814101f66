// Printing a run as text.
#include "zurhost/Report.h"
#include "hostfiles/TextFile.h"
#include "zurhost/Names.h"
#include "zurhost/Table.h"
#include <algorithm>

namespace {

const wchar_t* const kColumns[] = {L"#", L"Edit", L"Verdict", L"Bus", L"Message", L"Error database", L"Expected"};
const wchar_t* const kNarrowColumns[] = {L"#", L"Edit", L"Verdict", L"Bus", L"Held"};

std::wstring VerdictText(const Row& row)
{
    std::wstring text = HexCode(row.hr);
    return row.strSymbol.empty() ? text : text + L" " + row.strSymbol;
}

std::wstring Expectation(const Row& row)
{
    if (!row.bAsked)
        return L"NOT ASKED: " + row.strNote;
    if (row.edit.expected.kind == Verdict::Kind::None)
        return L"";
    return (row.bExpectationMet ? L"ok (" : L"FAILED (expected ") + row.edit.expected.strText + L")";
}

std::wstring Message(const Row& row)
{
    std::wstring message = row.strMessage;
    if (row.bAsked && !row.strNote.empty())
        message += (message.empty() ? L"" : L" ") + std::wstring(L"[") + row.strNote + L"]";
    return message;
}

CTable WideTable(const RunReport& report)
{
    CTable table({std::begin(kColumns), std::end(kColumns)});
    for (const auto& row : report.rows)
        table.AddRow({std::to_wstring(row.edit.nLine), row.edit.strText, VerdictText(row), row.strBus, Message(row),
                      row.strErrDBName, Expectation(row)});
    return table;
}

// Narrow terminals: the verdict by its name, and below each row the message,
// its error database and what was expected, across the whole width.
CTable NarrowTable(const RunReport& report)
{
    CTable table({std::begin(kNarrowColumns), std::end(kNarrowColumns)});
    for (const auto& row : report.rows) {
        std::wstring held = !row.bAsked ? L"NOT ASKED" : row.bExpectationMet ? L"ok" : L"FAILED";
        if (row.edit.expected.kind == Verdict::Kind::None && row.bAsked)
            held.clear();
        std::wstring detail = !row.bAsked ? row.strNote : Message(row);
        if (!row.strErrDBName.empty())
            detail += L" (" + row.strErrDBName + L")";
        if (row.bAsked && !row.bExpectationMet)
            detail += L" Expected: " + row.edit.expected.strText + L".";
        table.AddRow({std::to_wstring(row.edit.nLine), row.edit.strText,
                      row.strSymbol.empty() ? HexCode(row.hr) : row.strSymbol, row.strBus, held},
                     detail);
    }
    return table;
}

std::wstring Table(const RunReport& report)
{
    CTable wide = WideTable(report);
    if (report.cchWidth == 0 || wide.NaturalWidth() <= report.cchWidth)
        return wide.Render(0);
    return NarrowTable(report).Render(report.cchWidth);
}

void AppendGroup(const std::wstring& title, const std::vector<std::wstring>& events, std::wstring& out)
{
    if (events.empty())
        return;
    out += L"  " + title + L" (" + std::to_wstring(events.size()) + L"):\n";
    for (const auto& event : events)
        out += L"    " + event + L"\n";
}

std::wstring Trace(const RunReport& report)
{
    size_t total = report.initTrace.size() + report.termTrace.size();
    for (const auto& row : report.rows)
        total += row.trace.size();
    std::wstring out = L"\nTrace (" + std::to_wstring(total) + L" control events):\n";
    AppendGroup(L"Init", report.initTrace, out);
    for (const auto& row : report.rows)
        AppendGroup(L"line " + std::to_wstring(row.edit.nLine) + L": " + row.edit.strText, row.trace, out);
    AppendGroup(L"Term", report.termTrace, out);
    return out;
}

} // namespace

void Out(const std::wstring& text, FILE* stream)
{
    std::string bytes = Utf8(text);
    fwrite(bytes.data(), 1, bytes.size(), stream);
    fflush(stream);
}

int ExitStatus(const RunReport& report)
{
    return std::all_of(report.rows.begin(), report.rows.end(), [](const Row& r) { return r.bExpectationMet; }) ? 0 : 1;
}

std::wstring TextReport(const RunReport& report)
{
    std::wstring out;
    if (report.bTree)
        out += L"Topology of \"" + report.strProject + L"\":\n" + report.strTree + L"\n";
    if (!report.bScenario)
        return out;
    size_t failed =
        std::count_if(report.rows.begin(), report.rows.end(), [](const Row& r) { return !r.bExpectationMet; });
    out += Table(report) + L"\n" + std::to_wstring(report.rows.size()) + L" edits, " + std::to_wstring(failed) +
           L" expectations failed\n";
    if (report.bTrace)
        out += Trace(report);
    if (report.bLog) {
        out += L"\nError-log rows written during the run (" + std::to_wstring(report.log.size()) + L"):\n";
        for (const auto& row : report.log)
            out += L"  " + row + L"\n";
    }
    return out;
}
