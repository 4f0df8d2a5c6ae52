#pragma once
// The values of a classic-interface host (GNU Octave, or MATLAB) in the project's value model
// (host/MatlabData.hpp), and back.
//
// Octave has no string class and no enumerations, so a character row (or '') becomes a string
// scalar and a cell array of character rows a string array of the cell's shape. A cell array
// of scalar objects of one class becomes an object array of that class (Octave cannot
// concatenate objects with [a, b]). Where a module expects an enumeration, the gateway's rules
// read a member's name or value instead (readEnumeration). Everything else keeps its class and
// shape, so the modules check it as in MATLAB:
//
//   double, logical, int32, int64 (real, full)  -> the same
//   char that is not a row                      -> char
//   struct                                      -> struct, fields read alike
//   object (classdef)                           -> object of its class with its public properties
//   sym, or Octave's stand-in DrovaSym          -> sym, kept in the host (see symbolic())
//   anything else (single, int8, complex, sparse, cell, function handle, ...)
//                                               -> an object array of its class without
//                                                  properties, which no typed view accepts

#include "host/MatlabData.hpp"

#include "mex.h"

#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace drova::gateway {

// A failure of a gateway itself; ends the call with the message and identifier.
class GatewayError : public std::runtime_error {
public:
    GatewayError(std::string identifier, const std::string& message)
        : std::runtime_error(message), identifier_(std::move(identifier)) {}
    const std::string& identifier() const noexcept { return identifier_; }

private:
    std::string identifier_;
};

// Where a value sits among a call's arguments.
struct ValuePlace {
    enum class Kind { Argument, Element, Field, Property };
    Kind kind;
    std::string name;  // the argument's, field's or property's name
    std::string path;  // such as "gsms.Distributions.type": names joined by dots, no indices
};

class OctaveValues {
public:
    // A module's own readings, tried first for every value; nothing means the general rules.
    class Rules {
    public:
        virtual ~Rules() = default;
        virtual std::optional<matlab::data::Array> read(OctaveValues& values, const mxArray* value,
                                                        const ValuePlace& place) const;
    };

    explicit OctaveValues(const Rules& rules) : rules_(rules) {}
    // Destroys the host arrays that calls back into the host created.
    ~OctaveValues();
    OctaveValues(const OctaveValues&) = delete;
    OctaveValues& operator=(const OctaveValues&) = delete;

    // The arguments of a call, each named by names[i] in paths (or "inputI").
    std::vector<matlab::data::Array> readArguments(int nrhs, const mxArray* prhs[],
                                                   const std::vector<std::string>& names = {});
    matlab::data::Array read(const mxArray* value, const ValuePlace& place);

    // Symbolic values stay in the host: a sym argument becomes a "sym" array whose elements
    // refer to it. The host value behind such an array (null for any other array), and a sym
    // array for a host value that a call back into the host returned (owned from now on).
    const mxArray* symbolic(const matlab::data::Array& value) const;
    matlab::data::Array adoptSymbolic(mxArray* value);

    // A 1-by-1 member of the enumeration class, from a character row (the member's name), a
    // real numeric scalar (its value) or an object of the class (its name, through the host's
    // char). A name the class lacks is added to it when addUnknownNames is set, so that the
    // module judges the member; nothing for any other value.
    std::optional<matlab::data::Array> readEnumeration(const mxArray* value,
                                                       const matlab::data::EnumerationClass& enumClass,
                                                       bool addUnknownNames);
    // An empty cell array read as an empty object array of the class (nothing for any other value).
    static std::optional<matlab::data::Array> readEmptyCellAsObjects(const mxArray* value,
                                                                     const std::string& className);

private:
    matlab::data::Array readObjects(const mxArray* value, const ValuePlace& place);
    matlab::data::Array readCell(const mxArray* value, const ValuePlace& place);
    matlab::data::Array readStruct(const mxArray* value, const ValuePlace& place);
    matlab::data::Array readSymbolic(const mxArray* value, bool owned);
    // The elements of a scalar object as a host Object.
    matlab::data::Object readObject(const mxArray* value, std::size_t index, const std::string& className,
                                    const ValuePlace& place);
    const std::vector<std::string>& propertyNames(const mxArray* value, const std::string& className);

    const Rules& rules_;
    int depth_ = 0;
    std::map<std::string, std::vector<std::string>> propertyNames_;  // by class
    std::vector<const mxArray*> symbolic_;                         // referred to by index
    std::vector<mxArray*> owned_;
};

// A value of the project's model as a new host array: a string scalar as a character row, a
// string array as a cell array of character rows; double, logical, int32, int64 and char
// arrays alike. GatewayError for any other value.
mxArray* writeOctave(const matlab::data::Array& value);

// The text of a host character array (bytes, or 16-bit units, as the host holds them).
std::string octaveText(const mxArray* value);

}  // namespace drova::gateway
