#include "modules/int/MexFunction.hpp"

#include "algebra/SymbolicText.hpp"
#include "integrate/IntegrateExpolys.hpp"
#include "modules/int/ExpolyIntegralReader.hpp"
#include "modules/int/ObjectNest.hpp"
#include "modules/TermLimitOption.hpp"

#include <new>
#include <stdexcept>

namespace drova::integrate {

using namespace matlab::data;

void MexFunction::raiseError(const std::string& message) {
    engine_->feval("error", 0, {factory_.createScalar(message)});
    // MATLAB's error does not return; should an engine's error come back, the call still ends.
    throw std::runtime_error(message);
}

void MexFunction::checkInputs(const matlab::mex::ArgumentList& inputs) {
    // Two inputs, optionally followed by the pair "MaxTerms", N.
    if (inputs.size() != 2 && inputs.size() != 4) raiseError("Two inputs required");
    const char* const labels[] = {"First input", "Second input"};
    for (std::size_t i = 0; i < 2; ++i) {
        const std::string label = labels[i];
        const Array isExpolyIntegral =
            engine_->feval("isa", {inputs[i], factory_.createCharArray("ExpolyIntegral")});
        if (!static_cast<bool>(isExpolyIntegral[0]))
            raiseError(label + " must be an array of ExpolyIntegral objects");
        const ArrayDimensions dims = inputs[i].getDimensions();
        if (dims.size() != 2 || dims[0] > 1) raiseError(label + " must be 1-by-n dimension");
    }
}

void MexFunction::operator()(matlab::mex::ArgumentList outputs, matlab::mex::ArgumentList inputs) {
    checkInputs(inputs);
    const std::size_t maxTerms =
        inputs.size() == 2 ? DefaultTermLimit
                           : readTermLimitOption(*engine_, inputs, 2, "Third", "Fourth",
                                                 [this](const std::string& message) { raiseError(message); });
    const ObjectArray proper(inputs[0]);
    const ObjectArray improper(inputs[1]);
    const ExpolyIntegralReader reader(*engine_);
    std::string resultText;
    try {
        resultText = toSymbolicText(integrateExpolys(ObjectNest(proper, improper, reader), maxTerms));
    } catch (const std::bad_alloc&) {
        throw std::runtime_error("Out of memory while evaluating the integrals");
    }
    StringArray text = factory_.createScalar(resultText);
    outputs[0] = std::move(text);
}

}  // namespace drova::integrate
