#pragma once
// What a conformance run prints: a line per rule, or JSON for scripts.
#include "zurhost/conformance/ConformanceRun.h"
#include <string>

std::wstring ConformanceText(const ConformanceRun& run);
std::wstring ConformanceJson(const ConformanceRun& run);
