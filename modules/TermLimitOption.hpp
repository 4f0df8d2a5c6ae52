#pragma once
// The optional last pair of inputs of Drovakonv and Drovaint, "MaxTerms", N: the term budget of
// the call (algebra/TermLimit.hpp), as MATLAB name-value arguments are written:
//
//     Drovakonv(path, timeBound, threshold, collect, "MaxTerms", 2e6)
//     Drovaint(proper, improper, 'MaxTerms', int64(1000))
//
// The name is a char row or a string scalar; the value a real double or int64 scalar holding a
// positive whole number.

#include "algebra/TermLimit.hpp"
#include "host/MatlabData.hpp"
#include "host/MatlabEngine.hpp"
#include "host/MexFunction.hpp"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

namespace drova {

inline constexpr const char* TermLimitOptionName = "MaxTerms";

// Reads the pair at inputs[first] and inputs[first + 1]; `raise` ends the call with MATLAB's error
// and the message, for example "Fifth input must be the option name \"MaxTerms\"".
template <typename Raise>
std::size_t readTermLimitOption(matlab::engine::MATLABEngine& engine, const matlab::mex::ArgumentList& inputs,
                                std::size_t first, const std::string& nameOrdinal, const std::string& valueOrdinal,
                                Raise raise) {
    namespace md = matlab::data;
    const md::ArrayFactory factory;
    const auto isa = [&](const md::Array& input, const char* className) {
        const std::vector<md::Array> answer = engine.feval(u"isa", 1, {input, factory.createCharArray(className)});
        return md::TypedArray<bool>(answer.at(0))[0];
    };
    const auto isOneByOne = [](const md::Array& input) {
        const md::ArrayDimensions dims = input.getDimensions();
        return dims.size() == 2 && dims[0] == 1 && dims[1] == 1;
    };

    const md::Array& name = inputs[first];
    std::string text;
    if (isa(name, "string") && isOneByOne(name)) {
        text = md::StringArray(name)[0];
    } else if (isa(name, "char")) {
        const md::ArrayDimensions dims = name.getDimensions();
        if (dims.size() == 2 && dims[0] == 1) text = md::CharArray(name).toAscii();
    }
    if (text != TermLimitOptionName)
        raise(nameOrdinal + " input must be the option name \"" + TermLimitOptionName + "\"");

    const md::Array& value = inputs[first + 1];
    const std::string wrong = valueOrdinal + " input must be a positive whole number of terms";
    if (!isOneByOne(value)) raise(wrong);
    if (isa(value, "double")) {
        const double limit = md::TypedArray<double>(value)[0];
        // Beyond 2^53 a double is no longer a count of terms that anyone means exactly.
        if (!(limit >= 1 && limit <= 9007199254740992.0 && std::floor(limit) == limit)) raise(wrong);
        return static_cast<std::size_t>(limit);
    }
    if (isa(value, "int64")) {
        const std::int64_t limit = md::TypedArray<std::int64_t>(value)[0];
        if (limit < 1) raise(wrong);
        return static_cast<std::size_t>(limit);
    }
    raise(wrong);
    return 0;  // not reached: raise ends the call
}

}  // namespace drova
