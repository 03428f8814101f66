// Printing a run.
#include "zurhost/Report.h"
#include "hostsim/ErrorDatabase.h"
#include "zurhost/Names.h"
#include <algorithm>
#include <map>

namespace {

const wchar_t* const g_columns[] = {L"#", L"Edit", L"Verdict", L"Bus", L"Message", L"Error database", L"Expected"};

// The name a registered error database gives itself, else its identifier.
std::wstring DatabaseName(const std::wstring& id)
{
    static std::map<std::wstring, std::wstring> names;
    if (id.empty())
        return {};
    auto it = names.find(id);
    if (it != names.end())
        return it->second;
    CErrorDatabase db;
    std::wstring file = RegisteredErrorDatabaseFile(id), reason;
    std::wstring name = !file.empty() && db.LoadFile(file, reason) && !db.Name().empty() ? db.Name() : id;
    return names[id] = name;
}

std::wstring Verdict(const Row& row)
{
    std::wstring text = HexCode(row.hr);
    return row.strSymbol.empty() ? text : text + L" " + row.strSymbol;
}

std::wstring Expectation(const Row& row)
{
    if (!row.bAsked)
        return L"NOT ASKED: " + row.strNote;
    if (row.edit.strExpected.empty())
        return L"";
    return (row.bExpectationMet ? L"ok (" : L"FAILED (expected ") + row.edit.strExpected + L")";
}

std::vector<std::wstring> Cells(const Row& row)
{
    std::wstring message = row.strMessage;
    if (row.bAsked && !row.strNote.empty())
        message += (message.empty() ? L"" : L" ") + std::wstring(L"[") + row.strNote + L"]";
    return {std::to_wstring(row.edit.nLine), row.edit.strText, Verdict(row), row.strBus, message,
            DatabaseName(row.strErrDB),      Expectation(row)};
}

std::wstring Json(const std::wstring& text)
{
    std::wstring out = L"\"";
    for (wchar_t c : text) {
        if (c == L'"' || c == L'\\')
            out += L'\\', out += c;
        else if (c < 0x20) {
            wchar_t esc[8];
            swprintf(esc, 8, L"\\u%04x", static_cast<unsigned>(c));
            out += esc;
        } else
            out += c;
    }
    return out + L"\"";
}

std::wstring JsonList(const std::vector<std::wstring>& items)
{
    std::wstring out = L"[";
    for (size_t i = 0; i < items.size(); ++i)
        out += (i ? L", " : L"") + Json(items[i]);
    return out + L"]";
}

} // namespace

void Out(const std::wstring& text, FILE* stream)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), n, nullptr, nullptr);
    fwrite(bytes.data(), 1, bytes.size(), stream);
    fflush(stream);
}

void PrintTable(const RunReport& report)
{
    for (const auto& warning : report.warnings)
        Out(L"warning: " + warning + L"\n");
    if (report.bTree)
        Out(L"Topology of \"" + report.strProject + L"\":\n" + report.strTree + L"\n");
    if (report.rows.empty() && !report.bTrace && !report.bLog)
        return;
    std::vector<std::vector<std::wstring>> table = {{std::begin(g_columns), std::end(g_columns)}};
    for (const auto& row : report.rows)
        table.push_back(Cells(row));
    std::vector<size_t> widths(table[0].size(), 0);
    for (const auto& line : table)
        for (size_t c = 0; c < line.size(); ++c)
            widths[c] = std::max(widths[c], line[c].size());
    for (size_t r = 0; r < table.size(); ++r) {
        std::wstring text;
        for (size_t c = 0; c < table[r].size(); ++c)
            text += table[r][c] + std::wstring(c + 1 < table[r].size() ? widths[c] - table[r][c].size() + 2 : 0, L' ');
        while (!text.empty() && text.back() == L' ')
            text.pop_back();
        Out(text + L"\n");
        if (r == 0) {
            std::wstring rule;
            for (size_t c = 0; c < widths.size(); ++c)
                rule += std::wstring(widths[c], L'-') + (c + 1 < widths.size() ? L"  " : L"");
            Out(rule + L"\n");
        }
    }
    size_t failed =
        std::count_if(report.rows.begin(), report.rows.end(), [](const Row& r) { return !r.bExpectationMet; });
    Out(L"\n" + std::to_wstring(report.rows.size()) + L" edits, " + std::to_wstring(failed) +
        L" expectations failed\n");
    if (report.bTrace) {
        Out(L"\nTrace (" + std::to_wstring(report.trace.size()) + L" control events):\n");
        for (const auto& event : report.trace)
            Out(L"  " + event + L"\n");
    }
    if (report.bLog) {
        Out(L"\nError-log rows written during the run (" + std::to_wstring(report.log.size()) + L"):\n");
        for (const auto& row : report.log)
            Out(L"  " + row + L"\n");
    }
}

void PrintJson(const RunReport& report)
{
    std::wstring out = L"{\n  \"project\": " + Json(report.strProject) + L",\n  \"warnings\": " +
                       JsonList(report.warnings) + L",\n  \"rows\": [";
    for (size_t i = 0; i < report.rows.size(); ++i) {
        const Row& row = report.rows[i];
        out += std::wstring(i ? L"," : L"") + L"\n    {\"line\": " + std::to_wstring(row.edit.nLine) + L", \"edit\": " +
               Json(row.edit.strText) + L", \"asked\": " + (row.bAsked ? L"true" : L"false") + L", \"hresult\": " +
               Json(HexCode(row.hr)) + L", \"symbol\": " + Json(row.strSymbol) + L", \"bus\": " + Json(row.strBus) +
               L", \"message\": " + Json(row.strMessage) + L", \"errorDatabase\": " + Json(row.strErrDB) +
               L", \"errorDatabaseName\": " + Json(DatabaseName(row.strErrDB)) + L", \"expected\": " +
               Json(row.edit.strExpected) + L", \"met\": " + (row.bExpectationMet ? L"true" : L"false") +
               L", \"note\": " + Json(row.strNote) + L"}";
    }
    out += L"\n  ]";
    if (report.bTree)
        out += L",\n  \"tree\": " + Json(report.strTree);
    if (report.bTrace)
        out += L",\n  \"trace\": " + JsonList(report.trace);
    if (report.bLog)
        out += L",\n  \"log\": " + JsonList(report.log);
    Out(out + L"\n}\n");
}
