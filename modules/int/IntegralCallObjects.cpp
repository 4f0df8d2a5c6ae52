#include "modules/int/IntegralCallObjects.hpp"

#include "modules/int/ExpolyIntegralObjects.hpp"

#include <string>
#include <utility>

namespace drova::integrate {

namespace {

using namespace matlab::data;

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

}  // namespace

std::vector<Array> integralCallInputs(const IntegralCallDescription& call) {
    return {integralArray(call.proper, call.given, "proper"), integralArray(call.improper, call.given, "improper")};
}

}  // namespace drova::integrate
