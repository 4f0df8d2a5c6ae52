// drova: runs the Drova modules from the command line, as the MATLAB host would.

#include "cli/Commands.hpp"
#include "cli/Suggest.hpp"

#include <iostream>
#include <map>
#include <string>

namespace drova::cli {

int reportFailure(const std::string& message) {
    std::cout.flush();
    std::cerr << message << '\n';
    return ExitFailure;
}

}  // namespace drova::cli

int main(int argc, char** argv) {
    using namespace drova::cli;
    CLI::App app{"drova: exact analysis and simulation of GSMS models and stochastic Petri nets, running the Drova modules as MATLAB does",
                 "drova"};
    app.require_subcommand(1);
    app.set_version_flag("--version", "drova " DROVA_VERSION);
    app.footer("Run drova COMMAND --help for the options of a command.\n\nExamples:\n"
               "  drova check examples/machine.gsms\n"
               "  drova build examples/pumps.toml -o pumps.gsms\n"
               "  drova konv examples/machine.gsms --path 1,2 --dest 1,1\n"
               "  drova int tests/data/int/worked-example-short.json\n"
               "  drova sim examples/machine.gsms --runs 10 --horizon 1000\n"
               "  drova plot examples/redundant.gsms --sim 100000");
    std::map<CLI::App*, CommandRunner> runners;
    // Subcommands register here.
    runners.insert(addCheckCommand(app));
    runners.insert(addBuildCommand(app));
    runners.insert(addKonvCommand(app));
    runners.insert(addSimCommand(app));
    runners.insert(addIntCommand(app));
    runners.insert(addReliabilityCommand(app));
    runners.insert(addAvailabilityCommand(app));
    runners.insert(addPlotCommand(app));

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) return app.exit(e);  // --help, --version
        app.exit(e);
        if (const std::string hint = didYouMean(app, {argv + 1, argv + argc}); !hint.empty()) std::cerr << hint << '\n';
        return ExitUsage;
    }
    for (auto& [sub, run] : runners)
        if (sub->parsed()) return run();
    return ExitUsage;
}
