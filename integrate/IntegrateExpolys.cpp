#include "integrate/IntegrateExpolys.hpp"

#include <stdexcept>
#include <string>

using namespace matlab::data;

namespace {

// The five property values of one ExpolyIntegral object.
struct IntegralProperties {
    Array distribution;
    Array argument;  // Vars
    Array variable;  // Var
    Array lower;     // A
    Array upper;     // B
};

IntegralProperties readProperties(const Object& integral, const ExpolyIntegralReader& reader) {
    // The element becomes a 1-by-1 array of its own before its properties are read.
    const ObjectArray holder = ArrayFactory().createScalar(integral);
    IntegralProperties properties;
    properties.distribution = reader.property(holder, "Distribution");
    properties.argument = reader.property(holder, "Vars");
    properties.variable = reader.property(holder, "Var");
    properties.lower = reader.property(holder, "A");
    properties.upper = reader.property(holder, "B");
    return properties;
}

bool isZeroForm(const LinearForm& form) { return form.variables.empty() && form.constant == 0; }

// One step each: the object's distribution and forms live only inside the step.
Expolynomial improperStep(const Object& integral, const Expolynomial& accumulator, const ExpolyIntegralReader& reader) {
    const IntegralProperties properties = readProperties(integral, reader);
    if (!isZeroForm(reader.readLinearForm(properties.upper)))
        throw std::invalid_argument("Improper integral must not have an upper bound");
    const std::unique_ptr<Distribution> distribution = reader.readDistribution(properties.distribution);
    const LinearForm argument = reader.readLinearForm(properties.argument);
    const std::string variable = ExpolyIntegralReader::readText(properties.variable);
    const LinearForm lower = reader.readLinearForm(properties.lower);
    return distribution->integrateToInfinity(argument, variable, lower, accumulator);
}

Expolynomial properStep(const Object& integral, const Expolynomial& accumulator, const ExpolyIntegralReader& reader) {
    const IntegralProperties properties = readProperties(integral, reader);
    const std::unique_ptr<Distribution> distribution = reader.readDistribution(properties.distribution);
    const LinearForm argument = reader.readLinearForm(properties.argument);
    const std::string variable = ExpolyIntegralReader::readText(properties.variable);
    const LinearForm lower = reader.readLinearForm(properties.lower);
    const LinearForm upper = reader.readLinearForm(properties.upper);
    return distribution->integrate(argument, variable, lower, upper, accumulator);
}

}  // namespace

Expolynomial integrateExpolys(const ObjectArray& proper, const ObjectArray& improper,
                              const ExpolyIntegralReader& reader) {
    Expolynomial accumulator = UnitExpolynomial;
    // Each step's fresh result is moved into the accumulator, which releases the previous value.
    for (std::size_t j = improper.getNumberOfElements(); j-- > 0;)
        accumulator = improperStep(improper[j], accumulator, reader);
    for (std::size_t i = proper.getNumberOfElements(); i-- > 0;)
        accumulator = properStep(proper[i], accumulator, reader);
    return accumulator;
}
