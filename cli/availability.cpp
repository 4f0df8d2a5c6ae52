// drova availability: the availability A(t), the state probabilities and their long-run values
// of a GSMS file with repair, through the Drovarel module as MATLAB would call it.
//
//     drova availability MODEL.gsms [--times T1,T2,...] [--json]

#include "cli/Budget.hpp"
#include "cli/Commands.hpp"
#include "cli/Measures.hpp"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace drova::cli {

namespace {

struct AvailabilityOptions {
    std::string model;
    std::string times;
    bool json = false;
    CLI::Option* timesOption = nullptr;
};

// Without a time scale from the mean time to failure (no down state can be entered, so A = 1):
// a few decades.
const std::vector<double> FallbackTimes{1, 10, 100, 1000, 10000};

struct Results {
    std::vector<double> times;
    std::vector<double> availability;
    double steadyAvailability = 0;
    std::vector<std::string> names;
    std::vector<std::vector<double>> states;  // [s][k]
    std::vector<double> steadyStates;
};

// The JSON keys of the states: their names, made unique by "#" and the state's index in the file
// where a name is shared.
std::vector<std::string> keysOf(const std::vector<std::string>& names) {
    std::map<std::string, int> uses;
    for (const std::string& name : names) ++uses[name];
    std::vector<std::string> keys;
    for (std::size_t s = 0; s < names.size(); ++s)
        keys.push_back(uses[names[s]] > 1 ? names[s] + "#" + std::to_string(s) : names[s]);
    return keys;
}

void printJson(const Results& r) {
    using namespace measures;
    std::string states = "{";
    const std::vector<std::string> keys = keysOf(r.names);
    for (std::size_t s = 0; s < keys.size(); ++s)
        states += (s ? ", " : "") + jsonString(keys[s]) + ": " + jsonArray(r.states[s]);
    states += "}";
    std::cout << "{\"times\": " << jsonArray(r.times) << ", \"availability\": " << jsonArray(r.availability)
              << ", \"states\": " << states << ", \"steady_availability\": " << jsonNumber(r.steadyAvailability)
              << "}\n";
}

void printTable(const Results& r) {
    using namespace measures;
    std::vector<int> widths;
    std::printf("%10s  %17s", "t", "A(t)");
    for (const std::string& name : r.names) {
        widths.push_back(static_cast<int>(std::max<std::size_t>(17, name.size())));
        std::printf("  %*s", widths.back(), name.c_str());
    }
    std::printf("\n");
    auto row = [&](const std::string& label, double availability, auto stateValue) {
        std::printf("%10s  %17s", label.c_str(), tableNumber(availability).c_str());
        for (std::size_t s = 0; s < r.names.size(); ++s)
            std::printf("  %*s", widths[s], tableNumber(stateValue(s)).c_str());
        std::printf("\n");
    };
    for (std::size_t k = 0; k < r.times.size(); ++k)
        row(shortText(r.times[k]), r.availability[k], [&](std::size_t s) { return r.states[s][k]; });
    row("long run", r.steadyAvailability, [&](std::size_t s) { return r.steadyStates[s]; });
    std::printf("Long-run availability: %s\n", tableNumber(r.steadyAvailability).c_str());
    std::fflush(stdout);
}

int runAvailability(const AvailabilityOptions& options) {
    try {
        Results r;
        if (options.timesOption->count() > 0)
            r.times = measures::parseTimes(options.times);
        else
            r.times = measures::defaultTimesOf(options.model, measures::AvailabilityLowestFraction).value_or(FallbackTimes);
        const std::vector<matlab::data::Array> outputs = measures::callDrovarel(5, options.model, r.times, "availability");
        r.availability = measures::doubles(outputs.at(0));
        r.steadyAvailability = measures::doubles(outputs.at(1)).at(0);
        const std::vector<double> probabilities = measures::doubles(outputs.at(2));
        r.steadyStates = measures::doubles(outputs.at(3));
        const matlab::data::StringArray names(outputs.at(4));
        for (std::size_t s = 0; s < names.getNumberOfElements(); ++s) r.names.push_back(std::string(names[s]));
        // Column-major: state s at time k is element s + k * states.
        const std::size_t count = r.names.size();
        r.states.assign(count, std::vector<double>(r.times.size()));
        for (std::size_t s = 0; s < count; ++s)
            for (std::size_t k = 0; k < r.times.size(); ++k) r.states[s][k] = probabilities.at(s + k * count);
        if (options.json)
            printJson(r);
        else
            printTable(r);
    } catch (const std::exception& e) {
        return reportFailure(e.what());
    }
    return 0;
}

}  // namespace

RegisteredCommand addAvailabilityCommand(CLI::App& app) {
    CLI::App* sub = app.add_subcommand(
        "availability",
        "Compute the availability A(t), the state probabilities and their long-run values of a GSMS file with "
        "repair (module Drovarel)");
    auto options = std::make_shared<AvailabilityOptions>();
    sub->add_option("MODEL", options->model, "GSMS text file, or a net (.toml)")->required();
    options->timesOption = sub->add_option(
        "--times", options->times,
        "times of at least 0, comma-separated decimals (default: the 1-2-5 series from MTTF/10^4 to 4 MTTF)");
    addBudgetOptions(*sub);
    sub->add_flag("--json", options->json, "print one JSON object instead of the table");
    sub->footer("Prints A(t) and the probability of each state at each time, then their long-run values. MODEL is a\n"
                "GSMS text file or a net (.toml); the JSON form of a model is for drova sim only.\n\n"
                "Examples:\n"
                "  drova availability examples/redundant.gsms --times 10,1000\n"
                "  drova availability examples/maintenance.gsms --json");
    return {sub, [options] { return runAvailability(*options); }};
}

}  // namespace drova::cli
