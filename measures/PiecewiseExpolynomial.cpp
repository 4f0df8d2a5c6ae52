#include "measures/PiecewiseExpolynomial.hpp"

#include <algorithm>
#include <map>
#include <stdexcept>
#include <utility>

namespace drova::measures {

namespace {

const std::string TimeVariable = "t";

// base^exponent, with 0^0 = 1.
Rational raised(const Rational& base, unsigned exponent) {
    Rational result = 1;
    for (unsigned i = 0; i < exponent; ++i) result *= base;
    return result;
}

BigInt binomial(unsigned n, unsigned k) {
    BigInt result = 1;
    for (unsigned i = 1; i <= k; ++i) result = result * (n - k + i) / i;
    return result;
}

BigInt factorial(unsigned n) {
    BigInt result = 1;
    for (unsigned i = 2; i <= n; ++i) result *= i;
    return result;
}

// One term of the expolynomial, c * e^e * t^k * e^(a t), and the closed interval [lo, hi] of
// t >= 0 on which its heaviside factors are all 1 (hi none: unbounded).
struct SupportedTerm {
    Rational coefficient;
    Rational exponentConstant;
    unsigned power = 0;
    Rational rate;
    Rational lo;
    std::optional<Rational> hi;

    bool activeAt(const Rational& t) const { return lo <= t && (!hi || t <= *hi); }
    // Active on the whole of [from, to) (to none: unbounded).
    bool activeOn(const Rational& from, const std::optional<Rational>& to) const {
        if (lo > from) return false;
        if (!hi) return true;
        return to && *hi >= *to;
    }
    ExactValue valueAt(const Rational& t) const {
        return ExactValue::exponential(coefficient * raised(t, power), exponentConstant + rate * t);
    }
};

[[noreturn]] void throwWrongVariable(const std::string& what, const std::string& variable) {
    throw std::invalid_argument(what + " depends on the variable " + variable + "; only t is allowed");
}

// The term with its support, or none when it vanishes for every t >= 0.
std::optional<SupportedTerm> supportOf(const Term& term, const std::string& what) {
    SupportedTerm result;
    result.coefficient = term.coefficient;
    result.exponentConstant = term.exponentConstant;
    for (const auto& [name, rate] : term.exponentials) {
        if (name != TimeVariable) throwWrongVariable(what, name);
        result.rate = rate;
    }
    for (const auto& [name, exponent] : term.powers) {
        if (name != TimeVariable) throwWrongVariable(what, name);
        result.power = exponent;
    }
    for (const LinearForm& factor : term.heavisides) {
        if (factor.variables.empty()) {
            if (factor.constant < 0) return std::nullopt;
            continue;
        }
        for (const auto& variable : factor.variables)
            if (variable.name != TimeVariable) throwWrongVariable(what, variable.name);
        // heaviside(c t + d) is 1 for t >= -d/c when c > 0, and for t <= -d/c when c < 0.
        const int c = factor.variables.front().value;
        const Rational edge = -factor.constant / c;
        if (c > 0)
            result.lo = std::max(result.lo, edge);
        else
            result.hi = result.hi ? std::min(*result.hi, edge) : edge;
    }
    if (result.coefficient.is_zero()) return std::nullopt;
    if (result.hi && *result.hi < result.lo) return std::nullopt;
    return result;
}

using TermKey = std::pair<Rational, unsigned>;  // (rate, power)

std::vector<LocalTerm> flatten(std::map<TermKey, ExactValue>& grouped) {
    std::vector<LocalTerm> terms;
    for (auto& [key, coefficient] : grouped)
        if (!coefficient.isZero()) terms.push_back(LocalTerm{std::move(coefficient), key.second, key.first});
    return terms;
}

// Adds coefficient * (w + shift)^power * e^(rate (w + shift)), expanded in w, to `grouped`.
void addShifted(std::map<TermKey, ExactValue>& grouped, const ExactValue& coefficient, unsigned power,
                const Rational& rate, const Rational& shift) {
    const ExactValue scaled = coefficient.timesExp(rate * shift);
    for (unsigned r = 0; r <= power; ++r) {
        const Rational factor = Rational(binomial(power, r)) * raised(shift, power - r);
        if (factor.is_zero()) continue;
        grouped[{rate, r}] += scaled * factor;
    }
}

}  // namespace

std::vector<LocalTerm> derivative(const std::vector<LocalTerm>& terms) {
    std::map<TermKey, ExactValue> grouped;
    for (const LocalTerm& term : terms) {
        if (term.power > 0) grouped[{term.rate, term.power - 1}] += term.coefficient * Rational(term.power);
        if (!term.rate.is_zero()) grouped[{term.rate, term.power}] += term.coefficient * term.rate;
    }
    return flatten(grouped);
}

std::vector<LocalTerm> recentred(const std::vector<LocalTerm>& terms, const Rational& shift) {
    std::map<TermKey, ExactValue> grouped;
    for (const LocalTerm& term : terms) addShifted(grouped, term.coefficient, term.power, term.rate, shift);
    return flatten(grouped);
}

ExactValue integralOfMonomial(unsigned power, const Rational& rate, const std::optional<Rational>& length) {
    if (rate.is_zero()) {
        if (!length) throw std::logic_error("integralOfMonomial: divergent integral");
        return ExactValue(raised(*length, power + 1) / (power + 1));
    }
    // A primitive of w^k e^(a w) is e^(a w) * sum_i (-1)^i k!/(k-i)! w^(k-i) / a^(i+1).
    const BigInt kFactorial = factorial(power);
    ExactValue result(power % 2 == 0 ? Rational(-kFactorial) / raised(rate, power + 1)
                                     : Rational(kFactorial) / raised(rate, power + 1));
    if (!length) {
        if (rate > 0) throw std::logic_error("integralOfMonomial: divergent integral");
        return result;
    }
    Rational fallingFactorial = 1;
    Rational polynomialPart = 0;
    for (unsigned i = 0; i <= power; ++i) {
        const Rational sign = i % 2 == 0 ? Rational(1) : Rational(-1);
        polynomialPart += sign * fallingFactorial * raised(*length, power - i) /
                          raised(rate, i + 1);
        fallingFactorial *= power - i;
    }
    result += ExactValue::exponential(polynomialPart, rate * *length);
    return result;
}

PiecewiseExpolynomial::PiecewiseExpolynomial() : pieces_{Piece{Rational(0), {}}} {}

PiecewiseExpolynomial PiecewiseExpolynomial::fromExpolynomial(const Expolynomial& f, const std::string& what) {
    std::vector<SupportedTerm> terms;
    for (const Term& term : f.terms)
        if (auto supported = supportOf(term, what)) terms.push_back(std::move(*supported));

    std::vector<Rational> starts{Rational(0)};
    for (const SupportedTerm& term : terms) {
        if (term.lo > 0) starts.push_back(term.lo);
        if (term.hi && *term.hi > 0) starts.push_back(*term.hi);
    }
    std::sort(starts.begin(), starts.end());
    starts.erase(std::unique(starts.begin(), starts.end()), starts.end());

    PiecewiseExpolynomial result;
    result.pieces_.clear();
    for (std::size_t k = 0; k < starts.size(); ++k) {
        const Rational& start = starts[k];
        const std::optional<Rational> end = k + 1 < starts.size() ? std::optional(starts[k + 1]) : std::nullopt;
        std::map<TermKey, ExactValue> grouped;
        ExactValue valueAtStart;
        for (const SupportedTerm& term : terms) {
            if (term.activeAt(start)) valueAtStart += term.valueAt(start);
            if (term.activeOn(start, end))
                addShifted(grouped, ExactValue::exponential(term.coefficient, term.exponentConstant), term.power,
                           term.rate, start);
        }
        Piece piece{start, flatten(grouped)};
        ExactValue rightLimit;
        for (const LocalTerm& term : piece.terms)
            if (term.power == 0) rightLimit += term.coefficient;
        if (!(valueAtStart == rightLimit))
            throw std::invalid_argument(what + " is not right-continuous at t = " + toText(start) +
                                        ": its value there differs from its limit from the right");
        if (!result.pieces_.empty()) {
            const Piece& previous = result.pieces_.back();
            if (recentred(previous.terms, start - previous.start) == piece.terms) continue;
        }
        result.pieces_.push_back(std::move(piece));
    }
    return result;
}

std::optional<Rational> PiecewiseExpolynomial::endOf(std::size_t k) const {
    if (k + 1 < pieces_.size()) return pieces_[k + 1].start;
    return std::nullopt;
}

std::vector<Rational> PiecewiseExpolynomial::breakpoints() const {
    std::vector<Rational> result;
    for (std::size_t k = 1; k < pieces_.size(); ++k) result.push_back(pieces_[k].start);
    return result;
}

Rational PiecewiseExpolynomial::largestRate() const {
    Rational largest = 0;
    for (const Piece& piece : pieces_)
        for (const LocalTerm& term : piece.terms) largest = std::max(largest, Rational(abs(term.rate)));
    return largest;
}

unsigned PiecewiseExpolynomial::largestPower() const {
    unsigned largest = 0;
    for (const Piece& piece : pieces_)
        for (const LocalTerm& term : piece.terms) largest = std::max(largest, term.power);
    return largest;
}

bool PiecewiseExpolynomial::isZero() const {
    return std::all_of(pieces_.begin(), pieces_.end(), [](const Piece& piece) { return piece.terms.empty(); });
}

ExactValue PiecewiseExpolynomial::valueInPiece(std::size_t k, const Rational& offset) const {
    ExactValue value;
    for (const LocalTerm& term : pieces_.at(k).terms)
        value += term.coefficient.timesExp(term.rate * offset) * raised(offset, term.power);
    return value;
}

ExactValue PiecewiseExpolynomial::jumpAt(std::size_t k) const {
    ExactValue jump = valueInPiece(k, 0);
    if (k > 0) jump -= valueInPiece(k - 1, pieces_[k].start - pieces_[k - 1].start);
    return jump;
}

std::optional<ExactValue> PiecewiseExpolynomial::limitAtInfinity() const {
    ExactValue limit;
    for (const LocalTerm& term : pieces_.back().terms) {
        if (term.rate < 0) continue;
        if (term.rate > 0 || term.power > 0) return std::nullopt;
        limit += term.coefficient;
    }
    return limit;
}

std::optional<ExactValue> PiecewiseExpolynomial::integralToInfinity() const {
    for (const LocalTerm& term : pieces_.back().terms)
        if (term.rate >= 0) return std::nullopt;
    ExactValue integral;
    for (std::size_t k = 0; k < pieces_.size(); ++k) {
        const std::optional<Rational> end = endOf(k);
        const std::optional<Rational> length = end ? std::optional(*end - pieces_[k].start) : std::nullopt;
        for (const LocalTerm& term : pieces_[k].terms)
            integral += term.coefficient * integralOfMonomial(term.power, term.rate, length);
    }
    return integral;
}

std::optional<Rational> PiecewiseExpolynomial::firstNonzeroTime() const {
    for (const Piece& piece : pieces_)
        if (!piece.terms.empty()) return piece.start;
    return std::nullopt;
}

PiecewiseExpolynomial PiecewiseExpolynomial::constantMinus(const ExactValue& c) const {
    PiecewiseExpolynomial result;
    result.pieces_.clear();
    for (const Piece& piece : pieces_) {
        std::map<TermKey, ExactValue> grouped;
        grouped[{Rational(0), 0u}] += c;
        for (const LocalTerm& term : piece.terms) grouped[{term.rate, term.power}] -= term.coefficient;
        result.pieces_.push_back(Piece{piece.start, flatten(grouped)});
    }
    return result;
}

}  // namespace drova::measures
