// Printing a run as JSON for scripts.
#include "hostfiles/TextFile.h"
#include "zurhost/Names.h"
#include "zurhost/Report.h"
#include <nlohmann/json.hpp>

namespace {

using json = nlohmann::ordered_json;

json Texts(const std::vector<std::wstring>& items)
{
    json list = json::array();
    for (const auto& item : items)
        list.push_back(Utf8(item));
    return list;
}

json RowObject(const Row& row, bool bTrace)
{
    json object = {
        {"line", row.edit.nLine},
        {"edit", Utf8(row.edit.strText)},
        {"asked", row.bAsked},
        {"hresult", Utf8(HexCode(row.hr))},
        {"symbol", Utf8(row.strSymbol)},
        {"bus", Utf8(row.strBus)},
        {"message", Utf8(row.strMessage)},
        {"errorDatabase", Utf8(row.strErrDB)},
        {"errorDatabaseName", Utf8(row.strErrDBName)},
        {"expected", Utf8(row.edit.expected.strText)},
        {"met", row.bExpectationMet},
        {"note", Utf8(row.strNote)},
    };
    if (bTrace)
        object["trace"] = Texts(row.trace);
    return object;
}

json Summary(const RunReport& report)
{
    long lFailed = 0, lNotAsked = 0;
    for (const auto& row : report.rows) {
        lFailed += row.bExpectationMet ? 0 : 1;
        lNotAsked += row.bAsked ? 0 : 1;
    }
    return {{"edits", report.rows.size()},
            {"failed", lFailed},
            {"notAsked", lNotAsked},
            {"exitStatus", ExitStatus(report)}};
}

} // namespace

std::wstring JsonReport(const RunReport& report)
{
    json out = {{"project", Utf8(report.strProject)}, {"warnings", Texts(report.warnings)}};
    if (report.bTree)
        out["tree"] = Utf8(report.strTree);
    json rows = json::array();
    for (const auto& row : report.rows)
        rows.push_back(RowObject(row, report.bTrace));
    out["rows"] = rows;
    if (report.bTrace) {
        out["initTrace"] = Texts(report.initTrace);
        out["termTrace"] = Texts(report.termTrace);
    }
    if (report.bLog)
        out["log"] = Texts(report.log);
    out["summary"] = Summary(report);
    return FromUtf8(out.dump(2)) + L"\n";
}
