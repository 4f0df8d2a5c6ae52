#include "measures/DiscreteKernel.hpp"

#include <cmath>
#include <map>
#include <stdexcept>

namespace drova::measures {

namespace {

// A density in cell units: h * q(start + h * omega) = sum coefficient * omega^power * e^(rate * omega).
struct CellDensity {
    struct Term {
        long double coefficient;
        unsigned power;
        long double rate;
    };
    std::vector<Term> terms;

    long double operator()(long double omega) const {
        long double value = 0;
        for (const Term& term : terms)
            value += term.coefficient * std::pow(omega, static_cast<long double>(term.power)) * std::exp(term.rate * omega);
        return value;
    }
};

Rational raised(const Rational& base, unsigned exponent) {
    Rational result = 1;
    for (unsigned i = 0; i < exponent; ++i) result *= base;
    return result;
}

long double factorial(unsigned n) {
    long double result = 1;
    for (unsigned i = 2; i <= n; ++i) result *= i;
    return result;
}

long double toLongDouble(const Rational& r) { return r.convert_to<long double>(); }

// The density of piece terms in w (derivative already taken) in cell units: a term
// D w^r e^(a w) becomes D h^(r+1) omega^r e^(a h omega).
CellDensity cellDensity(const std::vector<LocalTerm>& densityTerms, const Rational& h) {
    CellDensity density;
    for (const LocalTerm& term : densityTerms)
        density.terms.push_back(CellDensity::Term{(term.coefficient * raised(h, term.power + 1)).toLongDouble(),
                                                  term.power, toLongDouble(term.rate * h)});
    return density;
}

// Sum over the quadrature points of weight * f(point) * (Lagrange values at y(point)), as a row.
template <typename Integrand, typename PointMap>
Eigen::RowVectorXd integrateAgainstBasis(const QuadratureRule& rule, const CellBasis& basis, Integrand f,
                                         PointMap y, long double scale) {
    const std::size_t p = basis.size();
    std::vector<long double> sums(p, 0), lagrange;
    for (std::size_t q = 0; q < rule.points.size(); ++q) {
        const long double s = rule.points[q];
        basis.lagrangeValues(y(s), lagrange);
        const long double weighted = rule.weights[q] * f(s);
        for (std::size_t l = 0; l < p; ++l) sums[l] += weighted * lagrange[l];
    }
    Eigen::RowVectorXd row(p);
    for (std::size_t l = 0; l < p; ++l) row[l] = static_cast<double>(scale * sums[l]);
    return row;
}

DensityPiece discretisePiece(const CellDensity& density, std::size_t startLag, std::optional<std::size_t> length,
                             const CellBasis& basis, const QuadratureRule& rule) {
    const std::size_t p = basis.size();
    const auto& x = basis.nodes();
    DensityPiece piece;
    piece.startLag = startLag;
    piece.length = length;

    // Near edge: y in [0, x_i] of cell K - L1, at omega = x_i - y.
    piece.nearEdge.resize(p, p);
    for (std::size_t i = 0; i < p; ++i)
        piece.nearEdge.row(i) = integrateAgainstBasis(
            rule, basis, [&](long double s) { return density(x[i] * (1 - s)); },
            [&](long double s) { return x[i] * s; }, x[i]);

    // Far edge: y in [x_i, 1] of cell K - L1 - W, at omega = W + x_i - y.
    if (length) {
        const long double w = static_cast<long double>(*length);
        piece.farEdge.resize(p, p);
        for (std::size_t i = 0; i < p; ++i)
            piece.farEdge.row(i) = integrateAgainstBasis(
                rule, basis, [&](long double s) { return density(w - (1 - x[i]) * s); },
                [&](long double s) { return x[i] + (1 - x[i]) * s; }, 1 - x[i]);
    }
    if (length && *length < 2) return piece;

    // Whole cells, one group per rate: omega = z + x_i, so
    //   d omega^r e^(a omega) = d e^(a x_i) sum_s r!/(r-s)! x_i^(r-s) (z^s / s!) e^(a z).
    std::map<long double, std::vector<CellDensity::Term>> byRate;
    for (const CellDensity::Term& term : density.terms) byRate[term.rate].push_back(term);
    for (const auto& [rate, terms] : byRate) {
        unsigned degree = 0;
        for (const auto& term : terms) degree = std::max(degree, term.power);
        const std::size_t d = degree + 1;
        RateGroup group;
        group.shift = Eigen::MatrixXd::Zero(d, d);
        for (std::size_t s = 0; s < d; ++s)
            for (std::size_t s2 = 0; s2 <= s; ++s2)
                group.shift(s, s2) = static_cast<double>(std::exp(rate) / factorial(static_cast<unsigned>(s - s2)));
        group.combine = Eigen::MatrixXd::Zero(p, d);
        for (std::size_t i = 0; i < p; ++i)
            for (const auto& term : terms)
                for (unsigned s = 0; s <= term.power; ++s)
                    group.combine(i, s) += static_cast<double>(
                        term.coefficient * factorial(term.power) / factorial(term.power - s) *
                        std::pow(x[i], static_cast<long double>(term.power - s)) * std::exp(rate * x[i]));
        group.enter.resize(d, p);
        for (std::size_t s = 0; s < d; ++s)
            group.enter.row(s) = integrateAgainstBasis(
                rule, basis,
                [&](long double y) {
                    return std::pow(1 - y, static_cast<long double>(s)) / factorial(static_cast<unsigned>(s)) *
                           std::exp(rate * (1 - y));
                },
                [](long double y) { return y; }, 1);
        if (length) {
            const long double w = static_cast<long double>(*length);
            group.leave.resize(d, p);
            for (std::size_t s = 0; s < d; ++s)
                group.leave.row(s) = integrateAgainstBasis(
                    rule, basis,
                    [&](long double y) {
                        return std::pow(w - y, static_cast<long double>(s)) / factorial(static_cast<unsigned>(s)) *
                               std::exp(rate * (w - y));
                    },
                    [](long double y) { return y; }, 1);
        }
        piece.rateGroups.push_back(std::move(group));
    }
    return piece;
}

}  // namespace

std::size_t cellsIn(const Rational& t, const Rational& h) {
    const Rational cells = t / h;
    if (denominatorOf(cells) != 1)
        throw std::logic_error("cellsIn: " + toText(t) + " is not a multiple of the cell length " + toText(h));
    return numeratorOf(cells).convert_to<std::size_t>();
}

DiscreteEntry discretiseEntry(const PiecewiseExpolynomial& entry, std::size_t target, std::size_t source,
                              const Rational& h, const CellBasis& basis) {
    DiscreteEntry discrete;
    discrete.target = target;
    discrete.source = source;
    const QuadratureRule rule = gaussLegendreRule(basis.size() + entry.largestPower() + 4);
    const auto& pieces = entry.pieces();
    for (std::size_t k = 0; k < pieces.size(); ++k) {
        const std::size_t startLag = cellsIn(pieces[k].start, h);
        const ExactValue jump = entry.jumpAt(k);
        if (!jump.isZero()) discrete.masses.push_back(PointMass{startLag, jump.toDouble()});
        const std::vector<LocalTerm> densityTerms = derivative(pieces[k].terms);
        if (densityTerms.empty()) continue;
        const std::optional<Rational> end = entry.endOf(k);
        const std::optional<std::size_t> length =
            end ? std::optional(cellsIn(*end, h) - startLag) : std::nullopt;
        discrete.pieces.push_back(discretisePiece(cellDensity(densityTerms, h), startLag, length, basis, rule));
    }
    return discrete;
}

}  // namespace drova::measures
