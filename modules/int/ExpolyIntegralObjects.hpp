#pragma once
// The caller's side of Drovaint: the objects a MATLAB program builds and passes to the module.
//
//   ExpolyIntegral          Distribution, Vars, Var, A, B
//   ExpolyDistribution      DistributionType (ExpolyDistributionType: Exp, Deg, Uni),
//                           RationalParameters (1-by-n ExpolyRational), Symbolic (logical)
//   ExpolyLinearForm        VarConstants (int32 row), Vars (string row), Constant (ExpolyRational)
//   ExpolyRational          Numenator, Denominator (string scalars)
//
// The module itself knows only ExpolyIntegral by name; of the other classes it reads nothing but
// their properties. Every object is held, as in MATLAB, in a 1-by-1 object array.

#include "host/MatlabData.hpp"

#include <cstdint>
#include <string>
#include <vector>

namespace drova::integrate {

inline constexpr const char* ExpolyIntegralClass = "ExpolyIntegral";
inline constexpr const char* ExpolyDistributionClass = "ExpolyDistribution";
inline constexpr const char* ExpolyLinearFormClass = "ExpolyLinearForm";
inline constexpr const char* ExpolyRationalClass = "ExpolyRational";

// The enumeration class ExpolyDistributionType with its members Deg 1, Exp 2 and Uni 3 (the values
// of DistType).
const matlab::data::EnumerationClass& expolyDistributionType();

// A 1-by-n array of ExpolyDistributionType members by name. A name that is no member is added to
// the class, with the next value, so that the module itself judges a kind it does not support.
matlab::data::EnumArray makeDistributionTypeArray(const std::vector<std::string>& names);

// An ExpolyRational: numerator text / denominator text.
matlab::data::ObjectArray makeRationalObject(const std::u16string& numerator, const std::u16string& denominator);

// An ExpolyLinearForm: 1-by-n rows of coefficients and names (of any lengths), and a constant
// held as an ExpolyRational.
matlab::data::ObjectArray makeLinearFormObject(const std::vector<std::int32_t>& varConstants,
                                               const std::vector<std::u16string>& vars,
                                               const matlab::data::Array& constant);

// An ExpolyDistribution of the member `type` ("Exp", "Deg" or "Uni"; any other name as for
// makeDistributionTypeArray), with the parameters (each a
// 1-by-1 ExpolyRational) as one 1-by-n object array.
matlab::data::ObjectArray makeDistributionObject(const std::string& type,
                                                 const std::vector<matlab::data::ObjectArray>& parameters,
                                                 bool symbolic);

// One ExpolyIntegral object with its five properties, in the order the module reads them.
matlab::data::Object makeExpolyIntegral(const matlab::data::Array& distribution, const matlab::data::Array& vars,
                                        const std::u16string& var, const matlab::data::Array& a,
                                        const matlab::data::Array& b);

// A 1-by-n array of ExpolyIntegral objects (1-by-0 when there are none).
matlab::data::ObjectArray makeExpolyIntegralArray(std::vector<matlab::data::Object> integrals);

}  // namespace drova::integrate
