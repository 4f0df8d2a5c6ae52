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
// as it would to MATLAB. A property (or one of the two arrays) whose JSON value is not of the kind
// the format expects is kept as given (GivenValue) and passed to the module as the host value of
// its own JSON type, so that the module judges it as it would in MATLAB. What has no host value
// (a missing or unknown key, an object or a mixed array in the wrong place, a malformed shorthand
// text) fails here, naming the key path.

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace drova {

// A JSON value where the format expects another kind: a number (a double), true or false (a
// logical), a text (a string), or an array of one of these (a 1-by-n row); [] and null are the
// empty 0-by-0 double. Names of enumeration members are kept as such for DistributionType.
struct GivenValue {
    enum class Kind { Double, Logical, String, Enumeration };
    Kind kind = Kind::Double;
    std::vector<double> numbers;
    std::vector<bool> logicals;
    std::vector<std::string> texts;  // strings, or member names
    bool empty = false;              // [] or null: 0-by-0
};

// Properties kept as given, by property name; they replace the property's value from the fields.
using GivenProperties = std::map<std::string, GivenValue>;

// The properties of the objects, as the document gives them; texts in UTF-8.
struct RationalDescription {
    std::string numenator;  // spelled as the property
    std::string denominator;
    GivenProperties given{};
};

struct LinearFormDescription {
    std::vector<std::int32_t> varConstants;
    std::vector<std::string> vars;
    RationalDescription constant;
    GivenProperties given{};
};

struct DistributionDescription {
    std::string distributionType;  // a member name: "Exp", "Deg" or "Uni" for the module to accept
    std::vector<RationalDescription> rationalParameters;
    bool symbolic = true;
    GivenProperties given{};
};

struct IntegralDescription {
    DistributionDescription distribution;
    LinearFormDescription vars;
    std::string var;
    LinearFormDescription a;
    LinearFormDescription b;
    GivenProperties given{};
};

struct IntegralCallDescription {
    std::vector<IntegralDescription> proper;
    std::vector<IntegralDescription> improper;
    GivenProperties given{};  // "proper" or "improper" given as something other than an array of objects
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
