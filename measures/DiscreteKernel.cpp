#include "measures/DiscreteKernel.hpp"

#include <boost/multiprecision/cpp_bin_float.hpp>

#include <algorithm>
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

// Terms adding up to more than this many times the largest value of the density cost more than
// 3 of long double's 19 digits.
constexpr long double LargestCancellation = 1000;
// A density whose terms cancel gets a weight matrix for each whole cell up to this many; beyond
// it (a long exponential tail) it keeps the rate groups.
constexpr std::size_t MostWholeCellMatrices = 4096;

// A density in cell units whose terms cancel, evaluated from its Taylor expansion about the
// middle of the cell of omega: f(m + u) = e^(b (m + u)) sum_k D_k u^k with b the largest rate,
// each D_k formed in 100 digits from the exact terms. Within a cell (|u| <= 1/2, every rate at
// most 1/2 in size) the expansion adds terms of about the density's own size, so long double
// keeps its digits.
class ExpandedDensity {
public:
    ExpandedDensity(const std::vector<LocalTerm>& densityTerms, const Rational& h) {
        unsigned power = 0;
        Rational largest;
        bool first = true;
        for (const LocalTerm& term : densityTerms) {
            Rational scale = h;
            for (unsigned r = 0; r < term.power; ++r) scale *= h;
            const ExactValue coefficient = term.coefficient * scale;
            Precise exact = 0;
            for (const auto& [exponent, c] : coefficient.terms()) exact += Precise(c) * exp(Precise(exponent));
            const Rational rate = term.rate * h;
            terms_.push_back({exact, term.power, rate, Precise(0), Precise(0), Precise(0)});
            power = std::max(power, term.power);
            if (first || rate > largest) largest = rate;
            first = false;
        }
        base_ = largest.convert_to<long double>();
        order_ = power + 28;
        inverseFactorial_.assign(order_, Precise(1));
        for (unsigned i = 1; i < order_; ++i) inverseFactorial_[i] = inverseFactorial_[i - 1] / i;
        for (Term& term : terms_) {
            term.offset = Precise(term.rate - largest);
            term.step = exp(term.offset);
            term.half = exp(term.offset / 2);
        }
    }

    long double operator()(long double omega) {
        const long double cell = std::max<long double>(0, std::floor(omega));
        const std::vector<long double>& d = expansion(static_cast<std::size_t>(cell));
        const long double u = omega - (cell + 0.5L);
        long double sum = 0;
        for (std::size_t k = d.size(); k-- > 0;) sum = sum * u + d[k];
        return sum * std::exp(base_ * omega);
    }

private:
    using Precise = boost::multiprecision::number<boost::multiprecision::cpp_bin_float<100>>;
    struct Term {
        Precise coefficient;
        unsigned power;
        Rational rate;
        Precise offset;  // o = rate - b
        Precise step;    // e^o
        Precise half;    // e^(o / 2)
    };

    // D_k = sum over the terms of c e^(o m) times the u^k coefficient of (m + u)^r e^(o u), that is
    // sum over j <= min(r, k) of C(r, j) m^(r - j) o^(k - j) / (k - j)!.
    const std::vector<long double>& expansion(std::size_t cell) {
        const auto found = cells_.find(cell);
        if (found != cells_.end()) return found->second;
        const Precise m = Precise(cell) + Precise(0.5);
        std::vector<Precise> d(order_, Precise(0));
        std::vector<Precise> series(order_);
        for (const Term& term : terms_) {
            // e^(o m) = e^(o / 2) (e^o)^cell, by squaring.
            Precise scale = term.coefficient * term.half, factor = term.step;
            for (std::size_t e = cell; e > 0; e >>= 1) {
                if (e & 1) scale *= factor;
                if (e > 1) factor *= factor;
            }
            // o^i / i! for i < order_.
            Precise power = 1;
            for (unsigned i = 0; i < order_; ++i) {
                series[i] = power * inverseFactorial_[i];
                power *= term.offset;
            }
            if (term.power == 0) {
                for (unsigned k = 0; k < order_; ++k) d[k] += scale * series[k];
                continue;
            }
            // C(r, j) m^(r - j).
            std::vector<Precise> binomial(term.power + 1);
            Precise c = 1;
            for (unsigned j = 0; j <= term.power; ++j) {
                binomial[j] = c * pow(m, static_cast<int>(term.power - j));
                c = c * (term.power - j) / (j + 1);
            }
            for (unsigned k = 0; k < order_; ++k)
                for (unsigned j = 0; j <= std::min(term.power, k); ++j) d[k] += scale * binomial[j] * series[k - j];
        }
        std::vector<long double> rounded;
        for (const Precise& value : d) rounded.push_back(value.convert_to<long double>());
        return cells_.emplace(cell, std::move(rounded)).first->second;
    }

    std::vector<Term> terms_;
    std::vector<Precise> inverseFactorial_;  // 1 / i!
    long double base_ = 0;
    unsigned order_ = 0;
    std::map<std::size_t, std::vector<long double>> cells_;
};

// Whether the terms of the density cancel: at the middle of its first cells (up to 64) and of
// one in each further 64, they add up to far more than the largest value.
bool termsCancel(const CellDensity& density, std::optional<std::size_t> length) {
    const std::size_t cells = length ? *length : 64;
    long double magnitude = 0, largest = 0;
    for (std::size_t cell = 0; cell < cells; cell += cell < 64 ? 1 : 64)
        for (const long double offset : {0.25L, 0.5L, 0.75L}) {
            const long double omega = static_cast<long double>(cell) + offset;
            long double value = 0, size = 0;
            for (const CellDensity::Term& term : density.terms) {
                const long double t =
                    term.coefficient * std::pow(omega, static_cast<long double>(term.power)) * std::exp(term.rate * omega);
                value += t;
                size += std::abs(t);
            }
            magnitude = std::max(magnitude, size);
            largest = std::max(largest, std::abs(value));
        }
    return magnitude > LargestCancellation * largest;
}

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

// The edges of a piece (and nothing else when W = 1).
template <typename Density>
DensityPiece discretiseEdges(Density& density, std::size_t startLag, std::optional<std::size_t> length,
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
    return piece;
}

// The piece of a density whose terms cancel: its edges and whole cells from its expansions, each
// whole cell w (omega = w + x_i - y, y in [0, 1] of cell K - L1 - w) with a matrix of its own.
DensityPiece discretiseExpanded(const std::vector<LocalTerm>& densityTerms, const Rational& h, std::size_t startLag,
                                std::optional<std::size_t> length, std::size_t wholeCells, const CellBasis& basis,
                                const QuadratureRule& rule) {
    ExpandedDensity density(densityTerms, h);
    DensityPiece piece = discretiseEdges(density, startLag, length, basis, rule);
    const std::size_t p = basis.size();
    const std::size_t q = rule.points.size();
    const auto& x = basis.nodes();
    // matrix(i, l) = sum over the rule's points s of weight(s) f(w + x_i - s) L_l(s): the values
    // times the Lagrange values at the points, which are the same for every cell.
    Eigen::MatrixXd lagrangeAtPoints(q, p);
    std::vector<long double> lagrange;
    for (std::size_t k = 0; k < q; ++k) {
        basis.lagrangeValues(rule.points[k], lagrange);
        for (std::size_t l = 0; l < p; ++l) lagrangeAtPoints(k, l) = static_cast<double>(lagrange[l]);
    }
    Eigen::MatrixXd values(p, q);
    for (std::size_t w = 1; w <= wholeCells; ++w) {
        const long double shift = static_cast<long double>(w);
        for (std::size_t i = 0; i < p; ++i)
            for (std::size_t k = 0; k < q; ++k)
                values(i, k) = static_cast<double>(rule.weights[k] * density(shift + x[i] - rule.points[k]));
        piece.wholeCells.push_back(values * lagrangeAtPoints);
    }
    return piece;
}

DensityPiece discretisePiece(const CellDensity& density, std::size_t startLag, std::optional<std::size_t> length,
                             const CellBasis& basis, const QuadratureRule& rule) {
    CellDensity evaluated = density;
    DensityPiece piece = discretiseEdges(evaluated, startLag, length, basis, rule);
    const std::size_t p = basis.size();
    const auto& x = basis.nodes();
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
                              const Rational& h, const CellBasis& basis, std::size_t cells) {
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
        const CellDensity density = cellDensity(densityTerms, h);
        // The whole cells that a solve of `cells` cells reaches.
        const std::size_t reach = cells > startLag + 1 ? cells - startLag - 1 : 0;
        const std::size_t wholeCells = std::min(length ? (*length > 1 ? *length - 1 : 0) : reach, reach);
        if (wholeCells <= MostWholeCellMatrices && termsCancel(density, length))
            discrete.pieces.push_back(discretiseExpanded(densityTerms, h, startLag, length, wholeCells, basis, rule));
        else
            discrete.pieces.push_back(discretisePiece(density, startLag, length, basis, rule));
    }
    return discrete;
}

}  // namespace drova::measures
