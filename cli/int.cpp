// drova int FILE.json: evaluates a nested integral with the Drovaint module. The JSON file
// (formats/IntegralJson.hpp) describes the module's two arrays of ExpolyIntegral objects; drova
// builds them as a MATLAB caller holds them (modules/int/IntegralCallObjects.hpp), calls the
// module through its exports and prints the string it returns.

#include "cli/Commands.hpp"
#include "formats/InputFile.hpp"
#include "formats/IntegralJson.hpp"
#include "host/LoadedModule.hpp"
#include "modules/int/IntegralCallObjects.hpp"

#include <cstdint>
#include <iostream>
#include <limits>
#include <iterator>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace drova::cli {

namespace {

using namespace matlab::data;
using namespace drova::integrate;

std::string readAll(std::istream& in) { return std::string(std::istreambuf_iterator<char>(in), {}); }

int runInt(const std::string& path, std::int64_t maxTerms) {
    // What the command is doing, for a message when memory runs out.
    const char* doing = "reading the JSON document";
    try {
        std::string text;
        if (path == "-") {
            text = readAll(std::cin);
        } else {
            std::ifstream in = openInputFile(path, std::ios::binary);
            if (!in.is_open()) return reportFailure(cannotOpenMessage(path));
            text = readAll(in);
        }
        const IntegralCallDescription call = readIntegralJson(text);
        doing = "building the integral objects";
        std::vector<Array> inputs = integralCallInputs(call);
        if (maxTerms > 0) {
            const ArrayFactory factory;
            inputs.push_back(factory.createScalar("MaxTerms"));
            inputs.push_back(factory.createScalar(maxTerms));
        }

        doing = "evaluating the integrals";
        LoadedModule drovaint(LoadedModule::defaultPath("Drovaint"));
        const std::vector<Array> outputs = drovaint.call(1, std::move(inputs));
        doing = "printing the result";
        std::cout << std::string(StringArray(outputs.at(0))[0]) << '\n';
    } catch (const std::bad_alloc&) {
        return reportFailure(std::string("Out of memory while ") + doing);
    } catch (const std::exception& e) {
        return reportFailure(e.what());
    }
    return 0;
}

}  // namespace

RegisteredCommand addIntCommand(CLI::App& app) {
    CLI::App* sub = app.add_subcommand("int", "Evaluate a nested integral of distribution densities with Drovaint");
    auto path = std::make_shared<std::string>();
    sub->add_option("FILE", *path, "JSON description of the ExpolyIntegral objects, or - for standard input")
        ->required();
    sub->footer("The file holds {\"proper\": [OBJ, ...], \"improper\": [OBJ, ...]}, each OBJ an ExpolyIntegral such as\n"
                "{\"Distribution\": \"Exp(3)\", \"Vars\": \"y\", \"Var\": \"y\", \"A\": \"0\", \"B\": \"t\"} (see the README).\n\n"
                "Example:\n  drova int tests/data/int/worked-example-short.json");
    auto maxTerms = std::make_shared<std::int64_t>(0);  // 0: the module's default
    sub->add_option("--max-terms", *maxTerms,
                    "most terms any expression of the integration may hold (default 500000); the integration may "
                    "produce ten times as many")
        ->check(CLI::Range(std::int64_t{1}, std::numeric_limits<std::int64_t>::max()));
    return {sub, [path, maxTerms] { return runInt(*path, *maxTerms); }};
}

}  // namespace drova::cli
