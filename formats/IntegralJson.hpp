#pragma once
// The JSON document that drova int reads: the two arrays of ExpolyIntegral objects of one
// Drovaint call, with the objects' properties as MATLAB names them.
//
//   {"proper": [OBJ, ...], "improper": [OBJ, ...]}      a missing array is empty
//   OBJ  = {"Distribution": DIST, "Vars": LF, "Var": "name", "A": LF, "B": LF}
//   DIST = {"DistributionType": "Exp"|"Deg"|"Uni", "RationalParameters": [RAT, ...], "Symbolic": true}
//          or "Exp(3)", "Deg(2)", "Uni(1, 3)", "Exp(1/2)"
//   LF   = {"VarConstants": [1, -1], "Vars": ["x", "y"], "Constant": RAT}
//          or "x - y + 1/2", "2*t - 1", "0"
//   RAT  = {"Numenator": "3", "Denominator": "4"} or "3/4" or an integer
//
// The texts of numerators and denominators are kept unchecked, so that the module reports them
// as it would to MATLAB; everything else that does not fit fails here, naming the key path.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace drova {

// The properties of the objects, as the document gives them; texts in UTF-8.
struct RationalDescription {
    std::string numenator;  // spelled as the property
    std::string denominator;
};

struct LinearFormDescription {
    std::vector<std::int32_t> varConstants;
    std::vector<std::string> vars;
    RationalDescription constant;
};

struct DistributionDescription {
    std::string distributionType;  // "Exp", "Deg" or "Uni"
    std::vector<RationalDescription> rationalParameters;
    bool symbolic = true;
};

struct IntegralDescription {
    DistributionDescription distribution;
    LinearFormDescription vars;
    std::string var;
    LinearFormDescription a;
    LinearFormDescription b;
};

struct IntegralCallDescription {
    std::vector<IntegralDescription> proper;
    std::vector<IntegralDescription> improper;
};

// A document that does not fit the format, or text that is not JSON ("Invalid JSON: ...").
class DescriptionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads the document. A mismatch fails with the key path (indices from 0, as in JSON), what
// was expected and what was found, for example
// "proper[0].Distribution.Symbolic: expected true or false, found \"yes\"".
IntegralCallDescription readIntegralJson(std::string_view text);

}  // namespace drova
