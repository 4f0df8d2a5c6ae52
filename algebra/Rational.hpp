#pragma once
// The exact number type of the algebra, the distributions and the GSMS model.
// This is the one place that names the arithmetic backend.

// DROVA_GMP_RATIONAL (set by the build's DROVA_RATIONAL option) selects GMP's integers and
// rationals; without it the header-only Boost integers are used. Both give the same values and
// so the same output bytes; GMP is several times faster on the numbers the conversion meets.
#if DROVA_GMP_RATIONAL
#include <boost/multiprecision/gmp.hpp>
#else
#include <boost/multiprecision/cpp_int.hpp>
#endif

#include <cstddef>
#include <string>
#include <string_view>

namespace drova {

#if DROVA_GMP_RATIONAL
using Rational = boost::multiprecision::mpq_rational;
using BigInt = boost::multiprecision::mpz_int;
#else
using Rational = boost::multiprecision::cpp_rational;
using BigInt = boost::multiprecision::cpp_int;
#endif

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

// The size of the number: the 64-bit words of its numerator plus those of its denominator
// (a zero numerator counts one word), the same for either backend.
std::size_t wordsOf(const Rational& value);

// Numerator in decimal and, only when the denominator is not 1, "/" and the denominator:
// 3, -3/4, 3/2.
std::string toText(const Rational& value);

}  // namespace drova
