#pragma once
// zurhost's command line.
#include <string>

struct Options
{
    bool bTree = false, bTrace = false, bLog = false, bJson = false, bSetup = true, bWide = false;
    std::wstring strProject, strScenario;
    std::wstring strBatch;                    // a file of command lines, run one after another in this process
    std::wstring strConformance, strProtocol; // --conformance: the assistant's ProgID and protocol
    std::wstring strJunit;                    // --junit: the file the run is written to as JUnit XML
};

// Exit statuses, as the usage text documents them.
inline constexpr int g_nAllHeld = 0;
inline constexpr int g_nNotHeld = 1;
inline constexpr int g_nCannotRun = 2;

// Reads the command line into options. Returns -1 when the run should go on,
// else the exit status: 0 after --help or --version, 2 for a bad command line
// (the message names the fault). A line of a batch (bBatchLine) may not
// hold --conformance, no more than the batch's own command line.
int ReadCommandLine(int argc, wchar_t** argv, Options& options, bool bBatchLine = false);
