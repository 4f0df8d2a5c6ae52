#include "modules/int/ExpolyIntegralReader.hpp"

#include "distributions/Degenerate.hpp"
#include "distributions/Exponential.hpp"
#include "distributions/Uniform.hpp"

#include <cstdint>
#include <stdexcept>
#include <utility>
#include <vector>

namespace drova::integrate {

using namespace matlab::data;

namespace {

std::string countOf(std::size_t count, const char* singular, const char* plural) {
    return std::to_string(count) + " " + (count == 1 ? singular : plural);
}

// Fails unless the distribution type has the parameters it needs.
void requireParameters(const std::string& type, std::size_t needed, std::size_t given) {
    if (given < needed)
        throw std::invalid_argument("Distribution type " + type + " needs " +
                                    countOf(needed, "rational parameter", "rational parameters") + ", but " +
                                    countOf(given, "was", "were") + " given");
}

}  // namespace

Array ExpolyIntegralReader::property(const Array& holder, const std::string& name) const {
    return engine_.getProperty(holder, 0, name);
}

std::string ExpolyIntegralReader::readText(const Array& strings) { return std::string(StringArray(strings)[0]); }

Rational ExpolyIntegralReader::readRational(const Array& holder) const {
    const std::string numerator = readText(property(holder, "Numenator"));
    const std::string denominator = readText(property(holder, "Denominator"));
    return fromTexts(numerator, denominator);
}

LinearForm ExpolyIntegralReader::readLinearForm(const Array& holder) const {
    const TypedArray<std::int32_t> coefficients(property(holder, "VarConstants"));
    const StringArray names(property(holder, "Vars"));
    const std::size_t count = names.getNumberOfElements();
    if (coefficients.getNumberOfElements() < count)
        throw std::invalid_argument("A linear form has " + countOf(count, "variable", "variables") + " but " +
                                    countOf(coefficients.getNumberOfElements(), "coefficient", "coefficients"));
    LinearForm::Variables entries;
    entries.reserve(count);
    for (std::size_t i = 0; i < count; ++i) entries.push_back({std::string(names[i]), coefficients[i]});
    const Rational constant = readRational(property(holder, "Constant"));
    return LinearForm(entries, constant);
}

std::unique_ptr<Distribution> ExpolyIntegralReader::readDistribution(const Array& holder) const {
    const EnumArray type(property(holder, "DistributionType"));
    const ObjectArray parameters(property(holder, "RationalParameters"));
    const bool symbolic = property(holder, "Symbolic")[0];
    if (!symbolic) throw std::invalid_argument("Distribution must be symbolic");

    const std::string name = type[0].getName();
    const ArrayFactory factory;
    // Each parameter is read from a 1-by-1 array of its own, like every object.
    auto parameter = [&](std::size_t index) { return readRational(factory.createScalar(parameters[index])); };
    const std::size_t given = parameters.getNumberOfElements();
    if (name == "Deg") {
        requireParameters(name, 1, given);
        return std::make_unique<Degenerate>(parameter(0));
    }
    if (name == "Uni") {
        requireParameters(name, 2, given);
        Rational lower = parameter(0);
        Rational upper = parameter(1);
        return std::make_unique<Uniform>(std::move(lower), std::move(upper));
    }
    if (name == "Exp") {
        requireParameters(name, 1, given);
        return std::make_unique<Exponential>(parameter(0));
    }
    throw std::invalid_argument("Distribution type " + name + " is not supported; it must be Exp, Deg or Uni");
}

}  // namespace drova::integrate
