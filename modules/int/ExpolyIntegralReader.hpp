#pragma once
// Reads the objects of a Drovaint call into the shared library's values. Every property is
// read through the host's property access, on element 1 of the array that holds the object,
// and every typed view is the host's: a property of the wrong kind fails with the host's
// "Can't convert the Array to this TypedArray", a missing one with its property-access error.

#include "algebra/LinearForm.hpp"
#include "algebra/Rational.hpp"
#include "distributions/Distribution.hpp"
#include "host/MatlabData.hpp"
#include "host/MatlabEngine.hpp"

#include <memory>
#include <string>

namespace drova::integrate {

class ExpolyIntegralReader {
public:
    explicit ExpolyIntegralReader(matlab::engine::MATLABEngine& engine) : engine_(engine) {}

    // The property `name` of the object in element 1 of `holder`.
    matlab::data::Array property(const matlab::data::Array& holder, const std::string& name) const;

    // A distribution object: DistributionType (enumeration array), RationalParameters (object
    // array), Symbolic (element 1, logical or real numeric), in this order. Throws
    // std::invalid_argument "Distribution must be symbolic" when Symbolic is false, before the
    // member name is looked at; then for a member other than Deg, Uni and Exp, or fewer
    // parameters than the member needs. The constructors' own checks follow.
    std::unique_ptr<Distribution> readDistribution(const matlab::data::Array& holder) const;

    // A linear-form object: VarConstants (int32 array), Vars (string array), then Constant. Element
    // i of Vars pairs with element i of VarConstants (surplus constants are ignored; a shortfall
    // throws std::invalid_argument); repeated names add up.
    LinearForm readLinearForm(const matlab::data::Array& holder) const;

    // A rational object: Numenator, then Denominator, element 1 of each string array, divided
    // exactly (fromTexts: its parse error, or "Integer division by zero").
    Rational readRational(const matlab::data::Array& holder) const;

    // Element 1 of a string array as 8-bit text (the name of an integration variable).
    static std::string readText(const matlab::data::Array& strings);

private:
    matlab::engine::MATLABEngine& engine_;
};

}  // namespace drova::integrate
