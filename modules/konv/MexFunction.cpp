#include "modules/konv/MexFunction.hpp"

#include "algebra/SymbolicText.hpp"
#include "convert/ConversionContext.hpp"
#include "convert/KernelMatrixText.hpp"
#include "formats/InputFile.hpp"
#include "formats/ModelFile.hpp"
#include "modules/ModelWarnings.hpp"
#include "modules/TermLimitOption.hpp"

#include <cstdint>
#include <new>
#include <stdexcept>
#include <utility>
#include <vector>

namespace drova::konv {

using matlab::data::Array;
using matlab::data::StringArray;
using matlab::data::TypedArray;
using matlab::mex::ArgumentList;

namespace {

bool isOneByOne(const Array& input) {
    const matlab::data::ArrayDimensions dims = input.getDimensions();
    return dims.size() == 2 && dims[0] == 1 && dims[1] == 1;
}

}  // namespace

MexFunction::MexFunction() : engine_(getEngine()) {}

namespace {

// Three or four inputs, each optionally followed by the pair "MaxTerms", N.
bool isPathVariant(const ArgumentList& inputs) { return inputs.size() == 3 || inputs.size() == 5; }
std::size_t requiredInputs(const ArgumentList& inputs) { return isPathVariant(inputs) ? 3 : 4; }

}  // namespace

void MexFunction::operator()(ArgumentList outputs, ArgumentList inputs) {
    checkInputs(inputs);
    const std::size_t maxTerms = termLimit(inputs);
    const bool path = isPathVariant(inputs);
    try {
        readModel(StringArray(inputs[0])[0]);
    } catch (const std::bad_alloc&) {
        throw std::runtime_error("Out of memory while reading the GSMS file");
    }
    warnOfAges(*engine_, model_);
    std::string text;
    try {
        text = path ? pathText(inputs, maxTerms) : matrixText(inputs, maxTerms);
    } catch (const std::bad_alloc&) {
        throw std::runtime_error(path ? "Out of memory while computing the expression of the path"
                                      : "Out of memory while computing the kernel matrix");
    }
    outputs[0] = factory_.createScalar(text);
}

std::size_t MexFunction::termLimit(const ArgumentList& inputs) {
    const std::size_t required = requiredInputs(inputs);
    if (inputs.size() == required) return DefaultTermLimit;
    const char* const ordinals[] = {"Fourth", "Fifth", "Sixth"};
    return readTermLimitOption(*engine_, inputs, required, ordinals[required - 3], ordinals[required - 2],
                               [this](const std::string& message) { raise(message); });
}

void MexFunction::checkInputs(const ArgumentList& inputs) {
    if (inputs.size() < 3 || inputs.size() > 6)
        raise("Three inputs (path, transitions, destinations) or four inputs (path, time bound, threshold, "
              "collect flag) required");
    requireClass(inputs[0], "First", "string", "");
    requireScalar(inputs[0], "First");
    if (isPathVariant(inputs)) {
        requireClass(inputs[1], "Second", "int64", " array");
        requireRow(inputs[1], "Second");
        requireClass(inputs[2], "Third", "int64", " array");
        requireRow(inputs[2], "Third");
        return;
    }
    requireClass(inputs[1], "Second", "sym", "");
    requireScalar(inputs[1], "Second");
    requireClass(inputs[2], "Third", "double", "");
    requireScalar(inputs[2], "Third");
    requireClass(inputs[3], "Fourth", "logical", "");
    requireScalar(inputs[3], "Fourth");
}

void MexFunction::requireClass(const Array& input, const std::string& ordinal, const std::string& className,
                               const std::string& noun) {
    const std::vector<Array> answer = engine_->feval(u"isa", 1, {input, factory_.createCharArray(className)});
    if (!TypedArray<bool>(answer.at(0))[0]) raise(ordinal + " input must be a " + className + noun);
}

void MexFunction::requireScalar(const Array& input, const std::string& ordinal) {
    if (!isOneByOne(input)) raise(ordinal + " input must be 1-by-1 dimension");
}

void MexFunction::requireRow(const Array& input, const std::string& ordinal) {
    const matlab::data::ArrayDimensions dims = input.getDimensions();
    if (dims.size() != 2 || dims[0] > 1) raise(ordinal + " input must have at most one row");
}

void MexFunction::raise(const std::string& message) {
    engine_->feval(u"error", 0, {factory_.createScalar(message)});
    // MATLAB's error does not come back; should it ever, the call must still end here.
    throw std::runtime_error(message);
}

void MexFunction::readModel(const std::string& path) {
    Gsms parsed;
    {
        std::ifstream file = openInputFile(path);
        if (!file.is_open()) throw std::invalid_argument("Path to GSMS file is invalid");
        parsed = drova::readModel(file, path);
    }
    model_ = std::move(parsed);
}

std::string MexFunction::pathText(const ArgumentList& inputs, std::size_t maxTerms) {
    const TypedArray<std::int64_t> transitions(inputs[1]);
    const TypedArray<std::int64_t> destinations(inputs[2]);
    Path path;
    // MATLAB numbers from 1; a 0 wraps round to the largest index, which no model has.
    for (std::size_t i = 0; i < transitions.getNumberOfElements(); ++i)
        path.push_back({static_cast<std::uint64_t>(transitions[i]) - 1,
                        static_cast<std::uint64_t>(destinations[i]) - 1});
    ConversionContext context(model_, ConversionContext::DefaultMaxPathLength, maxTerms);
    return toSymbolicText(context.pathExpression(path));
}

std::string MexFunction::matrixText(const ArgumentList& inputs, std::size_t maxTerms) {
    const std::vector<Array> parts = engine_->feval(u"numden", 2, {inputs[1]});
    const std::string numerator = StringArray(engine_->feval(u"string", parts.at(0)))[0];
    const std::string denominator = StringArray(engine_->feval(u"string", parts.at(1)))[0];
    const Rational timeBound = fromTexts(numerator, denominator);
    const double threshold = TypedArray<double>(inputs[2])[0];
    const bool collectTruncated = TypedArray<bool>(inputs[3])[0];
    ConversionContext context(model_, ConversionContext::DefaultMaxPathLength, maxTerms);
    return kernelMatrixText(context.computeSmsMatrix(timeBound, threshold, collectTruncated));
}

}  // namespace drova::konv
