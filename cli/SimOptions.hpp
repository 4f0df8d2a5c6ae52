#pragma once
// The options of drova reliability and drova availability that simulate the model or solve an
// expolynomial fit of it: --sim N [--seed S] [--threads K] and --approximate N.

#include "cli/MeasureSimulation.hpp"

#include <CLI/CLI.hpp>

#include <charconv>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

namespace drova::cli {

struct MeasureSimOptions {
    std::string runs, seed = "0", threads, pieces;
    CLI::Option* simOption = nullptr;
    CLI::Option* approximateOption = nullptr;
    CLI::Option* seedOption = nullptr;

    template <class Number>
    static std::optional<Number> whole(const std::string& text, Number low, Number high) {
        Number value{};
        const char* end = text.data() + text.size();
        const auto [stop, error] = std::from_chars(text.data(), end, value);
        if (error != std::errc() || stop != end || value < low || value > high) return std::nullopt;
        return value;
    }

    void add(CLI::App* sub) {
        const auto check = [](const std::string& kind, auto valid) {
            return CLI::Validator([kind, valid](std::string& text) { return valid(text) ? std::string() : "expected " + kind; },
                                  kind);
        };
        simOption = sub->add_option("--sim", runs, "also estimate the measures from N simulated runs (philox stream of "
                                                   "drova sim), with 95% intervals")
                        ->check(check("an integer from 1 to 10^12", [](const std::string& t) {
                            return whole<std::int64_t>(t, 1, 1000000000000).has_value();
                        }));
        sub->add_option("--seed", seed, "seed of the simulation, 0 to 4294967295 (default 0)")
            ->check(check("an integer from 0 to 4294967295", [](const std::string& t) {
                return whole<std::uint64_t>(t, 0, std::numeric_limits<std::uint32_t>::max()).has_value();
            }));
        approximateOption =
            sub->add_option("--approximate", pieces,
                            "replace each Weibull, Lognormal, Gamma or Normal timer by an expolynomial fit of N pieces "
                            "and solve that model exactly, with the fit's distances, a bound and a simulation check")
                ->check(check("an integer from 1 to 200", [](const std::string& t) { return whole<unsigned>(t, 1, 200).has_value(); }));
        sub->add_option("--threads", threads, "threads of the simulation (default: all cores)")
            ->check(check("an integer from 1 to 4096", [](const std::string& t) { return whole<int>(t, 1, 4096).has_value(); }));
        seedOption = sub->get_option("--seed");
    }

    // The message for --seed or --threads without --sim or --approximate; empty when none.
    std::string misuse() const {
        if (simOption->count() > 0 || approximateOption->count() > 0) return {};
        if (seedOption->count() > 0) return "--seed: needs --sim or --approximate";
        if (!threads.empty()) return "--threads: needs --sim or --approximate";
        return {};
    }

    // The pieces of --approximate; none without it.
    std::optional<unsigned> approximation() const {
        if (approximateOption == nullptr || approximateOption->count() == 0) return std::nullopt;
        return whole<unsigned>(pieces, 1, 200);
    }

    // The simulation check of --approximate: --sim's runs, or 10000.
    measures::SimulationRequest checkRequest() const {
        if (std::optional<measures::SimulationRequest> given = request()) return *given;
        measures::SimulationRequest check;
        check.runs = 10000;
        check.seed = static_cast<std::uint32_t>(*whole<std::uint64_t>(seed, 0, std::numeric_limits<std::uint32_t>::max()));
        check.threads = threads.empty() ? 0 : *whole<int>(threads, 1, 4096);
        return check;
    }

    std::optional<measures::SimulationRequest> request() const {
        if (simOption == nullptr || simOption->count() == 0) return std::nullopt;
        measures::SimulationRequest request;
        request.runs = *whole<std::int64_t>(runs, 1, 1000000000000);
        request.seed = static_cast<std::uint32_t>(*whole<std::uint64_t>(seed, 0, std::numeric_limits<std::uint32_t>::max()));
        request.threads = threads.empty() ? 0 : *whole<int>(threads, 1, 4096);
        return request;
    }
};

}  // namespace drova::cli
