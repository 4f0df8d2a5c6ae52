#pragma once
// A function of one variable t >= 0 given piece by piece: on each piece a finite sum of
//   coefficient * w^power * e^(rate * w),   w = t - (start of the piece),
// with exact rational powers, rates and starts and coefficients of the form sum c * e^r.
//
// Kernel entries and occupation probabilities are expolynomials in t whose heaviside factors
// switch terms on and off at rational instants; this is the same function, written as the
// sequence of analytic pieces between those instants. The pieces are what the numerical
// solver needs (where the function is smooth, where it jumps) and what the closed-form
// integrals are taken over. Expanding every term around its piece's start keeps the
// coefficients of the same size as the function's values there, whatever the start.

#include "algebra/Expolynomial.hpp"
#include "algebra/Rational.hpp"
#include "measures/ExactValue.hpp"

#include <optional>
#include <string>
#include <vector>

namespace drova::measures {

// coefficient * w^power * e^(rate * w).
struct LocalTerm {
    ExactValue coefficient;
    unsigned power = 0;
    Rational rate;

    bool operator==(const LocalTerm&) const = default;
};

// The function on [start, start of the next piece), or on [start, infinity) for the last piece.
// At most one term per (rate, power), in ascending (rate, power) order, none with coefficient 0.
struct Piece {
    Rational start;
    std::vector<LocalTerm> terms;
};

class PiecewiseExpolynomial {
public:
    // The zero function.
    PiecewiseExpolynomial();

    // The expolynomial f(t) for t >= 0, heaviside(0) read as 1. Every variable must be "t" and
    // the function must be right-continuous (f(b) equal to its limit from the right at every
    // instant b where a factor switches), as distribution functions and occupation
    // probabilities are; otherwise std::invalid_argument names `what` and says why.
    // Neighbouring pieces on which f is the same analytic expression are merged, so every
    // remaining piece boundary is an instant where f, or one of its derivatives, changes.
    static PiecewiseExpolynomial fromExpolynomial(const Expolynomial& f, const std::string& what);

    const std::vector<Piece>& pieces() const { return pieces_; }
    // The start of the piece after piece k; none for the last piece.
    std::optional<Rational> endOf(std::size_t k) const;
    // The piece boundaries after 0.
    std::vector<Rational> breakpoints() const;
    // The largest |rate| of any term.
    Rational largestRate() const;
    // The largest power of any term.
    unsigned largestPower() const;

    bool isZero() const;
    // f at start of piece k + offset (offset >= 0), exactly.
    ExactValue valueInPiece(std::size_t k, const Rational& offset) const;
    // f(start of piece k) - f(just before it), with f = 0 before t = 0: the point mass that
    // a distribution function puts at that instant.
    ExactValue jumpAt(std::size_t k) const;
    // lim f(t) for t -> infinity; none when f grows or does not settle.
    std::optional<ExactValue> limitAtInfinity() const;
    // The integral of f over [0, infinity); none when it diverges.
    std::optional<ExactValue> integralToInfinity() const;
    // The infimum of {t : f(t) != 0}; none for the zero function. f is 0 on [0, that time).
    std::optional<Rational> firstNonzeroTime() const;

    // c - f.
    PiecewiseExpolynomial constantMinus(const ExactValue& c) const;

private:
    std::vector<Piece> pieces_;
};

// The derivative of sum coefficient * w^power * e^(rate * w) in w.
std::vector<LocalTerm> derivative(const std::vector<LocalTerm>& terms);

// The same function written around another origin: the terms in w' = w - shift.
std::vector<LocalTerm> recentred(const std::vector<LocalTerm>& terms, const Rational& shift);

// The integral of w^power * e^(rate * w) over [0, length], or over [0, infinity) when length is
// none (which needs rate < 0).
ExactValue integralOfMonomial(unsigned power, const Rational& rate, const std::optional<Rational>& length);

}  // namespace drova::measures
