// Reading zurhost's command line.
#include "zurhost/Options.h"
#include "zurhost/CannotRun.h"
#include "hostfiles/TextFile.h"
#include "interfaces/LayerNames.h"
#include "zurhost/Report.h"
#include <CLI/CLI.hpp>
#include <sstream>
#include <vector>

namespace {

const char kDescription[] = "zurhost puts the edits of a scenario to the assistant layer, as a host\n"
                            "would before carrying them out, and prints the layer's verdicts.\n"
                            "Without a scenario it prints the plant.\n";
const char kFooter[] = "Exit status: 0 every stated verdict held; 1 one did not, or an edit named\n"
                       "something the project lacks; 2 the run could not be made (the message says\n"
                       "why). The table fits the terminal (COLUMNS, else the console's width).\n"
                       "With --conformance: 0 every rule holds; 1 one fails or could not be judged;\n"
                       "2 the run could not be made. The project defaults to examples\\plant.xml.";
std::string Version()
{
    const std::wstring_view progId = LayerNames::kLayerProgId;
    return "zurhost 1.1 (layer " + std::string(progId.begin(), progId.end()) + ", host simulator HostSim.Project.1)";
}

struct Arguments
{
    bool bNoSetup = false;
    std::string batch, project, scenario, conformance, protocol, junit;
};

void AddOptions(CLI::App& app, Options& options, Arguments& args)
{
    app.add_flag("--tree", options.bTree, "print the plant, its palette and cables");
    app.add_flag("--trace", options.bTrace, "print the layer's control events by edit");
    app.add_flag("--log", options.bLog, "print the error-log rows of the run");
    app.add_flag("--json", options.bJson, "print the run as JSON");
    app.add_flag("--wide", options.bWide, "print every column of the table in full");
    app.add_flag("--no-setup", args.bNoSetup, "register nothing, bind no sample assistant");
    app.add_option("--batch", args.batch, "run each line of FILE as a command line")->type_name("FILE");
    app.add_option("--conformance", args.conformance, "judge the assistant of PROGID against the host's rules")
        ->type_name("PROGID");
    app.add_option("--protocol", args.protocol, "with --conformance: the assistant's protocol (else its binding's)")
        ->type_name("NAME");
    app.add_option("--junit", args.junit, "also write the run to FILE as JUnit XML, for CI servers")->type_name("FILE");
    app.add_option("project", args.project, "the plant project file (XML)");
    app.add_option("scenario", args.scenario, "the edits to ask about, one a line");
    app.set_version_flag("--version", Version());
    // Paths may start with "/" (Wine takes Unix paths); options start with "-" only.
    app.allow_windows_style_options(false);
    app.get_formatter()->column_width(24);
    app.footer(kFooter);
}

std::vector<std::string> ReversedArguments(int argc, wchar_t** argv)
{
    std::vector<std::string> args;
    for (int i = argc - 1; i > 0; --i)
        args.push_back(Utf8(argv[i]));
    return args;
}

int Refuse(const std::wstring& reason)
{
    return ReportCannotRun(CCannotRun(reason + L"\nRun zurhost --help for the options."));
}

} // namespace

int ReadCommandLine(int argc, wchar_t** argv, Options& options, bool bBatchLine)
{
    CLI::App app{kDescription, "zurhost"};
    Arguments args;
    AddOptions(app, options, args);
    try {
        app.parse(ReversedArguments(argc, argv));
    } catch (const CLI::Success& e) {
        std::ostringstream out, err;
        app.exit(e, out, err);
        Out(FromUtf8(out.str()));
        return kAllHeld;
    } catch (const CLI::ParseError& e) {
        return Refuse(FromUtf8(e.what()));
    }
    if (!args.protocol.empty() && args.conformance.empty())
        return Refuse(L"--protocol goes with --conformance");
    if (!args.conformance.empty() && (bBatchLine || !args.batch.empty()))
        return Refuse(L"--conformance runs alone, not in a batch: the layer keeps the assistants of earlier runs in "
                      L"its process");
    if (!args.conformance.empty() && !args.scenario.empty())
        return Refuse(L"--conformance takes a project file and no scenario");
    if (args.project.empty() == args.batch.empty() && args.conformance.empty())
        return Refuse(args.batch.empty() ? L"a project file is required" : L"--batch takes no project file");
    if (!args.junit.empty() && args.scenario.empty() && args.conformance.empty())
        return Refuse(L"--junit goes with a scenario or --conformance");
    options.strJunit = FromUtf8(args.junit);
    options.strBatch = FromUtf8(args.batch);
    options.bSetup = !args.bNoSetup;
    options.strProject = FromUtf8(args.project);
    options.strScenario = FromUtf8(args.scenario);
    options.strConformance = FromUtf8(args.conformance);
    options.strProtocol = FromUtf8(args.protocol);
    if (options.strScenario.empty())
        options.bTree = true;
    return -1;
}
