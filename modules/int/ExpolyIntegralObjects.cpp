#include "modules/int/ExpolyIntegralObjects.hpp"

#include <algorithm>

namespace drova::integrate {

using namespace matlab::data;

// The members have the values of the simulator's DistType, so that one kind has one number.
const EnumerationClass& expolyDistributionType() {
    static const EnumerationClass type{"ExpolyDistributionType", {{"Deg", 1}, {"Exp", 2}, {"Uni", 3}}};
    return type;
}

EnumArray makeDistributionTypeArray(const std::vector<std::string>& names) {
    EnumerationClass withNames = expolyDistributionType();
    for (const std::string& name : names) {
        const bool known = std::any_of(withNames.members.begin(), withNames.members.end(),
                                       [&](const auto& member) { return member.first == name; });
        if (!known) withNames.members.emplace_back(name, withNames.members.back().second + 1);
    }
    return ArrayFactory().createEnumArray({1, names.size()}, std::move(withNames), names);
}

ObjectArray makeRationalObject(const std::u16string& numerator, const std::u16string& denominator) {
    const ArrayFactory factory;
    return factory.createScalar(Object(ExpolyRationalClass, {{"Numenator", factory.createScalar(numerator)},
                                                             {"Denominator", factory.createScalar(denominator)}}));
}

ObjectArray makeLinearFormObject(const std::vector<std::int32_t>& varConstants, const std::vector<std::u16string>& vars,
                                 const Array& constant) {
    const ArrayFactory factory;
    std::vector<MATLABString> names(vars.begin(), vars.end());
    const std::size_t count = names.size();
    return factory.createScalar(
        Object(ExpolyLinearFormClass,
               {{"VarConstants", factory.createArray<std::int32_t>({1, varConstants.size()}, varConstants)},
                {"Vars", factory.createArray<MATLABString>({1, count}, std::move(names))},
                {"Constant", constant}}));
}

ObjectArray makeDistributionObject(const std::string& type, const std::vector<ObjectArray>& parameters, bool symbolic) {
    const ArrayFactory factory;
    std::vector<Object> rationals;
    for (const ObjectArray& parameter : parameters) rationals.push_back(parameter[0]);
    const std::size_t count = rationals.size();
    return factory.createScalar(Object(
        ExpolyDistributionClass,
        {{"DistributionType", makeDistributionTypeArray({type})},
         {"RationalParameters", factory.createObjectArray({1, count}, ExpolyRationalClass, std::move(rationals))},
         {"Symbolic", factory.createScalar(symbolic)}}));
}

Object makeExpolyIntegral(const Array& distribution, const Array& vars, const std::u16string& var, const Array& a,
                          const Array& b) {
    return Object(ExpolyIntegralClass, {{"Distribution", distribution},
                                        {"Vars", vars},
                                        {"Var", ArrayFactory().createScalar(var)},
                                        {"A", a},
                                        {"B", b}});
}

ObjectArray makeExpolyIntegralArray(std::vector<Object> integrals) {
    const std::size_t count = integrals.size();
    return ArrayFactory().createObjectArray({1, count}, ExpolyIntegralClass, std::move(integrals));
}

}  // namespace drova::integrate
