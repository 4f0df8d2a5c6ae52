// drova check MODEL: reads a GSMS file or a net and prints a summary of the model.

#include "cli/Commands.hpp"
#include "formats/InputFile.hpp"
#include "formats/ModelFile.hpp"
#include "gsms/ModelWarnings.hpp"

#include <iostream>
#include <memory>
#include <string>

namespace drova::cli {

namespace {

std::string stateLabel(const Gsms& model, std::uint64_t state) {
    return std::to_string(state) + " (" + model.state(state).name + ")";
}

void printSummary(const Gsms& model, std::ostream& out) {
    out << "Model: " << model.name() << '\n'
        << "States: " << model.stateCount() << '\n'
        << "Timers: " << model.timerCount() << '\n'
        << "Transitions: " << model.transitionCount() << '\n'
        << "Initial state: " << stateLabel(model, model.initialState()) << '\n';
    for (std::uint64_t i = 0; i < model.timerCount(); ++i)
        out << "Timer " << i << ": " << model.timer(i).toText() << '\n';
    std::string smsStates;
    for (std::uint64_t i = 0; i < model.stateCount(); ++i)
        if (model.isSmsState(i)) smsStates += (smsStates.empty() ? "" : ", ") + stateLabel(model, i);
    out << "States of the SMS: " << (smsStates.empty() ? "none" : smsStates) << '\n';
}

// What the model allows but is most likely a slip, one line each on standard error; the model
// stays valid.
void printWarnings(const Gsms& model, std::ostream& err) {
    for (const std::string& warning : modelWarnings(model)) err << "Warning: " << warning << '\n';
}

// What the build of a net found, before the summary of its GSMS.
void printNetSummary(const net::NetStatistics& statistics, std::ostream& out) {
    out << "Places: " << statistics.places << '\n'
        << "Net transitions: " << statistics.transitions << '\n'
        << "Tangible markings: " << statistics.tangibleMarkings << '\n'
        << "Vanishing markings: " << statistics.vanishingMarkings << '\n'
        << "GSMS states: " << statistics.gsmsStates << '\n'
        << "States of the SMS (count): " << statistics.smsStates << '\n';
}

int runCheck(const std::string& path, std::uint64_t maxStates) {
    std::ifstream in = openInputFile(path);
    if (!in.is_open()) return reportFailure(cannotOpenMessage(path));
    try {
        net::NetStatistics statistics;
        const Gsms model = readModel(in, path, nullptr, &statistics, maxStates);
        if (isNetPath(path)) printNetSummary(statistics, std::cout);
        printSummary(model, std::cout);
        std::cout.flush();
        printWarnings(model, std::cerr);
    } catch (const std::exception& e) {
        return reportFailure(e.what());
    }
    return 0;
}

}  // namespace

RegisteredCommand addCheckCommand(CLI::App& app) {
    CLI::App* sub = app.add_subcommand("check", "Read a GSMS file or a net and print a summary of the model");
    auto path = std::make_shared<std::string>();
    auto maxStates = std::make_shared<std::uint64_t>(net::DefaultMaxStates);
    sub->add_option("MODEL", *path, "GSMS text file, or a net (.toml)")->required();
    sub->add_option("--max-states", *maxStates, "A net: the most reachable markings to build")
        ->check(CLI::Range(std::uint64_t{1}, std::uint64_t{1} << 32));
    sub->footer("Prints the model's summary, one \"Key: value\" line each; for a net first the counts of its\n"
                "places, transitions, markings and states. Warnings go to standard error.\n\n"
                "Examples:\n  drova check examples/machine.gsms\n  drova check examples/pumps.toml");
    return {sub, [path, maxStates] { return runCheck(*path, *maxStates); }};
}

}  // namespace drova::cli
