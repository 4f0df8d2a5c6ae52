// drova sim MODEL --runs N --horizon T [--seed S] [--stream matlab|philox] [--threads N]
//                 [--summary | --json] [--times T1,...] [--csv FILE]:
// simulates a GSMS and prints the first-passage times, one per line, or their statistics.
//
// MODEL is a .gsms file (mapped by simulate/GsmsToSim.hpp), or a JSON document
// that mirrors the MATLAB structure gsms (formats/SimModelJson.hpp). Both are
// brought into the simulator's records, then into the host's values, and
// handed to the module's entry as MATLAB would.
//
// Two streams of random numbers. "matlab" (the default) is the MATLAB session's default stream:
// the module Drovasim runs every run on one thread, exactly as a MATLAB call does. "philox" gives
// every run a substream of its own keyed by the seed and the run's index
// (simulate/PhiloxStream.hpp), so that the runs can be shared out among threads (and, in
// drova-mpi, among processes) with the same result for any number of them. The module's entry
// still checks the structure first, with no runs, so that both streams refuse the same models
// with the same errors.

#include "cli/Commands.hpp"
#include "cli/ProgressLine.hpp"
#include "cli/SimReport.hpp"
#include "formats/InputFile.hpp"
#include "formats/SimModelJson.hpp"
#include "formats/ModelFile.hpp"
#include "modules/sim/GsmsStructure.hpp"
#include "simulate/GsmsToSim.hpp"
#include "simulate/KeyedRuns.hpp"
#include "simulate/RunStatistics.hpp"

#include "host/LoadedModule.hpp"
#include "host/MatlabData.hpp"
#include "host/classic/ClassicError.hpp"
#include "host/classic/ClassicModule.hpp"
#include "host/classic/ClassicRandom.hpp"
#include "host/classic/ClassicRuntime.hpp"
#include "host/classic/InterruptForwarding.hpp"

#ifdef DROVA_MPI
#include "cli/mpi/SimMpi.hpp"
#endif

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace drova::cli {

namespace {

namespace md = matlab::data;

SimModel readModel(const std::string& path) {
    std::ifstream in = openInputFile(path, std::ios::binary);
    if (!in.is_open()) throw std::runtime_error(cannotOpenMessage(path));
    if (std::filesystem::path(path).extension() == ".gsms" || isNetPath(path)) {
        GsmsNameLines lines;
        const Gsms model = drova::readModel(in, path, &lines);
        return simModelOf(model, &lines);
    }
    return readSimModelJson(in);
}

// The kinds of timer only a GSMS file gives, which the module (and so the matlab stream) does not
// draw: the matlab stream refuses them, naming the first such timer; for the philox stream the
// module checks the structure with an exponential timer in their place (their parameters were
// checked when the file was read).
SimModel forTheModule(const SimModel& model, bool philox) {
    static const char* const Names[] = {"Erl", "HypoExp", "HyperExp", "Expoly", "Weibull", "Gamma", "Normal"};
    SimModel checked = model;
    for (std::size_t k = 0; k < checked.Distributions.size(); ++k) {
        SimDistribution& dist = checked.Distributions[k];
        if (!isGsmsOnlyType(dist.type)) continue;
        if (!philox)
            throw std::invalid_argument("Timer " + std::to_string(k) + " is " +
                                        Names[static_cast<int>(dist.type) - static_cast<int>(DistType::Erlang)] +
                                        ", which the matlab stream does not draw (the module draws Deg, Exp, Uni and "
                                        "Lognormal only); use --stream philox");
        dist = {DistType::Exp, {1.0}};
    }
    return checked;
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

struct SimRequest {
    std::string model;
    std::int64_t runs = 0;
    double horizon = 0.0;
    std::uint32_t seed = 0;
    bool philox = false;
    int threads = 0;  // 0: the default
    bool summary = false;
    bool json = false;
    std::vector<double> times;
    std::string csv;  // empty: none; "-": standard output
};

// The runs on keyed substreams; failures are reported as the module reports them.
std::vector<double> simulateKeyed(const SimRequest& request, const SimModel& model) {
    std::atomic<std::int64_t> done{0};
    KeyedRunOptions options = keyedRunOptions(request.seed, request.threads, done);
    std::int64_t runs = request.runs;
#ifdef DROVA_MPI
    const mpi::Block block = mpi::blockOf(request.runs);
    options.firstRun = block.first;
    runs = block.count;
    if (request.threads == 0) options.threads = mpi::defaultThreads();
#endif
    KeyedRunsResult result;
    {
        InterruptForwarding interrupts;
        ProgressLine progress(runs, &done);
        result = simulateKeyedRuns(runs, request.horizon, model, options);
    }
#ifdef DROVA_MPI
    result = mpi::gatherAtRoot(std::move(result));
#endif
    raiseRunFailure(result);
    return std::move(result.times);
}

void writeOut(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

void writeResults(const SimRequest& request, const std::vector<double>& times) {
    if (!request.csv.empty() && request.csv != "-") {
        std::ofstream csv(request.csv, std::ios::binary);
        csv << timesCsv(times);
        csv.close();
        if (!csv) throw std::runtime_error("Cannot write the CSV file " + request.csv);
    }
    if (request.summary || request.json) {
        const RunSummary summary = summariseRuns(request.runs, times, request.times);
        writeOut(request.summary ? summaryText(summary, request.horizon)
                                 : summaryJson(summary, request.horizon,
                                               {request.philox ? "philox" : "matlab", request.seed}));
    } else if (request.csv == "-") {
        writeOut(timesCsv(times));
    } else if (request.csv.empty()) {
        writeOut(timesText(times));
    }
}

int usageError(const std::string& message) {
    std::cerr << message << '\n';
    return ExitUsage;
}

std::string withIdentifier(const std::string& message, const std::string& identifier) {
    return identifier.empty() ? message : message + " (" + identifier + ")";
}

int runSim(const SimRequest& request) {
#ifdef DROVA_MPI
    mpi::Session session;
    // Every process meets the same checks; the first one alone speaks.
    auto fail = [&](const std::string& message) { return session.root() ? reportFailure(message) : ExitFailure; };
    if (!request.philox && session.ranks() > 1)
        return session.root() ? usageError("--stream matlab runs in one process; use --stream philox") : ExitUsage;
#else
    auto fail = [](const std::string& message) { return reportFailure(message); };
#endif
    // What the command is doing, for a message when memory runs out.
    const char* doing = "reading the model";
    try {
        const SimModel model = readModel(request.model);
        doing = "passing the model to the simulator";
        const md::Array gsms = sim::hostValueOf(forTheModule(model, request.philox));
        doing = "simulating";
        std::vector<double> times;
        if (!request.philox) {
            classicSeedGenerator(request.seed);
            times = simulate(request.runs, request.horizon, gsms);
        } else {
            // Ctrl-C is taken from the checks on, so that none falls between them and the runs.
            InterruptForwarding interrupts;
            simulate(std::min<std::int64_t>(request.runs, 0), request.horizon, gsms);
            times = simulateKeyed(request, model);
        }
#ifdef DROVA_MPI
        if (!session.root()) return 0;
#endif
        doing = "printing the results";
        writeResults(request, times);
    } catch (const std::bad_alloc&) {
        return fail(std::string("Out of memory while ") + doing);
    } catch (const ClassicError& e) {
        return fail(withIdentifier(e.what(), e.identifier()));
    } catch (const HostError& e) {
        return fail(withIdentifier(e.what(), e.identifier()));
    } catch (const std::exception& e) {
        return fail(e.what());
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

constexpr int MaxThreads = 4096;

}  // namespace

RegisteredCommand addSimCommand(CLI::App& app) {
    CLI::App* sub = app.add_subcommand("sim", "Simulate a GSMS and print the first-passage times to its down states");
    struct Options {
        std::string model, runs, horizon, seed = "0", stream = "matlab", threads, csv;
        std::vector<std::string> times;
        bool summary = false, json = false;
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
    sub->add_option("--stream", options->stream,
                    "Random numbers: matlab (default), the MATLAB default stream on one thread, as the module "
                    "draws in MATLAB; philox, a substream per run keyed by seed and run, the same for any number "
                    "of threads")
        ->check(CLI::IsMember({"matlab", "philox"}));
    sub->add_option("--threads", options->threads,
                    "Threads of the philox stream (default: all cores; the matlab stream runs on one)")
        ->check(numberValidator("an integer from 1 to 4096", [](const std::string& t) {
            auto threads = parseNumber<int>(t);
            return threads && *threads >= 1 && *threads <= MaxThreads;
        }));
    CLI::Option* summary = sub->add_flag("--summary", options->summary,
                                         "Print the statistics of the runs instead of the times");
    CLI::Option* json = sub->add_flag("--json", options->json, "Print the statistics as one JSON object");
    summary->excludes(json);
    sub->add_option("--times", options->times,
                    "With --summary or --json: the failure probability at these times (T1,T2,...)")
        ->delimiter(',')
        ->check(numberValidator("a number", [](const std::string& t) {
            auto time = parseNumber<double>(t);
            return time && !std::isnan(*time);
        }));
    sub->add_option("--csv", options->csv, "Write the times as CSV to FILE (-: standard output)");
    sub->footer("Prints the time at which each run first entered a down state, one per line, or with --summary or\n"
                "--json the statistics of the runs.\n\n"
                "Examples:\n  drova sim examples/machine.gsms --runs 10 --horizon 1000 --seed 1\n"
                "  drova sim examples/redundant.gsms --runs 100000 --horizon inf --stream philox --summary");
    return {sub, [options] {
                SimRequest request;
                request.model = options->model;
                request.runs = *parseNumber<std::int64_t>(options->runs);
                request.horizon = *parseNumber<double>(options->horizon);
                request.seed = static_cast<std::uint32_t>(*parseNumber<std::uint64_t>(options->seed));
                request.philox = options->stream == "philox";
                request.threads = options->threads.empty() ? 0 : *parseNumber<int>(options->threads);
                request.summary = options->summary;
                request.json = options->json;
                for (const std::string& t : options->times) request.times.push_back(*parseNumber<double>(t));
                request.csv = options->csv;
                if (!request.philox && request.threads > 1)
                    return usageError("--threads: the matlab stream runs on one thread; use --stream philox");
                if (!request.times.empty() && !request.summary && !request.json)
                    return usageError("--times: needs --summary or --json");
                if (request.csv == "-" && (request.summary || request.json))
                    return usageError("--csv -: standard output already carries the summary; give a file");
                return runSim(request);
            }};
}

}  // namespace drova::cli
