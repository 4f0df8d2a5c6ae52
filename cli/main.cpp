// drova: runs the Drova modules from the command line, as the MATLAB host would.

#include "cli/Commands.hpp"

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
    CLI::App app{"drova: exact analysis and simulation of GSMS models"};
    app.require_subcommand(1);
    std::map<CLI::App*, CommandRunner> runners;
    // Subcommands register here.
    runners.insert(addCheckCommand(app));
    runners.insert(addKonvCommand(app));
    runners.insert(addSimCommand(app));
    runners.insert(addIntCommand(app));
    runners.insert(addReliabilityCommand(app));
    runners.insert(addAvailabilityCommand(app));

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return ExitUsage;
    }
    for (auto& [sub, run] : runners)
        if (sub->parsed()) return run();
    return ExitUsage;
}
