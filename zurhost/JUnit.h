#pragma once
// JUnit XML, the form CI servers read: one test suite per run, one test case
// per edit of a scenario or per rule of a conformance run.
#include <string>
#include <vector>

struct RunReport;

struct JUnitCase
{
    enum class Outcome
    {
        Passed,
        Failure, // a verdict or rule did not hold
        Error,   // it could not be judged
    };
    JUnitCase(std::wstring name, std::wstring className) : strName(std::move(name)), strClass(std::move(className)) {}
    void Set(Outcome result, std::wstring type, std::wstring message, std::wstring detail)
    {
        outcome = result;
        strType = std::move(type);
        strMessage = std::move(message);
        strDetail = std::move(detail);
    }

    std::wstring strName, strClass;
    Outcome outcome = Outcome::Passed;
    std::wstring strType, strMessage, strDetail; // of a failure or error
};

struct JUnitSuite
{
    std::wstring strName;
    double dSeconds = 0;
    std::vector<JUnitCase> cases;
};

std::string JUnitXml(const JUnitSuite& suite);
// Writes the suite as UTF-8; CCannotRun, naming the file, when it cannot.
void WriteJUnit(const std::wstring& path, const JUnitSuite& suite);
// A scenario run: an edit whose stated verdict failed is a failure, one that
// could not be asked an error.
JUnitSuite ScenarioJUnit(const RunReport& report, const std::wstring& strScenario, double dSeconds);
