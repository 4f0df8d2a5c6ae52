#include "measures/ExactValue.hpp"

#include <boost/multiprecision/cpp_bin_float.hpp>

namespace drova::measures {

namespace {

template <unsigned Digits>
using Float = boost::multiprecision::number<boost::multiprecision::cpp_bin_float<Digits>>;

// The sum and the sum of the terms' magnitudes, both in Float<Digits>.
template <unsigned Digits>
std::pair<Float<Digits>, Float<Digits>> sumAndMagnitude(const std::map<Rational, Rational>& terms) {
    Float<Digits> sum = 0, magnitude = 0;
    for (const auto& [exponent, coefficient] : terms) {
        const Float<Digits> term = Float<Digits>(coefficient) * exp(Float<Digits>(exponent));
        sum += term;
        magnitude += abs(term);
    }
    return {sum, magnitude};
}

// True when the sum keeps at least Digits - 20 digits, that is magnitude <= |sum| * 10^(Digits - 20).
template <unsigned Digits>
bool keepsEnoughDigits(const std::pair<Float<Digits>, Float<Digits>>& result) {
    static const Float<Digits> allowedLoss = pow(Float<Digits>(10), Digits - 20);
    return result.second <= abs(result.first) * allowedLoss;
}

template <unsigned Digits>
HighPrecision approximateWith(const std::map<Rational, Rational>& terms) {
    const auto result = sumAndMagnitude<Digits>(terms);
    if constexpr (Digits < 1600) {
        if (!keepsEnoughDigits<Digits>(result)) return approximateWith<Digits * 2>(terms);
    }
    return HighPrecision(result.first);
}

}  // namespace

ExactValue::ExactValue(const Rational& c) { add(Rational(0), c); }

ExactValue ExactValue::exponential(const Rational& coefficient, const Rational& exponent) {
    ExactValue value;
    value.add(exponent, coefficient);
    return value;
}

void ExactValue::add(const Rational& exponent, const Rational& coefficient) {
    if (coefficient.is_zero()) return;
    auto [at, inserted] = terms_.try_emplace(exponent, coefficient);
    if (inserted) return;
    at->second += coefficient;
    if (at->second.is_zero()) terms_.erase(at);
}

ExactValue& ExactValue::operator+=(const ExactValue& other) {
    for (const auto& [exponent, coefficient] : other.terms_) add(exponent, coefficient);
    return *this;
}

ExactValue& ExactValue::operator-=(const ExactValue& other) {
    for (const auto& [exponent, coefficient] : other.terms_) add(exponent, -coefficient);
    return *this;
}

ExactValue& ExactValue::operator*=(const Rational& factor) {
    if (factor.is_zero()) {
        terms_.clear();
        return *this;
    }
    for (auto& entry : terms_) entry.second *= factor;
    return *this;
}

ExactValue ExactValue::timesExp(const Rational& exponent) const {
    ExactValue shifted;
    for (const auto& [e, coefficient] : terms_) shifted.terms_.emplace(e + exponent, coefficient);
    return shifted;
}

ExactValue ExactValue::operator*(const ExactValue& other) const {
    ExactValue product;
    for (const auto& [e1, c1] : terms_)
        for (const auto& [e2, c2] : other.terms_) product.add(e1 + e2, c1 * c2);
    return product;
}

HighPrecision ExactValue::approximate() const {
    if (terms_.empty()) return HighPrecision(0);
    if (terms_.size() == 1) {
        const auto& [exponent, coefficient] = *terms_.begin();
        return HighPrecision(coefficient) * exp(HighPrecision(exponent));
    }
    return approximateWith<50>(terms_);
}

double ExactValue::toDouble() const { return approximate().convert_to<double>(); }

long double ExactValue::toLongDouble() const { return approximate().convert_to<long double>(); }

ExactValue operator+(ExactValue a, const ExactValue& b) { return a += b; }
ExactValue operator-(ExactValue a, const ExactValue& b) { return a -= b; }
ExactValue operator*(ExactValue a, const Rational& factor) { return a *= factor; }

}  // namespace drova::measures
