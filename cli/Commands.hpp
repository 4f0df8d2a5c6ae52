#pragma once
// Each subcommand of drova registers itself on the application and returns the
// function that runs it once the arguments are parsed.

#include <CLI/CLI.hpp>

#include <functional>
#include <string>
#include <utility>

namespace drova::cli {

using CommandRunner = std::function<int()>;
using RegisteredCommand = std::pair<CLI::App*, CommandRunner>;

// Exit statuses shared by every subcommand.
inline constexpr int ExitFailure = 1;  // the job failed; the message is the last line of stderr
inline constexpr int ExitUsage = 2;    // the command line itself is wrong

// Prints the message as the last line of standard error and returns ExitFailure.
int reportFailure(const std::string& message);

// The subcommands; each adds itself to the application.
RegisteredCommand addCheckCommand(CLI::App& app);  // drova check MODEL.gsms
RegisteredCommand addBuildCommand(CLI::App& app);  // drova build NET.toml [-o FILE.gsms]
RegisteredCommand addSimCommand(CLI::App& app);    // drova sim MODEL --runs N --horizon T [--seed S]
RegisteredCommand addIntCommand(CLI::App& app);    // drova int FILE.json
RegisteredCommand addKonvCommand(CLI::App& app);   // drova konv MODEL.gsms ...
RegisteredCommand addReliabilityCommand(CLI::App& app);   // drova reliability MODEL.gsms ...
RegisteredCommand addAvailabilityCommand(CLI::App& app);  // drova availability MODEL.gsms ...
RegisteredCommand addPlotCommand(CLI::App& app);          // drova plot MODEL.gsms ...

}  // namespace drova::cli
