// drova sim MODEL --runs N --horizon T [--seed S]: simulates a GSMS through the
// module Drovasim and prints the first-passage times, one per line.
//
// MODEL is a .gsms file (mapped by simulate/GsmsToSim.hpp), or a JSON document
// that mirrors the MATLAB structure gsms (formats/SimModelJson.hpp). Both are
// brought into the simulator's records, then into the host's values, and
// handed to the module's entry as MATLAB would.

#include "cli/Commands.hpp"
#include "cli/ProgressLine.hpp"
#include "formats/InputFile.hpp"
#include "formats/SimModelJson.hpp"
#include "gsms/ReadGsms.hpp"
#include "modules/sim/GsmsStructure.hpp"
#include "simulate/GsmsToSim.hpp"

#include "host/LoadedModule.hpp"
#include "host/MatlabData.hpp"
#include "host/classic/ClassicError.hpp"
#include "host/classic/ClassicModule.hpp"
#include "host/classic/ClassicRandom.hpp"
#include "host/classic/InterruptForwarding.hpp"

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace drova::cli {

namespace {

namespace md = matlab::data;

SimModel readModel(const std::string& path) {
    std::ifstream in = openInputFile(path, std::ios::binary);
    if (!in.is_open()) throw std::runtime_error("Cannot open the model file " + path);
    if (std::filesystem::path(path).extension() == ".gsms") {
        GsmsNameLines lines;
        const Gsms model = readGsms(in, &lines);
        return simModelOf(model, &lines);
    }
    return readSimModelJson(in);
}

std::vector<double> simulate(std::int64_t runs, double horizon, const md::Array& gsms) {
    LoadedClassicModule module(LoadedClassicModule::defaultPath("Drovasim"));
    md::ArrayFactory factory;
    std::vector<md::Array> outputs;
    {
        InterruptForwarding interrupts;
        ProgressLine progress(runs);
        outputs = module.call(1, {factory.createScalar(runs), factory.createScalar(horizon), gsms});
    }
    const md::TypedArray<double> times(outputs.at(0));
    return std::vector<double>(times.begin(), times.end());
}

void printTimes(const std::vector<double>& times) {
    std::string text;
    char line[40];
    for (double time : times) {
        const int length = std::snprintf(line, sizeof line, "%.17g\n", time);
        text.append(line, static_cast<std::size_t>(length));
    }
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

std::string withIdentifier(const std::string& message, const std::string& identifier) {
    return identifier.empty() ? message : message + " (" + identifier + ")";
}

int runSim(const std::string& modelPath, std::int64_t runs, double horizon, std::uint32_t seed) {
    // What the command is doing, for a message when memory runs out.
    const char* doing = "reading the model";
    try {
        SimModel model = readModel(modelPath);
        doing = "passing the model to the simulator";
        const md::Array gsms = sim::hostValueOf(model);
        classicSeedGenerator(seed);
        doing = "simulating";
        const std::vector<double> times = simulate(runs, horizon, gsms);
        doing = "printing the times";
        printTimes(times);
    } catch (const std::bad_alloc&) {
        return reportFailure(std::string("Out of memory while ") + doing);
    } catch (const ClassicError& e) {
        return reportFailure(withIdentifier(e.what(), e.identifier()));
    } catch (const HostError& e) {
        return reportFailure(withIdentifier(e.what(), e.identifier()));
    } catch (const std::exception& e) {
        return reportFailure(e.what());
    }
    return 0;
}

// Whole decimal text for the option values: no signs other than a leading
// "-" where allowed, no other bases, nothing after the number.
template <class Number>
std::optional<Number> parseNumber(const std::string& text) {
    Number value{};
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || stop != end) return std::nullopt;
    return value;
}

CLI::Validator numberValidator(const std::string& kind, bool (*valid)(const std::string&)) {
    return CLI::Validator([kind, valid](std::string& text) { return valid(text) ? std::string() : "expected " + kind; },
                          kind);
}

}  // namespace

RegisteredCommand addSimCommand(CLI::App& app) {
    CLI::App* sub = app.add_subcommand("sim", "Simulate a GSMS and print the first-passage times to its down states");
    struct Options {
        std::string model, runs, horizon, seed = "0";
    };
    auto options = std::make_shared<Options>();
    sub->add_option("MODEL", options->model, "Model: a .gsms file or a JSON file mirroring the MATLAB structure")
        ->required();
    sub->add_option("--runs", options->runs, "Number of runs")
        ->required()
        ->check(numberValidator("an integer", [](const std::string& t) { return parseNumber<std::int64_t>(t).has_value(); }));
    sub->add_option("--horizon", options->horizon, "Time horizon of a run (inf: none)")
        ->required()
        ->check(numberValidator("a number", [](const std::string& t) { return parseNumber<double>(t).has_value(); }));
    sub->add_option("--seed", options->seed, "Seed of the generator, 0 to 4294967295 (default 0)")
        ->check(numberValidator("an integer from 0 to 4294967295", [](const std::string& t) {
            auto seed = parseNumber<std::uint64_t>(t);
            return seed && *seed <= std::numeric_limits<std::uint32_t>::max();
        }));
    return {sub, [options] {
                return runSim(options->model, *parseNumber<std::int64_t>(options->runs),
                              *parseNumber<double>(options->horizon),
                              static_cast<std::uint32_t>(*parseNumber<std::uint64_t>(options->seed)));
            }};
}

}  // namespace drova::cli
