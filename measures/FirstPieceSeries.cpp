#include "measures/FirstPieceSeries.hpp"

#include "measures/AtTimeZero.hpp"
#include "measures/HighPrecision.hpp"

#include <algorithm>

namespace drova::measures {

namespace {

constexpr std::size_t MaximumTerms = 400;
const HighPrecision LargestRateTimesTime = 20;

// The terms of f's first piece when it starts at 0 (f is then that expression up to the end of
// the piece); empty for a function that is 0 there.
const std::vector<LocalTerm>* firstPiece(const PiecewiseExpolynomial& f) {
    static const std::vector<LocalTerm> none;
    const std::vector<Piece>& pieces = f.pieces();
    if (pieces.empty() || !pieces.front().start.is_zero()) return &none;
    return &pieces.front().terms;
}

// The derivatives at 0 of sum c w^r e^(a w), orders 0 .. count - 1: the k-th is
// sum c k! / (k - r)! a^(k - r) over the terms with r <= k. Each is formed exactly and then
// rounded: the terms of an entry with several rates cancel (a hypoexponential distribution's
// first derivatives are exactly 0), which rounding each term first would turn into noise.
std::vector<HighPrecision> derivativesAtZero(const std::vector<LocalTerm>& terms, std::size_t count) {
    std::vector<ExactValue> exact(count);
    for (const LocalTerm& term : terms) {
        // k!/(k - r)! a^(k - r), built up from k = r.
        Rational factor(1);
        for (unsigned m = 1; m <= term.power; ++m) factor *= Rational(m);
        for (std::size_t k = term.power; k < count; ++k) {
            exact[k] += term.coefficient * factor;
            factor *= term.rate * Rational(static_cast<long long>(k + 1)) /
                      Rational(static_cast<long long>(k + 1 - term.power));
        }
    }
    std::vector<HighPrecision> result;
    result.reserve(count);
    for (const ExactValue& value : exact) result.push_back(value.approximate());
    return result;
}

// The number of exact terms that the derivatives of all first pieces take.
std::size_t derivativeWork(const std::vector<LocalTerm>& terms, std::size_t count) { return terms.size() * count; }

HighPrecision largestRate(const std::vector<LocalTerm>& terms) {
    HighPrecision rho = 0;
    for (const LocalTerm& term : terms) rho = std::max(rho, HighPrecision(abs(term.rate)));
    return rho;
}

}  // namespace

std::vector<std::optional<std::vector<double>>> solveByFirstPieceSeries(const RenewalEquation& equation,
                                                                        std::size_t row,
                                                                        const std::vector<Rational>& times) {
    std::vector<std::optional<std::vector<double>>> result(times.size());
    const std::size_t unknowns = equation.forcing.size();
    if (unknowns == 0 || times.empty()) return result;
    const std::size_t columns = equation.forcing.front().size();

    // Where the first pieces end (the first instant at which some function changes its
    // expression), their largest rate, and no transition that takes no time.
    std::optional<Rational> end;
    HighPrecision rho = 0;
    const auto include = [&](const PiecewiseExpolynomial& f) {
        const std::vector<Piece>& pieces = f.pieces();
        if (pieces.empty()) return;
        std::optional<Rational> boundary;
        if (!pieces.front().start.is_zero())
            boundary = pieces.front().start;
        else if (pieces.size() > 1)
            boundary = *f.endOf(0);
        if (boundary && (!end || *boundary < *end)) end = boundary;
        rho = std::max(rho, largestRate(*firstPiece(f)));
    };
    for (const RenewalEquation::Entry& entry : equation.kernel) {
        include(*entry.function);
        if (!derivativesAtZero(*firstPiece(*entry.function), 1)[0].is_zero()) return result;
    }
    for (const auto& forcing : equation.forcing)
        for (const PiecewiseExpolynomial& f : forcing) include(f);

    // At the end itself the series gives the limit from the left, which is the value there when
    // X does not jump: its jump is that of B plus the kernel's jumps times X(0) = B(0), checked
    // exactly.
    bool continuousAtEnd = true;
    if (end) {
        const auto jumpAtEnd = [&](const PiecewiseExpolynomial& f) {
            const std::vector<Piece>& pieces = f.pieces();
            for (std::size_t k = 0; k < pieces.size(); ++k)
                if (pieces[k].start == *end) return f.jumpAt(k);
            return ExactValue();
        };
        std::vector<std::vector<ExactValue>> jump(unknowns, std::vector<ExactValue>(columns));
        for (std::size_t i = 0; i < unknowns; ++i)
            for (std::size_t c = 0; c < columns; ++c) jump[i][c] = jumpAtEnd(equation.forcing[i][c]);
        for (const RenewalEquation::Entry& entry : equation.kernel) {
            const ExactValue kernelJump = jumpAtEnd(*entry.function);
            if (kernelJump.isZero()) continue;
            for (std::size_t c = 0; c < columns; ++c)
                jump[entry.target][c] += kernelJump * valueAtZero(equation.forcing[entry.source][c]);
        }
        for (const auto& row : jump)
            for (const ExactValue& value : row)
                if (!value.isZero()) continuousAtEnd = false;
    }

    std::vector<bool> applies(times.size(), false);
    HighPrecision latest = 0;
    bool any = false;
    for (std::size_t k = 0; k < times.size(); ++k) {
        if (end && !(times[k] < *end || (continuousAtEnd && times[k] == *end))) continue;
        const HighPrecision t(times[k]);
        if (rho * t > LargestRateTimesTime) continue;
        applies[k] = true;
        any = true;
        latest = std::max(latest, t);
    }
    if (!any) return result;

    // Terms enough for the latest time: past about rho t the terms shrink faster than
    // geometrically; whether they did is checked on the last ones below.
    const std::size_t count =
        std::min(MaximumTerms, static_cast<std::size_t>((3 * rho * latest).convert_to<double>()) + 60);
    if ((equation.kernel.size() + unknowns) * columns * count * count / 2 > MaximumSeriesWork) return result;
    std::size_t exactWork = 0;
    for (const RenewalEquation::Entry& entry : equation.kernel)
        exactWork += derivativeWork(*firstPiece(*entry.function), count + 1);
    for (const auto& forcing : equation.forcing)
        for (const PiecewiseExpolynomial& f : forcing) exactWork += derivativeWork(*firstPiece(f), count);
    if (exactWork > MaximumExactDerivatives) return result;

    struct SeriesEntry {
        std::size_t target, source;
        std::vector<HighPrecision> derivatives;  // of Q at 0, orders 0 .. count
    };
    std::vector<SeriesEntry> entries;
    for (const RenewalEquation::Entry& entry : equation.kernel)
        entries.push_back({entry.target, entry.source, derivativesAtZero(*firstPiece(*entry.function), count + 1)});
    // x[k][i * columns + c]
    std::vector<std::vector<HighPrecision>> x(count, std::vector<HighPrecision>(unknowns * columns, HighPrecision(0)));
    for (std::size_t i = 0; i < unknowns; ++i)
        for (std::size_t c = 0; c < columns; ++c) {
            const std::vector<HighPrecision> b = derivativesAtZero(*firstPiece(equation.forcing[i][c]), count);
            for (std::size_t k = 0; k < count; ++k) x[k][i * columns + c] = b[k];
        }
    for (std::size_t k = 1; k < count; ++k)
        for (const SeriesEntry& entry : entries)
            for (std::size_t a = 0; a < k; ++a) {
                const HighPrecision& q = entry.derivatives[a + 1];
                if (q.is_zero()) continue;
                for (std::size_t c = 0; c < columns; ++c)
                    x[k][entry.target * columns + c] += q * x[k - 1 - a][entry.source * columns + c];
            }

    for (std::size_t k = 0; k < times.size(); ++k) {
        if (!applies[k]) continue;
        const HighPrecision t(times[k]);
        std::vector<double> values(columns);
        bool converged = true;
        for (std::size_t c = 0; c < columns; ++c) {
            HighPrecision sum = 0, magnitude = 0, last = 0, power = 1;  // power = t^m / m!
            for (std::size_t m = 0; m < count; ++m) {
                const HighPrecision term = x[m][row * columns + c] * power;
                sum += term;
                magnitude += abs(term);
                if (m + 8 >= count) last = std::max(last, HighPrecision(abs(term)));
                power *= t / HighPrecision(m + 1);
            }
            // The last terms must be far below the digits kept (and below the sum's own size).
            if (last > HighPrecision(1e-40) * magnitude || last > HighPrecision(1e-30) * abs(sum)) converged = false;
            values[c] = sum.convert_to<double>();
        }
        if (converged) result[k] = std::move(values);
    }
    return result;
}

}  // namespace drova::measures
