#pragma once
// What a conformance run prints: a line per rule, or JSON for scripts.
#include "zurhost/JUnit.h"
#include "zurhost/conformance/ConformanceRun.h"
#include <string>

std::wstring ConformanceText(const ConformanceRun& run);
std::wstring ConformanceJson(const ConformanceRun& run);
// One test case per rule: a finding is a failure, a rule not judged an error.
JUnitSuite ConformanceJUnit(const ConformanceRun& run);
