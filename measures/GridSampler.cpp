#include "measures/GridSampler.hpp"

#include "measures/DiscreteKernel.hpp"

#include <cmath>

namespace drova::measures {

namespace {

// Terms cancelling by more than this cost more than 3 of long double's 19 digits.
constexpr long double LargestCancellation = 1000;

}  // namespace

GridSampler::GridSampler(const PiecewiseExpolynomial& function, const Rational& h, const CellBasis& basis)
    : nodes_(basis.nodes()) {
    for (const Piece& piece : function.pieces()) {
        SampledPiece sampled{cellsIn(piece.start, h), {}};
        for (const LocalTerm& term : piece.terms) {
            Rational scale = 1;
            for (unsigned r = 0; r < term.power; ++r) scale *= h;
            const ExactValue coefficient = term.coefficient * scale;
            Term t{coefficient.toLongDouble(), term.power, (term.rate * h).convert_to<long double>(), {}};
            for (long double x : nodes_) t.nodeFactors.push_back(std::exp(t.rate * x));
            sampled.terms.push_back(std::move(t));
            Precise exact = 0;
            for (const auto& [exponent, c] : coefficient.terms()) exact += Precise(c) * exp(Precise(exponent));
            sampled.precise.push_back({exact, term.power, Precise(term.rate * h)});
        }
        pieces_.push_back(std::move(sampled));
    }
}

void GridSampler::sample(std::size_t cell, std::vector<double>& values) {
    while (current_ + 1 < pieces_.size() && pieces_[current_ + 1].startCell <= cell) ++current_;
    const SampledPiece& piece = pieces_[current_];
    const std::size_t p = nodes_.size();
    const long double offset = static_cast<long double>(cell - piece.startCell);
    sums_.assign(p, 0);
    magnitudes_.assign(p, 0);
    auto& sums = sums_;
    for (const Term& term : piece.terms) {
        const long double cellFactor = term.coefficient * std::exp(term.rate * offset);
        for (std::size_t i = 0; i < p; ++i) {
            const long double omega = offset + nodes_[i];
            long double value = cellFactor * term.nodeFactors[i];
            for (unsigned r = 0; r < term.power; ++r) value *= omega;
            sums[i] += value;
            magnitudes_[i] += std::abs(value);
        }
    }
    values.resize(p);
    for (std::size_t i = 0; i < p; ++i) {
        if (magnitudes_[i] > LargestCancellation * std::abs(sums[i])) sums[i] = preciseValue(piece, cell, i);
        values[i] = static_cast<double>(sums[i]);
    }
}

long double GridSampler::preciseValue(const SampledPiece& piece, std::size_t cell, std::size_t i) const {
    const Precise omega = Precise(static_cast<long long>(cell - piece.startCell)) + Precise(nodes_[i]);
    Precise sum = 0;
    for (const PreciseTerm& term : piece.precise) {
        Precise value = term.coefficient * exp(term.rate * omega);
        for (unsigned r = 0; r < term.power; ++r) value *= omega;
        sum += value;
    }
    return sum.convert_to<long double>();
}

}  // namespace drova::measures
