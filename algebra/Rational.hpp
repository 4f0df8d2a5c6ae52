#pragma once
// The exact number type of the algebra, the distributions and the GSMS model.
// This is the one place that names the arithmetic backend.

#include <boost/multiprecision/cpp_int.hpp>

#include <string>
#include <string_view>

namespace drova {

using Rational = boost::multiprecision::cpp_rational;
using BigInt = boost::multiprecision::cpp_int;

// The two shared constants.
extern const Rational RationalZero;
extern const Rational RationalOne;

// Reads a decimal rational text: an optional "-", digits, and optionally "/" and digits.
// Leading zeros are decimal ("010" is ten). Any other text throws std::runtime_error
// "Could not parse the string \"TEXT\" as a valid rational number."; a zero denominator
// throws std::overflow_error "Integer division by zero".
Rational parseRational(std::string_view text);

// numerator text / denominator text, each read by parseRational.
Rational fromTexts(std::string_view numerator, std::string_view denominator);

// Numerator in decimal and, only when the denominator is not 1, "/" and the denominator:
// 3, -3/4, 3/2.
std::string toText(const Rational& value);

}  // namespace drova
