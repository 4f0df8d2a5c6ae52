// drova reliability: the failure probability F(t), the reliability R(t) = 1 - F(t) and the mean
// time to failure of a GSMS file, through the Drovarel module as MATLAB would call it.
//
//     drova reliability MODEL.gsms [--times T1,T2,...] [--from STATE] [--json]

#include "cli/Budget.hpp"
#include "cli/Commands.hpp"
#include "cli/Measures.hpp"

#include <cmath>
#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace drova::cli {

namespace {

struct ReliabilityOptions {
    std::string model;
    std::string times;
    std::string from;
    bool json = false;
    CLI::Option* timesOption = nullptr;
    CLI::Option* fromOption = nullptr;
};

void printJson(double mttf, double neverFails, const std::vector<double>& times, const std::vector<double>& failure) {
    using namespace measures;
    std::cout << "{\"mttf\": " << jsonNumber(mttf) << ", \"never_fails\": " << jsonNumber(neverFails)
              << ", \"times\": " << jsonArray(times) << ", \"failure\": " << jsonArray(failure) << "}\n";
}

void printTable(double mttf, double neverFails, double mttfGivenFailure, const std::vector<double>& times,
                const std::vector<double>& failure, const std::vector<double>& reliability) {
    using namespace measures;
    std::printf("%10s  %17s  %17s\n", "t", "F(t)", "R(t)");
    for (std::size_t k = 0; k < times.size(); ++k)
        std::printf("%10s  %17s  %17s\n", shortText(times[k]).c_str(), tableNumber(failure[k]).c_str(),
                    tableNumber(reliability[k]).c_str());
    if (std::isfinite(mttf)) {
        std::printf("Mean time to failure: %s\n", tableNumber(mttf).c_str());
    } else {
        std::printf("Mean time to failure: infinite (the system never fails with probability %s)\n",
                    tableNumber(neverFails).c_str());
        std::printf("Mean time to failure of the runs that fail: %s\n", tableNumber(mttfGivenFailure).c_str());
    }
    std::fflush(stdout);
}

int runReliability(const ReliabilityOptions& options) {
    try {
        std::optional<std::string> from;
        if (options.fromOption->count() > 0) from = options.from;
        std::vector<double> times;
        if (options.timesOption->count() > 0) {
            times = measures::parseTimes(options.times);
        } else {
            // The default times come from the mean time to failure; a model that has none fails
            // below with the module's message.
            times = measures::defaultTimesOf(options.model, measures::ReliabilityLowestFraction, from).value_or(std::vector<double>{});
        }
        const std::vector<matlab::data::Array> outputs =
            measures::callDrovarel(5, options.model, times, "reliability", from);
        const std::vector<double> failure = measures::doubles(outputs.at(0));
        const double mttf = measures::doubles(outputs.at(1)).at(0);
        const double neverFails = measures::doubles(outputs.at(2)).at(0);
        const std::vector<double> reliability = measures::doubles(outputs.at(3));
        const double mttfGivenFailure = measures::doubles(outputs.at(4)).at(0);
        if (options.json)
            printJson(mttf, neverFails, times, failure);
        else
            printTable(mttf, neverFails, mttfGivenFailure, times, failure, reliability);
    } catch (const std::exception& e) {
        return reportFailure(e.what());
    }
    return 0;
}

}  // namespace

RegisteredCommand addReliabilityCommand(CLI::App& app) {
    CLI::App* sub = app.add_subcommand(
        "reliability",
        "Compute the failure probability F(t), the reliability R(t) and the mean time to failure of a GSMS file "
        "(module Drovarel)");
    auto options = std::make_shared<ReliabilityOptions>();
    sub->add_option("MODEL", options->model, "GSMS text file, or a net (.toml)")->required();
    options->timesOption = sub->add_option(
        "--times", options->times,
        "times of at least 0, comma-separated decimals (default: the 1-2-5 series from MTTF/100 to 4 MTTF)");
    options->fromOption =
        sub->add_option("--from", options->from, "name of the state to start in (default: the initial state)");
    addBudgetOptions(*sub);
    sub->add_flag("--json", options->json, "print one JSON object instead of the table");
    sub->footer("Prints F(t) and R(t) at each time, then the mean time to failure. MODEL is a GSMS text file or a net\n"
                "(.toml); the JSON form of a model is for drova sim only.\n\n"
                "Examples:\n"
                "  drova reliability examples/redundant.gsms --times 1000,8760\n"
                "  drova reliability examples/redundant.gsms --from RepairA --json");
    return {sub, [options] { return runReliability(*options); }};
}

}  // namespace drova::cli
