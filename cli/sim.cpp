// drova sim MODEL --runs N --horizon T [--seed S]: simulates a GSMS through the
// module Drovasim and prints the first-passage times, one per line.
//
// MODEL is a .gsms file, or a JSON document that mirrors the MATLAB structure
// gsms (1-based indices). Both are brought into the simulator's records, then
// into the host's values, and handed to the module's entry as MATLAB would.

#include "cli/Commands.hpp"
#include "distributions/Degenerate.hpp"
#include "distributions/Exponential.hpp"
#include "distributions/Uniform.hpp"
#include "gsms/ReadGsms.hpp"
#include "simulate/SimModel.hpp"

#include "host/LoadedModule.hpp"
#include "host/MatlabData.hpp"
#include "host/classic/ClassicError.hpp"
#include "host/classic/ClassicModule.hpp"
#include "host/classic/ClassicRandom.hpp"
#include "host/classic/ClassicRuntime.hpp"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

namespace md = matlab::data;
using nlohmann::json;

// A model file that cannot be simulated; the message says why.
class ModelError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

const char* const DistTypeNames[] = {"Deg", "Exp", "Uni", "Lognormal"};

// ---- JSON model ----------------------------------------------------------

// Reads the JSON document; every mismatch names the path of the value, such
// as gsms.States(2).DownState, and what was expected there.
class JsonModelReader {
public:
    static SimModel read(const json& document) {
        const std::string root = "gsms";
        requireKeys(document, root, {"Name", "States", "Initial", "Distributions", "Transitions"});
        SimModel model;
        model.Name = text(document["Name"], root + ".Name");
        forEach(document["States"], root + ".States", [&](const json& item, const std::string& path) {
            requireKeys(item, path, {"Name", "DownState", "Transitions"});
            model.States.push_back({text(item["Name"], path + ".Name"), flag(item["DownState"], path + ".DownState"),
                                    integers(item["Transitions"], path + ".Transitions")});
        });
        const json& initial = document["Initial"];
        requireKeys(initial, root + ".Initial", {"InitialState", "InitialTimers"});
        model.Initial = {integer(initial["InitialState"], root + ".Initial.InitialState"),
                         integers(initial["InitialTimers"], root + ".Initial.InitialTimers")};
        forEach(document["Distributions"], root + ".Distributions", [&](const json& item, const std::string& path) {
            requireKeys(item, path, {"type", "parameters"});
            model.Distributions.push_back({distType(item["type"], path + ".type"),
                                           numbers(item["parameters"], path + ".parameters")});
        });
        forEach(document["Transitions"], root + ".Transitions", [&](const json& item, const std::string& path) {
            requireKeys(item, path, {"Source", "Distributions", "Destinations"});
            SimTransition transition{integer(item["Source"], path + ".Source"),
                                     integers(item["Distributions"], path + ".Distributions"), {}};
            forEach(item["Destinations"], path + ".Destinations", [&](const json& d, const std::string& dPath) {
                requireKeys(d, dPath, {"Target", "Probability", "New"});
                transition.Destinations.push_back({integer(d["Target"], dPath + ".Target"),
                                                   number(d["Probability"], dPath + ".Probability"),
                                                   integers(d["New"], dPath + ".New")});
            });
            model.Transitions.push_back(std::move(transition));
        });
        return model;
    }

private:
    [[noreturn]] static void fail(const std::string& path, const std::string& expected) {
        throw ModelError(path + ": expected " + expected);
    }

    // An object with exactly these keys.
    static void requireKeys(const json& value, const std::string& path, std::initializer_list<const char*> keys) {
        std::string list;
        for (const char* key : keys) list += std::string(list.empty() ? "" : ", ") + key;
        if (!value.is_object()) fail(path, "an object with the keys " + list);
        for (const char* key : keys)
            if (!value.contains(key)) fail(path, "the key " + std::string(key) + " (the keys are " + list + ")");
        for (const auto& [key, item] : value.items())
            if (std::find_if(keys.begin(), keys.end(), [&](const char* k) { return key == k; }) == keys.end())
                throw ModelError(path + "." + key + ": unexpected key (expected only " + list + ")");
    }

    template <class Each>
    static void forEach(const json& value, const std::string& path, Each each) {
        if (!value.is_array()) fail(path, "a list of objects");
        for (std::size_t i = 0; i < value.size(); ++i) each(value[i], path + "(" + std::to_string(i + 1) + ")");
    }

    static std::string text(const json& value, const std::string& path) {
        if (!value.is_string()) fail(path, "a text");
        const std::string& s = value.get_ref<const std::string&>();
        for (char c : s)
            if (static_cast<unsigned char>(c) > 0x7F) fail(path, "a text of ASCII characters");
        return s;
    }

    static bool flag(const json& value, const std::string& path) {
        if (!value.is_boolean()) fail(path, "true or false");
        return value.get<bool>();
    }

    static std::int64_t integer(const json& value, const std::string& path) {
        if (value.is_number_unsigned() && value.get<std::uint64_t>() > std::numeric_limits<std::int64_t>::max())
            fail(path, "an integer of at most 64 bits");
        if (!value.is_number_integer()) fail(path, "an integer");
        return value.get<std::int64_t>();
    }

    static double number(const json& value, const std::string& path) {
        if (!value.is_number()) fail(path, "a number");
        return value.get<double>();
    }

    static std::vector<std::int64_t> integers(const json& value, const std::string& path) {
        if (!value.is_array()) fail(path, "a list of integers");
        std::vector<std::int64_t> result;
        for (std::size_t i = 0; i < value.size(); ++i)
            result.push_back(integer(value[i], path + "(" + std::to_string(i + 1) + ")"));
        return result;
    }

    static std::vector<double> numbers(const json& value, const std::string& path) {
        if (!value.is_array()) fail(path, "a list of numbers");
        std::vector<double> result;
        for (std::size_t i = 0; i < value.size(); ++i)
            result.push_back(number(value[i], path + "(" + std::to_string(i + 1) + ")"));
        return result;
    }

    static DistType distType(const json& value, const std::string& path) {
        for (int i = 0; i < 4; ++i)
            if ((value.is_string() && value.get_ref<const std::string&>() == DistTypeNames[i]) ||
                (value.is_number_integer() && value.get<std::int64_t>() == i + 1))
                return static_cast<DistType>(i + 1);
        fail(path, "Deg, Exp, Uni or Lognormal, or their values 1 to 4");
    }
};

// ---- GSMS file -----------------------------------------------------------

// The nearest double to an exact rational (round half to even).
double nearestDouble(const Rational& value) {
    BigInt n = abs(numerator(value));
    const BigInt d = denominator(value);
    if (n == 0) return 0.0;
    // Scale so that the integer quotient has 63 or 64 bits; the remainder
    // becomes a sticky bit far below the rounding position.
    const long shift = 63 - (static_cast<long>(msb(n)) - static_cast<long>(msb(d)));
    BigInt num = shift >= 0 ? BigInt(n << shift) : n;
    BigInt den = shift >= 0 ? d : BigInt(d << -shift);
    BigInt remainder;
    BigInt quotient;
    divide_qr(num, den, quotient, remainder);
    auto bits = quotient.convert_to<std::uint64_t>() | (remainder != 0 ? 1u : 0u);
    const double magnitude = std::ldexp(static_cast<double>(bits), static_cast<int>(-shift));
    return value < 0 ? -magnitude : magnitude;
}

std::vector<std::int64_t> oneBased(const std::vector<std::uint64_t>& indices) {
    std::vector<std::int64_t> result;
    for (std::uint64_t index : indices) result.push_back(static_cast<std::int64_t>(index) + 1);
    return result;
}

SimDistribution simDistribution(const Distribution& timer) {
    if (const auto* exp = dynamic_cast<const Exponential*>(&timer)) return {DistType::Exp, {nearestDouble(exp->rate())}};
    if (const auto* deg = dynamic_cast<const Degenerate*>(&timer)) return {DistType::Deg, {nearestDouble(deg->delay())}};
    const auto& uni = dynamic_cast<const Uniform&>(timer);
    return {DistType::Uni, {nearestDouble(uni.lower()), nearestDouble(uni.upper())}};
}

// The file's model in the simulator's terms: a state's transitions are the
// ones leaving it in file order, the initial timers are the initial state's
// active timers (which must start at age 0), and every index counts from 1.
SimModel simModelOf(const Gsms& gsms) {
    SimModel model;
    model.Name = gsms.name();
    for (std::uint64_t s = 0; s < gsms.stateCount(); ++s) {
        SimState state{gsms.state(s).name, gsms.state(s).flag, {}};
        for (std::uint64_t t = 0; t < gsms.transitionCount(); ++t)
            if (gsms.transition(t).source == s) state.Transitions.push_back(static_cast<std::int64_t>(t) + 1);
        model.States.push_back(std::move(state));
    }
    const std::uint64_t initial = gsms.initialState();
    const GsmsState& start = gsms.state(initial);
    for (std::size_t k = 0; k < start.activeTimers.size(); ++k) {
        const std::optional<Rational>& age = start.delays[k];
        if (!age || *age != 0)
            throw ModelError("Timer " + std::to_string(start.activeTimers[k]) + " of the initial state " +
                             std::to_string(initial) + " (" + start.name + ") has " +
                             (age ? "age " + toText(*age) : std::string("an unknown age")) +
                             " on entry; a simulation starts every timer of the initial state at age 0");
    }
    model.Initial = {static_cast<std::int64_t>(initial) + 1, oneBased(start.activeTimers)};
    for (std::uint64_t i = 0; i < gsms.timerCount(); ++i) model.Distributions.push_back(simDistribution(gsms.timer(i)));
    for (const GsmsTransition& t : gsms.transitions()) {
        SimTransition transition{static_cast<std::int64_t>(t.source) + 1, oneBased(t.timers), {}};
        for (const GsmsDestination& d : t.destinations)
            transition.Destinations.push_back(
                {static_cast<std::int64_t>(d.target) + 1, nearestDouble(d.probability), oneBased(d.restartedTimers)});
        model.Transitions.push_back(std::move(transition));
    }
    return model;
}

SimModel readModel(const std::string& path) {
    std::error_code error;
    std::ifstream in;
    if (!std::filesystem::is_directory(path, error)) in.open(path, std::ios::binary);
    if (!in.is_open()) throw ModelError("Cannot open the model file " + path);
    if (std::filesystem::path(path).extension() == ".gsms") return simModelOf(readGsms(in));
    json document;
    try {
        document = json::parse(in);
    } catch (const json::parse_error& e) {
        // The library's text starts with its own tag in brackets.
        std::string what = e.what();
        if (auto end = what.find("] "); what.starts_with("[") && end != std::string::npos) what.erase(0, end + 2);
        throw ModelError("Could not read the JSON model: " + what);
    }
    return JsonModelReader::read(document);
}

// ---- Host values -----------------------------------------------------------

md::Array int64Row(const std::vector<std::int64_t>& values) {
    return md::ArrayFactory().createArray<std::int64_t>({1, values.size()}, values);
}

md::Array textScalar(const std::string& text) { return md::ArrayFactory().createScalar(text); }

// A 1-by-n structure row; fill sets the fields of element i.
template <class Item, class Fill>
md::Array structRow(const std::vector<Item>& items, std::vector<std::string> fields, Fill fill) {
    md::StructArray row = md::ArrayFactory().createStructArray({1, items.size()}, std::move(fields));
    for (std::size_t i = 0; i < items.size(); ++i) fill(row[i], items[i]);
    return row;
}

// The structure gsms as MATLAB holds it, with the enumeration class DistType.
md::Array hostValueOf(const SimModel& model) {
    md::ArrayFactory factory;
    const md::EnumerationClass distType{"DistType", {{"Deg", 1}, {"Exp", 2}, {"Uni", 3}, {"Lognormal", 4}}};
    md::StructArray gsms =
        factory.createStructArray({1, 1}, {"Name", "States", "Initial", "Distributions", "Transitions"});
    gsms[0]["Name"] = textScalar(model.Name);
    gsms[0]["States"] = structRow(model.States, {"Name", "DownState", "Transitions"},
                                  [&](md::Struct& s, const SimState& state) {
                                      s["Name"] = textScalar(state.Name);
                                      s["DownState"] = factory.createScalar(state.DownState);
                                      s["Transitions"] = int64Row(state.Transitions);
                                  });
    md::StructArray initial = factory.createStructArray({1, 1}, {"InitialState", "InitialTimers"});
    initial[0]["InitialState"] = factory.createScalar(model.Initial.InitialState);
    initial[0]["InitialTimers"] = int64Row(model.Initial.InitialTimers);
    gsms[0]["Initial"] = initial;
    gsms[0]["Distributions"] = structRow(
        model.Distributions, {"type", "parameters"}, [&](md::Struct& s, const SimDistribution& d) {
            s["type"] = factory.createEnumArray({1, 1}, distType, {DistTypeNames[static_cast<int>(d.type) - 1]});
            s["parameters"] = factory.createArray<double>({1, d.parameters.size()}, d.parameters);
        });
    gsms[0]["Transitions"] = structRow(
        model.Transitions, {"Source", "Distributions", "Destinations"}, [&](md::Struct& s, const SimTransition& t) {
            s["Source"] = factory.createScalar(t.Source);
            s["Distributions"] = int64Row(t.Distributions);
            s["Destinations"] = structRow(t.Destinations, {"Target", "Probability", "New"},
                                          [&](md::Struct& d, const SimDestination& destination) {
                                              d["Target"] = factory.createScalar(destination.Target);
                                              d["Probability"] = factory.createScalar(destination.Probability);
                                              d["New"] = int64Row(destination.New);
                                          });
        });
    return gsms;
}

// ---- The call ----------------------------------------------------------------

// While it lives, Ctrl-C asks the host to interrupt the module's call.
class InterruptRequests {
public:
    InterruptRequests() {
        struct sigaction action {};
        action.sa_handler = [](int) { classicRequestInterrupt(); };
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &previous_);
    }
    ~InterruptRequests() { sigaction(SIGINT, &previous_, nullptr); }
    InterruptRequests(const InterruptRequests&) = delete;
    InterruptRequests& operator=(const InterruptRequests&) = delete;

private:
    struct sigaction previous_ {};
};

// While stderr is a terminal, a call that takes more than a second shows a
// line with the elapsed time, rewritten every second and erased at the end.
// The module's call is one indivisible step for the host, so the line counts
// time, not runs.
class ProgressLine {
public:
    explicit ProgressLine(std::int64_t runs) {
        if (isatty(STDERR_FILENO) != 1) return;
        watcher_ = std::thread([this, runs] { watch(runs); });
    }
    ~ProgressLine() {
        if (!watcher_.joinable()) return;
        {
            std::lock_guard lock(mutex_);
            done_ = true;
        }
        wake_.notify_one();
        watcher_.join();
        if (shown_) std::fputs("\r\033[K", stderr);
    }
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

private:
    void watch(std::int64_t runs) {
        std::unique_lock lock(mutex_);
        for (int seconds = 1; !wake_.wait_for(lock, std::chrono::seconds(1), [this] { return done_; }); ++seconds) {
            std::fprintf(stderr, "\rdrova sim: %lld runs, %d s (Ctrl-C stops)", static_cast<long long>(runs), seconds);
            std::fflush(stderr);
            shown_ = true;
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    bool done_ = false;
    bool shown_ = false;
    std::thread watcher_;
};

std::vector<double> simulate(std::int64_t runs, double horizon, const md::Array& gsms) {
    LoadedClassicModule module(LoadedClassicModule::defaultPath("Drovasim"));
    md::ArrayFactory factory;
    std::vector<md::Array> outputs;
    {
        InterruptRequests interrupts;
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
    try {
        const md::Array gsms = hostValueOf(readModel(modelPath));
        classicSeedGenerator(seed);
        printTimes(simulate(runs, horizon, gsms));
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
