// Fuzz target: the JSON front of drova int and the Drovaint entry behind it. A document is read as
// drova int reads it, its objects are built as a MATLAB caller holds them, and the module's entry
// evaluates them in this process with a small term budget, so that every input ends quickly.
// Every input either gives a text or fails with an exception; a crash, a hang or a leak is a fault.

#include "formats/IntegralJson.hpp"
#include "host/MatlabData.hpp"
#include "modules/int/ExpolyIntegralObjects.hpp"
#include "modules/int/MexFunction.hpp"

#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace drova;
using namespace drova::integrate;
using namespace matlab::data;

// The same objects as drova int builds (cli/int.cpp).
ObjectArray rationalObject(const RationalDescription& rational) {
    return makeRationalObject(utf8ToUtf16(rational.numenator), utf8ToUtf16(rational.denominator));
}

ObjectArray linearFormObject(const LinearFormDescription& form) {
    std::vector<std::u16string> names;
    for (const std::string& name : form.vars) names.push_back(utf8ToUtf16(name));
    return makeLinearFormObject(form.varConstants, names, rationalObject(form.constant));
}

ObjectArray distributionObject(const DistributionDescription& distribution) {
    std::vector<ObjectArray> parameters;
    for (const RationalDescription& parameter : distribution.rationalParameters)
        parameters.push_back(rationalObject(parameter));
    return makeDistributionObject(distribution.distributionType, parameters, distribution.symbolic);
}

ObjectArray integralArray(const std::vector<IntegralDescription>& descriptions) {
    std::vector<Object> integrals;
    for (const IntegralDescription& integral : descriptions)
        integrals.push_back(makeExpolyIntegral(distributionObject(integral.distribution),
                                               linearFormObject(integral.vars), utf8ToUtf16(integral.var),
                                               linearFormObject(integral.a), linearFormObject(integral.b)));
    return makeExpolyIntegralArray(std::move(integrals));
}

// Enough for the small nests that the seeds hold; a costly input fails at the budget.
constexpr std::int64_t FuzzTermLimit = 2000;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const IntegralCallDescription call =
            readIntegralJson(std::string_view(reinterpret_cast<const char*>(data), size));
        const ArrayFactory factory;
        std::vector<Array> inputs{integralArray(call.proper), integralArray(call.improper),
                                  factory.createScalar("MaxTerms"), factory.createScalar(FuzzTermLimit)};
        std::vector<Array> outputs(1);
        MexFunction entry;
        entry(matlab::mex::ArgumentList(outputs), matlab::mex::ArgumentList(inputs));
    } catch (const std::exception&) {
        // The document or the module refused the input: the message is the user's answer.
    }
    return 0;
}
