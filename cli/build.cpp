// drova build NET.toml [-o FILE.gsms]: builds the GSMS of a stochastic Petri net and writes it.

#include "cli/Commands.hpp"
#include "formats/InputFile.hpp"
#include "formats/ModelFile.hpp"
#include "gsms/WriteGsms.hpp"

#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>

namespace drova::cli {

namespace {

struct BuildRequest {
    std::string net;
    std::string output;
    std::uint64_t maxStates = net::DefaultMaxStates;
};

int runBuild(const BuildRequest& request) {
    if (!isNetPath(request.net))
        return reportFailure("drova build reads a net file (.toml); \"" + request.net +
                             "\" is not one (a GSMS file is already a GSMS)");
    std::ifstream in = openInputFile(request.net);
    if (!in.is_open()) return reportFailure(cannotOpenMessage(request.net));
    try {
        const Gsms model = readModel(in, request.net, nullptr, nullptr, request.maxStates);
        // The whole text first, so that a failure leaves no half-written file.
        std::ostringstream text;
        writeGsms(model, text);
        if (request.output.empty()) {
            std::cout << text.str();
            return 0;
        }
        std::ofstream out(request.output, std::ios::binary | std::ios::trunc);
        if (!out || !(out << text.str()) || !(out.flush()))
            return reportFailure("Could not write the file \"" + request.output + "\"");
        std::cout << "Wrote " << request.output << " (" << model.stateCount() << " states)\n";
    } catch (const std::exception& e) {
        return reportFailure(e.what());
    }
    return 0;
}

}  // namespace

RegisteredCommand addBuildCommand(CLI::App& app) {
    CLI::App* sub = app.add_subcommand("build", "Build the GSMS of a stochastic Petri net and write it");
    auto request = std::make_shared<BuildRequest>();
    sub->add_option("NET", request->net, "Net file (.toml)")->required();
    sub->add_option("-o,--output", request->output, "The GSMS file to write (default: standard output)");
    sub->add_option("--max-states", request->maxStates, "The most reachable markings to build")
        ->check(CLI::Range(std::uint64_t{1}, std::uint64_t{1} << 32));
    sub->footer("The states are the net's tangible markings, named by their marked places (working2_broken1);\n"
                "a marking entered in different ways is split, the variants naming in brackets the timers\n"
                "that run on from before their entry.\n\n"
                "Example:\n  drova build examples/pumps.toml -o pumps.gsms");
    return {sub, [request] { return runBuild(*request); }};
}

}  // namespace drova::cli
