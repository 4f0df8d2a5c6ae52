#include "measures/GridSampler.hpp"

#include "measures/DiscreteKernel.hpp"

#include <cmath>

namespace drova::measures {

GridSampler::GridSampler(const PiecewiseExpolynomial& function, const Rational& h, const CellBasis& basis)
    : nodes_(basis.nodes()) {
    for (const Piece& piece : function.pieces()) {
        SampledPiece sampled{cellsIn(piece.start, h), {}};
        for (const LocalTerm& term : piece.terms) {
            Rational scale = 1;
            for (unsigned r = 0; r < term.power; ++r) scale *= h;
            Term t{(term.coefficient * scale).toLongDouble(), term.power, (term.rate * h).convert_to<long double>(), {}};
            for (long double x : nodes_) t.nodeFactors.push_back(std::exp(t.rate * x));
            sampled.terms.push_back(std::move(t));
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
    auto& sums = sums_;
    for (const Term& term : piece.terms) {
        const long double cellFactor = term.coefficient * std::exp(term.rate * offset);
        for (std::size_t i = 0; i < p; ++i) {
            const long double omega = offset + nodes_[i];
            long double value = cellFactor * term.nodeFactors[i];
            for (unsigned r = 0; r < term.power; ++r) value *= omega;
            sums[i] += value;
        }
    }
    values.resize(p);
    for (std::size_t i = 0; i < p; ++i) values[i] = static_cast<double>(sums[i]);
}

}  // namespace drova::measures
