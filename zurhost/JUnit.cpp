// Writing a run as JUnit XML.
#include "zurhost/JUnit.h"
#include "hostfiles/TextFile.h"
#include "zurhost/CannotRun.h"
#include "zurhost/Names.h"
#include "zurhost/Report.h"
#include <cstdio>
#include <fstream>

namespace {

// Markup characters as references; control characters XML cannot hold as
// U+FFFD; line ends in attributes as references, so they survive.
std::string Escaped(const std::wstring& text, bool bAttribute)
{
    std::wstring out;
    for (wchar_t ch : text) {
        const wchar_t* pszRef = ch == L'&' ? L"&amp;" : ch == L'<' ? L"&lt;" : ch == L'>' ? L"&gt;" : nullptr;
        if (!pszRef && (bAttribute || ch == L'\r'))
            pszRef = ch == L'"'    ? L"&quot;"
                     : ch == L'\n' ? L"&#10;"
                     : ch == L'\t' ? L"&#9;"
                     : ch == L'\r' ? L"&#13;"
                                   : nullptr;
        if (pszRef)
            out += pszRef;
        else
            out += (ch < 0x20 && ch != L'\n' && ch != L'\t') || ch == 0xFFFE || ch == 0xFFFF ? L'\xFFFD' : ch;
    }
    return Utf8(out);
}

std::string Attribute(const char* pszName, const std::wstring& value)
{
    return std::string(" ") + pszName + "=\"" + Escaped(value, true) + "\"";
}

std::string Seconds(double dSeconds)
{
    char text[32];
    snprintf(text, sizeof(text), "%.3f", dSeconds);
    return text;
}

std::string Case(const JUnitCase& c)
{
    std::string xml = "    <testcase" + Attribute("name", c.strName) + Attribute("classname", c.strClass);
    if (c.outcome == JUnitCase::Outcome::Passed)
        return xml + "/>\n";
    const char* pszTag = c.outcome == JUnitCase::Outcome::Failure ? "failure" : "error";
    return xml + ">\n      <" + pszTag + Attribute("message", c.strMessage) + Attribute("type", c.strType) + ">" +
           Escaped(c.strDetail, false) + "</" + pszTag + ">\n    </testcase>\n";
}

} // namespace

std::string JUnitXml(const JUnitSuite& suite)
{
    size_t cFailures = 0, cErrors = 0;
    std::string cases;
    for (const JUnitCase& c : suite.cases) {
        cFailures += c.outcome == JUnitCase::Outcome::Failure ? 1 : 0;
        cErrors += c.outcome == JUnitCase::Outcome::Error ? 1 : 0;
        cases += Case(c);
    }
    const std::string counts = " tests=\"" + std::to_string(suite.cases.size()) + "\" failures=\"" +
                               std::to_string(cFailures) + "\" errors=\"" + std::to_string(cErrors) +
                               "\" skipped=\"0\" time=\"" + Seconds(suite.dSeconds) + "\"";
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites" + Attribute("name", L"zurhost") + counts +
           ">\n  <testsuite" + Attribute("name", suite.strName) + counts + ">\n" + cases +
           "  </testsuite>\n</testsuites>\n";
}

void WriteJUnit(const std::wstring& path, const JUnitSuite& suite)
{
    std::ofstream file(path.c_str(), std::ios::binary | std::ios::trunc);
    const std::string xml = JUnitXml(suite);
    if (!file.write(xml.data(), static_cast<std::streamsize>(xml.size())).flush())
        throw CCannotRun(path + L": cannot write the JUnit file");
}

JUnitSuite ScenarioJUnit(const RunReport& report, const std::wstring& strScenario, double dSeconds)
{
    JUnitSuite suite{L"scenario " + strScenario + L" on \"" + report.strProject + L"\"", dSeconds, {}};
    for (const Row& row : report.rows) {
        JUnitCase c{L"line " + std::to_wstring(row.edit.nLine) + L": " + row.edit.strText, L"zurhost.scenario"};
        const std::wstring answer = HexCode(row.hr) + (row.strSymbol.empty() ? L"" : L" " + row.strSymbol);
        if (!row.bAsked)
            c.Set(JUnitCase::Outcome::Error, L"not asked", row.strNote, row.strNote);
        else if (!row.bExpectationMet)
            c.Set(JUnitCase::Outcome::Failure, L"expectation",
                  L"expected " + row.edit.expected.strText + L", answered " + answer,
                  row.strMessage + L"\nbus: " + row.strBus + L"\nerror database: " + row.strErrDBName);
        suite.cases.push_back(std::move(c));
    }
    return suite;
}
