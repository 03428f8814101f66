// Reading zurhost's command line.
#include "zurhost/Options.h"
#include "hostfiles/TextFile.h"
#include "zurhost/Report.h"
#include <CLI/CLI.hpp>
#include <sstream>
#include <vector>

namespace {

const char g_szDescription[] =
    "zurhost: puts the edits of a scenario to the assistant layer, as a host would before carrying them\n"
    "out, and prints the layer's verdicts. Without a scenario it prints the plant.\n";
const char g_szFooter[] = "Exit status: 0 every stated verdict held, 1 one or more did not (or an edit named\n"
                          "something the project lacks), 2 the run could not be made (the message says why).\n"
                          "The table fits the terminal (COLUMNS, else the console's width); --wide prints\n"
                          "every column in full.";
const char g_szVersion[] = "zurhost 1.1 (layer Zerani.Layer.AssistLayer.7, host simulator HostSim.Project.1)";

void AddOptions(CLI::App& app, Options& options, bool& bNoSetup, std::string& project, std::string& scenario)
{
    app.add_flag("--tree", options.bTree,
                 "print the plant, its palette and its cables (the default without a scenario)");
    app.add_flag("--trace", options.bTrace, "print the control events the layer sent, under the edit that caused them");
    app.add_flag("--log", options.bLog, "print the error-log rows the layer wrote during the run");
    app.add_flag("--json", options.bJson, "print the run as JSON instead of a table");
    app.add_flag("--wide", options.bWide, "print the table with every column in full, however wide");
    app.add_flag("--no-setup", bNoSetup, "register nothing and bind no sample assistant");
    app.add_option("project", project, "the plant project file (XML)")->required();
    app.add_option("scenario", scenario, "the edits to ask the layer about, one a line");
    app.set_version_flag("--version", g_szVersion);
    app.footer(g_szFooter);
}

std::vector<std::string> ReversedArguments(int argc, wchar_t** argv)
{
    std::vector<std::string> args;
    for (int i = argc - 1; i > 0; --i)
        args.push_back(Utf8(argv[i]));
    return args;
}

} // namespace

int ReadCommandLine(int argc, wchar_t** argv, Options& options)
{
    CLI::App app{g_szDescription, "zurhost"};
    std::string project, scenario;
    bool bNoSetup = false;
    AddOptions(app, options, bNoSetup, project, scenario);
    try {
        app.parse(ReversedArguments(argc, argv));
    } catch (const CLI::ParseError& e) {
        std::ostringstream out, err;
        int status = app.exit(e, out, err);
        Out(FromUtf8(out.str()));
        Out(FromUtf8(err.str()), stderr);
        return status == 0 ? g_nAllHeld : g_nCannotRun;
    }
    options.bSetup = !bNoSetup;
    options.strProject = FromUtf8(project);
    options.strScenario = FromUtf8(scenario);
    if (options.strScenario.empty())
        options.bTree = true;
    return -1;
}
