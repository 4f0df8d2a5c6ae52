#include "algebra/Rational.hpp"

#include "algebra/MessageText.hpp"

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace drova {

const Rational RationalZero{0};
const Rational RationalOne{1};

namespace {

// The most digits read in a numerator or a denominator: far more than any model or integral
// needs, and few enough that the arithmetic on such numbers stays quick. More throw
// std::invalid_argument "The number \"1111...\" has N digits, more than the limit of 10000".
constexpr std::size_t MaxRationalDigits = 10000;

[[noreturn]] void throwUnparsable(std::string_view text) {
    throw std::runtime_error("Could not parse the string \"" + messageText(text) +
                             "\" as a valid rational number.");
}

[[noreturn]] void throwDivisionByZero() { throw std::overflow_error("Integer division by zero"); }

bool allDigits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

// Builds the integer from decimal digits only; Boost's own text construction would read
// a leading 0 as octal and 0x as hexadecimal. Eighteen digits at a time.
BigInt decimalDigits(std::string_view digits) {
    if (digits.size() > MaxRationalDigits)
        throw std::invalid_argument("The number \"" + messageText(digits, 20) + "\" has " +
                                    std::to_string(digits.size()) + " digits, more than the limit of " +
                                    std::to_string(MaxRationalDigits));
    BigInt value = 0;
    std::size_t at = 0;
    while (at < digits.size()) {
        const std::size_t count = std::min<std::size_t>(18, digits.size() - at);
        std::uint64_t chunk = 0;
        std::uint64_t scale = 1;
        for (std::size_t i = 0; i < count; ++i, ++at) {
            chunk = chunk * 10 + static_cast<std::uint64_t>(digits[at] - '0');
            scale *= 10;
        }
        value = value * scale + chunk;
    }
    return value;
}

}  // namespace

Rational parseRational(std::string_view text) {
    std::string_view rest = text;
    bool negative = false;
    if (!rest.empty() && rest.front() == '-') {
        negative = true;
        rest.remove_prefix(1);
    }
    std::string_view numerator = rest;
    std::string_view denominator;
    bool hasDenominator = false;
    if (auto slash = rest.find('/'); slash != std::string_view::npos) {
        numerator = rest.substr(0, slash);
        denominator = rest.substr(slash + 1);
        hasDenominator = true;
    }
    if (!allDigits(numerator) || (hasDenominator && !allDigits(denominator))) throwUnparsable(text);
    BigInt num = decimalDigits(numerator);
    if (negative) num = -num;
    if (!hasDenominator) return Rational(num);
    BigInt den = decimalDigits(denominator);
    if (den == 0) throwDivisionByZero();
    return Rational(num, den);
}

Rational fromTexts(std::string_view numerator, std::string_view denominator) {
    Rational num = parseRational(numerator);
    Rational den = parseRational(denominator);
    if (den == 0) throwDivisionByZero();
    return num / den;
}

std::size_t wordsOf(const Rational& value) {
#if DROVA_FAST_RATIONAL
    const std::size_t numerator = value.numeratorWords();
    return (numerator == 0 ? 1 : numerator) + value.denominatorWords();
#elif DROVA_GMP_RATIONAL
    static_assert(sizeof(mp_limb_t) == 8, "the word count assumes 64-bit limbs");
    const auto* q = value.backend().data();
    const std::size_t numerator = mpz_size(mpq_numref(q));
    return (numerator == 0 ? 1 : numerator) + mpz_size(mpq_denref(q));
#else
    static_assert(sizeof(boost::multiprecision::limb_type) == 8, "the word count assumes 64-bit limbs");
    const auto& q = value.backend().data();
    return q.numerator().backend().size() + q.denominator().backend().size();
#endif
}

std::string toText(const Rational& value) {
#if DROVA_FAST_RATIONAL
    return value.str();
#else
    std::string text = numerator(value).str();
    const BigInt den = denominator(value);
    if (den != 1) {
        text += '/';
        text += den.str();
    }
    return text;
#endif
}

}  // namespace drova
