// drova check MODEL.gsms: reads a GSMS file and prints a summary of the model.

#include "cli/Commands.hpp"
#include "formats/InputFile.hpp"
#include "gsms/ReadGsms.hpp"

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

int runCheck(const std::string& path) {
    std::ifstream in = openInputFile(path);
    if (!in.is_open()) return reportFailure("Path to GSMS file is invalid");
    try {
        const Gsms model = readGsms(in);
        printSummary(model, std::cout);
    } catch (const std::exception& e) {
        return reportFailure(e.what());
    }
    return 0;
}

}  // namespace

RegisteredCommand addCheckCommand(CLI::App& app) {
    CLI::App* sub = app.add_subcommand("check", "Read a GSMS file and print a summary of the model");
    auto path = std::make_shared<std::string>();
    sub->add_option("MODEL", *path, "GSMS text file")->required();
    return {sub, [path] { return runCheck(*path); }};
}

}  // namespace drova::cli
