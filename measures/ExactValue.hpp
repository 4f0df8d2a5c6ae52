#pragma once
// Exact real numbers of the form  sum_k c_k * e^(r_k)  with rational c_k and distinct rational r_k:
// the values, limits and integrals of kernel entries are all of this form.
//
// The numbers e^r for distinct rational r are linearly independent over the rationals
// (Lindemann-Weierstrass), so such a sum is zero exactly when every coefficient is zero. Zero
// tests, and so the structural decisions built on them (which transitions are possible, whether a
// row of the kernel loses probability), are exact.

#include "algebra/Rational.hpp"
#include "measures/HighPrecision.hpp"

#include <map>

namespace drova::measures {

class ExactValue {
public:
    // Zero.
    ExactValue() = default;
    // The rational c (that is, c * e^0).
    explicit ExactValue(const Rational& c);
    // coefficient * e^exponent.
    static ExactValue exponential(const Rational& coefficient, const Rational& exponent);

    bool isZero() const { return terms_.empty(); }
    // Exponent -> non-zero coefficient.
    const std::map<Rational, Rational>& terms() const { return terms_; }

    ExactValue& operator+=(const ExactValue& other);
    ExactValue& operator-=(const ExactValue& other);
    ExactValue& operator*=(const Rational& factor);
    // This value times e^exponent.
    ExactValue timesExp(const Rational& exponent) const;
    ExactValue operator*(const ExactValue& other) const;
    bool operator==(const ExactValue& other) const = default;

    // The value rounded to HighPrecision. The sum is formed in 50 digits and formed again in 100,
    // 200, ... digits while cancellation between its terms would cost more than 20 of them, so
    // the result carries at least 30 correct digits whenever it is not zero.
    HighPrecision approximate() const;
    double toDouble() const;
    long double toLongDouble() const;

private:
    void add(const Rational& exponent, const Rational& coefficient);

    std::map<Rational, Rational> terms_;
};

ExactValue operator+(ExactValue a, const ExactValue& b);
ExactValue operator-(ExactValue a, const ExactValue& b);
ExactValue operator*(ExactValue a, const Rational& factor);

}  // namespace drova::measures
