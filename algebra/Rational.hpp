#pragma once
// The exact number type of the algebra, the distributions and the GSMS model.
// This is the one place that names the arithmetic backend.

// The build's DROVA_RATIONAL option picks one of three backends, which give the same values and
// so the same output bytes:
//  - DROVA_FAST_RATIONAL: SmallRational, 64-bit numerator and denominator while they fit and
//    GMP's mpq beyond (the default, and the fastest on the numbers a conversion meets);
//  - DROVA_GMP_RATIONAL: GMP's mpq for every value;
//  - neither: the header-only Boost integers.
#if DROVA_FAST_RATIONAL
#include "algebra/SmallRational.hpp"
#elif DROVA_GMP_RATIONAL
#include <boost/multiprecision/gmp.hpp>
#else
#include <boost/multiprecision/cpp_int.hpp>
#endif

#include <cstddef>
#include <string>
#include <string_view>

namespace drova {

#if DROVA_FAST_RATIONAL
using Rational = SmallRational;
using BigInt = boost::multiprecision::mpz_int;
#elif DROVA_GMP_RATIONAL
using Rational = boost::multiprecision::mpq_rational;
using BigInt = boost::multiprecision::mpz_int;
#else
using Rational = boost::multiprecision::cpp_rational;
using BigInt = boost::multiprecision::cpp_int;
#endif

// The numerator and the denominator (positive) of the value in lowest terms.
inline BigInt numeratorOf(const Rational& value) { return numerator(value); }
inline BigInt denominatorOf(const Rational& value) { return denominator(value); }

// Exact equality. Values are kept in lowest terms with a positive denominator, so Boost's
// integers compare numerators and denominators, which avoids their general comparison (it
// divides); mpq and SmallRational compare that way themselves.
inline bool sameValue(const Rational& a, const Rational& b) {
#if DROVA_FAST_RATIONAL || DROVA_GMP_RATIONAL
    return a == b;
#else
    return numerator(a) == numerator(b) && denominator(a) == denominator(b);
#endif
}

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
