#include "distributions/ExpolynomialFit.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>
#include <string>
#include <vector>

namespace drova {

namespace {

const std::string X = "x";

// value rounded to `digits` significant decimal digits, exactly as that decimal.
Rational rounded(double value, int digits) {
    if (value == 0 || !std::isfinite(value)) return RationalZero;
    const int exponent = digits - 1 - static_cast<int>(std::floor(std::log10(std::fabs(value))));
    const long long mantissa = std::llround(value * std::pow(10.0, exponent));
    std::string scale = "1";
    std::string digitsText = std::to_string(mantissa);
    if (exponent >= 0)
        scale += std::string(static_cast<std::size_t>(exponent), '0');
    else
        digitsText += std::string(static_cast<std::size_t>(-exponent), '0');
    return fromTexts(digitsText, scale);
}

// A multiple of 10^-12: the masses' grid.
Rational probability(double value) {
    return fromTexts(std::to_string(std::llround(std::clamp(value, 0.0, 1.0) * 1e12)), "1000000000000");
}

// One piece of the fitted distribution function on [a, b]: the cubic Hermite interpolant of the
// values c0, c1 and the slopes d0, d1, in long double for the measurements.
struct Piece {
    Rational a, b, c0, c1, d0, d1;
    long double la, lb, lc0, lc1, ld0, ld1;

    long double value(long double x) const {
        const long double h = lb - la, t = (x - la) / h;
        return (2 * t * t * t - 3 * t * t + 1) * lc0 + (t * t * t - 2 * t * t + t) * h * ld0 +
               (-2 * t * t * t + 3 * t * t) * lc1 + (t * t * t - t * t) * h * ld1;
    }
    long double density(long double x) const {
        const long double h = lb - la, t = (x - la) / h;
        return ((6 * t * t - 6 * t) * lc0 + (-6 * t * t + 6 * t) * lc1) / h + (3 * t * t - 4 * t + 1) * ld0 +
               (3 * t * t - 2 * t) * ld1;
    }
    // The density in x, with the heaviside factors of the piece.
    Expolynomial expolynomial() const {
        const Rational h = b - a;
        const Rational slope = (c0 - c1) / h;
        const Rational quadratic = (6 * slope + 3 * d0 + 3 * d1) / (h * h);
        const Rational linear = (-6 * slope - 4 * d0 - 2 * d1) / h;
        const Expolynomial inU(std::vector<Term>{Term(quadratic, RationalZero, {}, {{"u", 2u}}, {}),
                                                 Term(linear, RationalZero, {}, {{"u", 1u}}, {}), Term(d0)});
        Expolynomial normalised = add(Expolynomial(std::vector<Term>{}), inU);
        const Expolynomial inX = substitute(normalised, "u", LinearForm({{X, 1}}, Rational(-a)));
        const Term cut(RationalOne, RationalZero, {}, {}, {LinearForm({{X, 1}}, Rational(-a)), LinearForm({{X, -1}}, b)});
        return multiply(cut, inX);
    }
};

}  // namespace

ExpolynomialFit fitExpolynomial(const SampledLaw& law, unsigned pieces) {
    if (pieces < 1 || pieces > 200)
        throw std::invalid_argument("The number of pieces of a fit must be from 1 to 200, not " + std::to_string(pieces));
    constexpr double TailMass = 1e-3;
    // The breakpoints: quantiles at levels dense near both ends, rounded to multiples of a step of
    // 1, 2 or 5 times a power of ten near a tenth of the median's share of a piece (or half the first
    // breakpoint, when that is smaller). A coarse common
    // step keeps the grid of the exact measures, which must hold every breakpoint, short.
    const double firstLevel = (1 - std::cos(std::numbers::pi / pieces)) / 2 * (1 - TailMass);
    const double share = std::min(law.quantile(0.5) / (10.0 * pieces), law.quantile(firstLevel) / 2);
    const int decade = static_cast<int>(std::floor(std::log10(share)));
    Rational step = rounded(std::pow(10.0, decade), 1);
    for (const int m : {2, 5})
        if (m * std::pow(10.0, decade) <= share) step = rounded(m * std::pow(10.0, decade), 1);
    std::vector<Rational> at{RationalZero};
    for (unsigned i = 1; i <= pieces; ++i) {
        const double level = (1 - std::cos(std::numbers::pi * i / pieces)) / 2 * (1 - TailMass);
        const Rational point = Rational(std::llround(law.quantile(level) / static_cast<double>(step))) * step;
        if (point > at.back()) at.push_back(point);
    }
    if (at.size() < 2) throw std::invalid_argument("The law " + law.toText() + " has no spread to fit");
    std::vector<Rational> values, slopes;
    for (const Rational& point : at) {
        const double x = static_cast<double>(point);
        values.push_back(point == 0 ? RationalZero : std::max(probability(law.distributionAt(x)), values.back()));
        const double f = law.densityAt(x);
        slopes.push_back(std::isfinite(f) ? rounded(f, 12) : Rational(-1));  // -1: infinite, set below
    }
    std::vector<Piece> fitted;
    Expolynomial density(std::vector<Term>{});
    for (std::size_t i = 0; i + 1 < at.size(); ++i) {
        Piece piece{at[i], at[i + 1], values[i], values[i + 1], slopes[i], slopes[i + 1], 0, 0, 0, 0, 0, 0};
        const Rational secant = (piece.c1 - piece.c0) / (piece.b - piece.a);
        if (secant == 0) {
            piece.d0 = piece.d1 = RationalZero;
        } else {
            const double s = static_cast<double>(secant);
            double alpha = piece.d0 < 0 ? 3.0 : static_cast<double>(piece.d0) / s;
            double beta = static_cast<double>(piece.d1) / s;
            // Monotone when alpha^2 + beta^2 <= 9; scaled with a margin for the rounding of the slopes.
            if (const double norm = std::hypot(alpha, beta); norm > 2.999) {
                alpha *= 2.999 / norm;
                beta *= 2.999 / norm;
                piece.d0 = rounded(alpha * s, 12);
                piece.d1 = rounded(beta * s, 12);
            } else if (piece.d0 < 0) {
                piece.d0 = rounded(alpha * s, 12);
            }
        }
        piece.la = static_cast<long double>(piece.a);
        piece.lb = static_cast<long double>(piece.b);
        piece.lc0 = static_cast<long double>(piece.c0);
        piece.lc1 = static_cast<long double>(piece.c1);
        piece.ld0 = static_cast<long double>(piece.d0);
        piece.ld1 = static_cast<long double>(piece.d1);
        density = add(std::move(density), piece.expolynomial());
        fitted.push_back(piece);
    }
    // The tail: the remaining mass m, decaying at the hazard rate f(b) / m of the law at b.
    const Rational& end = at.back();
    const Rational mass = RationalOne - values.back();
    const double hazard = law.densityAt(static_cast<double>(end)) / static_cast<double>(mass);
    const Rational rate = rounded(hazard > 0 && std::isfinite(hazard) ? hazard : 1 / static_cast<double>(end), 12);
    const Term tail(Rational(mass * rate), Rational(rate * end), {{X, Rational(-rate)}}, {},
                    {LinearForm({{X, 1}}, Rational(-end))});
    density = add(std::move(density), Expolynomial(tail));

    ExpolynomialFit fit;
    fit.pieces = static_cast<unsigned>(fitted.size());
    // The distances, on a fine grid of each piece and of the tail by its own quantiles.
    constexpr int Cells = 4000;
    long double kolmogorov = 0, variation = 0;
    const auto cell = [&](long double x1, long double x2, long double g1, long double g2, long double gMiddle) {
        const long double f1 = law.distributionAt(static_cast<double>(x1)), f2 = law.distributionAt(static_cast<double>(x2));
        kolmogorov = std::max({kolmogorov, f2 - g1, g2 - f1});
        variation += std::fabs(law.densityAt(static_cast<double>((x1 + x2) / 2)) - gMiddle) * (x2 - x1);
    };
    for (const Piece& piece : fitted)
        for (int j = 0; j < Cells; ++j) {
            const long double x1 = piece.la + (piece.lb - piece.la) * j / Cells;
            const long double x2 = piece.la + (piece.lb - piece.la) * (j + 1) / Cells;
            cell(x1, x2, piece.value(x1), piece.value(x2), piece.density((x1 + x2) / 2));
        }
    const long double b = static_cast<long double>(end), m = static_cast<long double>(mass),
                      lambda = static_cast<long double>(rate);
    const auto tailValue = [&](long double x) { return 1 - m * std::exp(-lambda * (x - b)); };
    long double x1 = b;
    for (int j = 1; j <= Cells; ++j) {
        const long double x2 = b - std::log1p(-static_cast<long double>(j) / Cells * (1 - 1e-12L)) / lambda;
        cell(x1, x2, tailValue(x1), tailValue(x2), m * lambda * std::exp(-lambda * ((x1 + x2) / 2 - b)));
        x1 = x2;
    }
    const long double beyondTrue = 1 - law.distributionAt(static_cast<double>(x1)), beyondFit = 1 - tailValue(x1);
    kolmogorov = std::max({kolmogorov, beyondTrue, beyondFit});
    variation += beyondTrue + beyondFit;
    fit.kolmogorov = static_cast<double>(kolmogorov);
    fit.totalVariation = static_cast<double>(variation / 2);
    fit.law = ExpolyDensity::fromDensity(std::move(density), RationalZero, std::nullopt);
    return fit;
}

}  // namespace drova
