// drova konv: calls the Drovakonv module as MATLAB would, through its exported entries.
//
//     drova konv MODEL --path T1,T2,... --dest D1,D2,...
//     drova konv MODEL --time-bound X --threshold Y [--collect]
//
// with --max-terms N in either form: the module's "MaxTerms" option.

#include "algebra/MessageText.hpp"
#include "cli/Budget.hpp"
#include "cli/Commands.hpp"
#include "formats/InputFile.hpp"
#include "formats/ModelFile.hpp"
#include "host/LoadedModule.hpp"
#include "host/Sym.hpp"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <iostream>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <string>
#include <vector>

namespace drova::cli {

namespace {

struct KonvOptions {
    std::string model;
    std::string path;
    std::string destinations;
    std::string timeBound;
    double threshold = 0;
    bool collect = false;
    std::int64_t maxTerms = 0;  // 0: the module's default
    // Which options were given.
    CLI::Option* pathOption = nullptr;
    CLI::Option* destinationsOption = nullptr;
    CLI::Option* timeBoundOption = nullptr;
    CLI::Option* thresholdOption = nullptr;
};

// A comma-separated list of 64-bit integers; the empty text is the empty list.
std::optional<std::vector<std::int64_t>> parseNumbers(const std::string& text) {
    std::vector<std::int64_t> numbers;
    if (text.empty()) return numbers;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = std::min(text.find(',', start), text.size());
        std::int64_t value = 0;
        const char* first = text.data() + start;
        const char* last = text.data() + end;
        const auto [stop, error] = std::from_chars(first, last, value);
        if (first == last || error != std::errc() || stop != last) return std::nullopt;
        numbers.push_back(value);
        if (end == text.size()) return numbers;
        start = end + 1;
    }
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The length of the run of digits at the start of `text`.
std::size_t digitRun(std::string_view text) {
    std::size_t n = 0;
    while (n < text.size() && isDigit(text[n])) ++n;
    return n;
}

bool allDigits(std::string_view text) { return !text.empty() && digitRun(text) == text.size(); }

// An integer, a fraction p/q or a decimal such as -2.75, read exactly. The text is scanned
// in one pass: its length is the user's to choose, so no backtracking matcher reads it. A number
// of more digits than parseRational reads throws its std::invalid_argument.
std::optional<Rational> parseTimeBound(const std::string& text) {
    std::string_view rest = text;
    const bool negative = !rest.empty() && rest.front() == '-';
    if (negative) rest.remove_prefix(1);
    const std::size_t whole = digitRun(rest);
    const std::string_view after = rest.substr(whole);
    if (whole > 0 && (after.empty() || (after.front() == '/' && allDigits(after.substr(1))))) {
        try {
            return parseRational(text);
        } catch (const std::overflow_error&) {
            return std::nullopt;  // a zero denominator
        }
    }
    if (after.empty() || after.front() != '.' || !allDigits(after.substr(1))) return std::nullopt;
    // 2.75 is 275/100; parseRational reads "0275" as decimal.
    const std::string_view fraction = after.substr(1);
    const std::string scale = "1" + std::string(fraction.size(), '0');
    return parseRational((negative ? "-" : "") + std::string(rest.substr(0, whole)) + std::string(fraction) + "/" +
                         scale);
}

int usageError(const std::string& message) {
    std::cerr << message << '\n' << "Run with --help for more information.\n";
    return ExitUsage;
}

std::string counted(std::size_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

// The steps of --path and --dest against the model, in the numbers the user wrote (from 1). A
// model that cannot be read is left to the module, which reports it.
std::optional<std::string> pathMistake(const std::string& modelPath, const std::vector<std::int64_t>& transitions,
                                       const std::vector<std::int64_t>& destinations) {
    Gsms model;
    try {
        std::ifstream in = openInputFile(modelPath);
        model = readModel(in, modelPath);
    } catch (const std::exception&) {
        return std::nullopt;
    }
    const auto transitionCount = static_cast<std::int64_t>(model.transitionCount());
    for (std::size_t step = 0; step < transitions.size(); ++step) {
        const std::string stepText = "step " + std::to_string(step + 1);
        const std::int64_t transition = transitions[step];
        if (transition < 1 || transition > transitionCount)
            return "--path: " + stepText + " is transition " + std::to_string(transition) + ", but " +
                   (transitionCount == 0 ? std::string("the model has no transitions")
                                         : "the transitions are numbered 1 to " + std::to_string(transitionCount));
        const std::size_t count = model.transition(static_cast<std::uint64_t>(transition - 1)).destinations.size();
        const std::int64_t destination = destinations[step];
        if (destination < 1 || destination > static_cast<std::int64_t>(count))
            return "--dest: " + stepText + " takes destination " + std::to_string(destination) + " of transition " +
                   std::to_string(transition) + ", which has " + counted(count, "destination", "destinations") +
                   (count == 0 ? "" : count == 1 ? " (number 1)" : " (numbered 1 to " + std::to_string(count) + ")");
    }
    return std::nullopt;
}

int runKonv(const KonvOptions& options) {
    const bool hasPath = options.pathOption->count() > 0;
    const bool hasDestinations = options.destinationsOption->count() > 0;
    const bool hasTimeBound = options.timeBoundOption->count() > 0;
    const bool hasThreshold = options.thresholdOption->count() > 0;
    const bool pathVariant = hasPath || hasDestinations;
    const bool matrixVariant = hasTimeBound || hasThreshold || options.collect;
    if (pathVariant == matrixVariant)
        return usageError("Give either --path and --dest, or --time-bound and --threshold");

    const matlab::data::ArrayFactory factory;
    std::vector<matlab::data::Array> inputs{factory.createScalar(options.model)};
    if (pathVariant) {
        if (!hasPath || !hasDestinations) return usageError("--path and --dest go together");
        std::vector<std::vector<std::int64_t>> lists;
        for (const std::string* list : {&options.path, &options.destinations}) {
            const auto numbers = parseNumbers(*list);
            if (!numbers) return usageError("Not a comma-separated list of 64-bit integers: " + messageText(*list));
            inputs.push_back(factory.createArray<std::int64_t>({1, numbers->size()}, *numbers));
            lists.push_back(*numbers);
        }
        if (lists[0].size() != lists[1].size())
            return usageError("--path has " + counted(lists[0].size(), "step", "steps") + " but --dest has " +
                              counted(lists[1].size(), "destination", "destinations") +
                              "; give one destination per step");
        if (!openInputFile(options.model).is_open()) return reportFailure(cannotOpenMessage(options.model));
        if (const auto mistake = pathMistake(options.model, lists[0], lists[1])) return reportFailure(*mistake);
    } else {
        if (!hasTimeBound || !hasThreshold) return usageError("--time-bound and --threshold go together");
        std::optional<Rational> timeBound;
        try {
            timeBound = parseTimeBound(options.timeBound);
        } catch (const std::invalid_argument& e) {
            return reportFailure(e.what());  // more digits than are read
        }
        if (!timeBound) return usageError("Not an integer, fraction or decimal: " + messageText(options.timeBound));
        inputs.push_back(createSymScalar(*timeBound));
        inputs.push_back(factory.createScalar(options.threshold));
        inputs.push_back(factory.createScalar(options.collect));
        if (!openInputFile(options.model).is_open()) return reportFailure(cannotOpenMessage(options.model));
    }
    if (options.maxTerms > 0) {
        inputs.push_back(factory.createScalar("MaxTerms"));
        inputs.push_back(factory.createScalar(options.maxTerms));
    }

    try {
        LoadedModule konv(LoadedModule::defaultPath("Drovakonv"));
        const std::vector<matlab::data::Array> outputs = konv.call(1, std::move(inputs));
        const std::string text = matlab::data::StringArray(outputs.at(0))[0];
        std::cout << text << '\n';
    } catch (const std::bad_alloc&) {
        return reportFailure(pathVariant ? "Out of memory while computing the expression of the path"
                                         : "Out of memory while computing the kernel matrix");
    } catch (const std::exception& e) {
        return reportFailure(e.what());
    }
    return 0;
}

}  // namespace

RegisteredCommand addKonvCommand(CLI::App& app) {
    CLI::App* sub = app.add_subcommand(
        "konv", "Compute the expression of one path, or the SMS kernel matrix, of a GSMS file (module Drovakonv)");
    auto options = std::make_shared<KonvOptions>();
    sub->add_option("MODEL", options->model, "GSMS text file, or a net (.toml); not JSON (for drova sim only)")->required();
    options->pathOption =
        sub->add_option("--path", options->path, "1-based transition numbers of the path, comma-separated");
    options->destinationsOption = sub->add_option(
        "--dest", options->destinations, "1-based destination numbers of the path's steps, comma-separated");
    options->timeBoundOption = sub->add_option(
        "--time-bound", options->timeBound,
        "time at which paths are valued for truncation: integer, p/q or decimal; 0 turns truncation off");
    options->thresholdOption =
        sub->add_option("--threshold", options->threshold, "paths valued at most this much are cut off");
    sub->add_flag("--collect", options->collect, "collect the cut-off paths in an extra last column");
    addBudgetOptions(*sub);
    sub->add_option("--max-terms", options->maxTerms,
                    "most terms any expression of the computation may hold (default 500000); the computation may "
                    "produce ten times as many")
        ->check(CLI::Range(std::int64_t{1}, std::numeric_limits<std::int64_t>::max()));
    sub->footer("Forms:\n"
                "  drova konv MODEL --path T1,T2,... --dest D1,D2,...                 one path's expression\n"
                "  drova konv MODEL --time-bound X --threshold Y [--collect]          the SMS kernel matrix\n\n"
                "Example:\n  drova konv examples/machine.gsms --path 1,2 --dest 1,1");
    return {sub, [options] { return runKonv(*options); }};
}

}  // namespace drova::cli
