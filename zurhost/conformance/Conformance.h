#pragma once
// zurhost --conformance: one registered assistant, driven directly and
// through the layer over a project, judged against the rules a host relies
// on. Prints one line per rule (or JSON) and answers the exit status: 0 when
// every rule holds, 1 when one does not or could not be judged, 2 when the
// run could not be made.
#include "zurhost/Options.h"
#include <string>

int RunConformance(const Options& options, const std::wstring& strExeFolder);
