// drova int FILE.json: evaluates a nested integral with the Drovaint module. The JSON file
// (formats/IntegralJson.hpp) describes the module's two arrays of ExpolyIntegral objects; drova
// builds them as a MATLAB caller holds them (modules/int/ExpolyIntegralObjects.hpp), calls the
// module through its exports and prints the string it returns.

#include "cli/Commands.hpp"
#include "formats/InputFile.hpp"
#include "formats/IntegralJson.hpp"
#include "host/LoadedModule.hpp"
#include "modules/int/ExpolyIntegralObjects.hpp"

#include <iostream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace drova::cli {

namespace {

using namespace matlab::data;
using namespace drova::integrate;

// The host value of a JSON value kept as given: a 1-by-n row of its kind (a scalar is 1-by-1),
// or the empty 0-by-0 double.
Array hostValue(const GivenValue& given) {
    const ArrayFactory factory;
    if (given.empty) return factory.createArray<double>({0, 0});
    switch (given.kind) {
    case GivenValue::Kind::Double:
        return factory.createArray<double>({1, given.numbers.size()}, given.numbers);
    case GivenValue::Kind::Logical: {
        std::vector<bool> flags(given.logicals.begin(), given.logicals.end());
        return factory.createArray<bool>({1, flags.size()}, flags);
    }
    case GivenValue::Kind::Enumeration:
        return makeDistributionTypeArray(given.texts);
    case GivenValue::Kind::String:
        break;
    }
    std::vector<MATLABString> texts;
    for (const std::string& text : given.texts) texts.emplace_back(utf8ToUtf16(text));
    const std::size_t count = texts.size();
    return factory.createArray<MATLABString>({1, count}, std::move(texts));
}

// The object with the properties kept as given in place of those built from the fields.
Object withGiven(Object object, const GivenProperties& given) {
    for (const auto& [name, value] : given) object.setProperty(name, hostValue(value));
    return object;
}

ObjectArray withGiven(const ObjectArray& holder, const GivenProperties& given) {
    if (given.empty()) return holder;
    return ArrayFactory().createScalar(withGiven(Object(holder[0]), given));
}

// The objects of a description, each text in MATLAB's 16-bit units.
ObjectArray rationalObject(const RationalDescription& rational) {
    return withGiven(makeRationalObject(utf8ToUtf16(rational.numenator), utf8ToUtf16(rational.denominator)),
                     rational.given);
}

ObjectArray linearFormObject(const LinearFormDescription& form) {
    std::vector<std::u16string> names;
    for (const std::string& name : form.vars) names.push_back(utf8ToUtf16(name));
    return withGiven(makeLinearFormObject(form.varConstants, names, rationalObject(form.constant)), form.given);
}

ObjectArray distributionObject(const DistributionDescription& distribution) {
    std::vector<ObjectArray> parameters;
    for (const RationalDescription& parameter : distribution.rationalParameters)
        parameters.push_back(rationalObject(parameter));
    return withGiven(makeDistributionObject(distribution.distributionType, parameters, distribution.symbolic),
                     distribution.given);
}

Array integralArray(const std::vector<IntegralDescription>& descriptions, const GivenProperties& call,
                    const char* key) {
    if (auto found = call.find(key); found != call.end()) return hostValue(found->second);
    std::vector<Object> integrals;
    for (const IntegralDescription& integral : descriptions)
        integrals.push_back(withGiven(makeExpolyIntegral(distributionObject(integral.distribution),
                                                         linearFormObject(integral.vars), utf8ToUtf16(integral.var),
                                                         linearFormObject(integral.a), linearFormObject(integral.b)),
                                      integral.given));
    return makeExpolyIntegralArray(std::move(integrals));
}

std::string readAll(std::istream& in) { return std::string(std::istreambuf_iterator<char>(in), {}); }

int runInt(const std::string& path) {
    std::string text;
    if (path == "-") {
        text = readAll(std::cin);
    } else {
        std::ifstream in = openInputFile(path, std::ios::binary);
        if (!in.is_open()) return reportFailure(cannotOpenMessage(path));
        text = readAll(in);
    }
    try {
        const IntegralCallDescription call = readIntegralJson(text);
        std::vector<Array> inputs{integralArray(call.proper, call.given, "proper"),
                                  integralArray(call.improper, call.given, "improper")};

        LoadedModule drovaint(LoadedModule::defaultPath("Drovaint"));
        const std::vector<Array> outputs = drovaint.call(1, std::move(inputs));
        std::cout << std::string(StringArray(outputs.at(0))[0]) << '\n';
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
    return {sub, [path] { return runInt(*path); }};
}

}  // namespace drova::cli
