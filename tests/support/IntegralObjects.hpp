#pragma once
// Objects for the Drovaint tests, built as a MATLAB caller holds them, and ways to spoil them.

#include "Failure.hpp"
#include "host/LoadedModule.hpp"
#include "modules/int/ExpolyIntegralObjects.hpp"

#include <functional>
#include <string>
#include <vector>

namespace integral_objects {

using namespace drova;
using namespace drova::integrate;
using namespace matlab::data;

inline const ArrayFactory factory;

inline ObjectArray rational(const char16_t* numerator, const char16_t* denominator = u"1") {
    return makeRationalObject(numerator, denominator);
}

// A linear form with the given coefficients and names; the constant defaults to 0.
inline ObjectArray form(std::vector<std::int32_t> coefficients, std::vector<std::u16string> names,
                        const ObjectArray& constant = rational(u"0")) {
    return makeLinearFormObject(coefficients, names, constant);
}
inline ObjectArray variable(const char16_t* name) { return form({1}, {name}); }
inline ObjectArray constant(const char16_t* value) { return form({}, {}, rational(value)); }
inline ObjectArray zeroForm() { return constant(u"0"); }

inline ObjectArray distribution(const std::string& type, std::vector<ObjectArray> parameters, bool symbolic = true) {
    return makeDistributionObject(type, parameters, symbolic);
}
inline ObjectArray exponential(const char16_t* rate) { return distribution("Exp", {rational(rate)}); }

inline Object integral(const Array& dist, const Array& argument, const char16_t* var, const Array& lower,
                       const Array& upper) {
    return makeExpolyIntegral(dist, argument, var, lower, upper);
}

// The object in element 1 of `holder`, with property `name` set to `value`.
inline ObjectArray withProperty(const Array& holder, std::string_view name, const Array& value) {
    Object object = ObjectArray(holder)[0];
    object.setProperty(name, value);
    return factory.createScalar(object);
}
inline Object withProperty(const Object& object, std::string_view name, const Array& value) {
    Object changed = object;
    changed.setProperty(name, value);
    return changed;
}

// The object in element 1 of `holder` without property `name`.
inline ObjectArray withoutProperty(const Array& holder, std::string_view name) {
    const Object object = ObjectArray(holder)[0];
    Object changed(object.getClassName());
    for (const auto& [property, value] : object.properties())
        if (property != name) changed.setProperty(property, value);
    return factory.createScalar(changed);
}

// The worked example: the improper Exp(2) in x from y, under the proper Exp(3) in y from 0 to t.
inline Object workedImproper() {
    return integral(exponential(u"2"), variable(u"x"), u"x", variable(u"y"), zeroForm());
}
inline Object workedProper() {
    return integral(exponential(u"3"), variable(u"y"), u"y", zeroForm(), variable(u"t"));
}
inline const char* const WorkedExampleText = "-3/sym(5)*exp(-5*t)+3/sym(5)";

}  // namespace integral_objects
