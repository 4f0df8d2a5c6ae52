#include "measures/AtTimeZero.hpp"

#include "measures/SparseElimination.hpp"

#include <stdexcept>

namespace drova::measures {

ExactValue valueAtZero(const PiecewiseExpolynomial& f) {
    const std::vector<Piece>& pieces = f.pieces();
    if (pieces.empty() || !pieces.front().start.is_zero()) return ExactValue();
    return f.valueInPiece(0, Rational(0));
}

std::vector<std::vector<double>> solutionAtZero(const ExactKernel& kernel, const std::vector<std::size_t>& unknowns,
                                                const std::vector<std::size_t>& position,
                                                const std::vector<std::vector<ExactValue>>& forcing) {
    const std::size_t u = unknowns.size();
    const std::size_t columns = u == 0 ? 0 : forcing.front().size();
    SubstochasticSystem system(u);
    std::vector<std::vector<long double>> rhs(columns, std::vector<long double>(u, 0.0L));
    for (std::size_t r = 0; r < u; ++r) {
        ExactValue exit(Rational(1));
        for (const KernelEntry& entry : kernel.row(unknowns[r])) {
            if (position[entry.target] >= u) continue;
            const ExactValue jump = valueAtZero(entry.function);
            if (jump.isZero()) continue;
            exit -= jump;
            system.addTransition(r, position[entry.target], jump.toLongDouble());
        }
        system.setExit(r, exit.toLongDouble());
        for (std::size_t c = 0; c < columns; ++c) rhs[c][r] = forcing[r][c].toLongDouble();
    }
    std::vector<std::vector<long double>> solved;
    try {
        solved = system.solve(rhs);
    } catch (const std::invalid_argument&) {
        throw std::invalid_argument("The kernel has a cycle of transitions that takes no time and returns with "
                                    "probability 1, so the process never leaves it");
    }
    std::vector<std::vector<double>> result(u, std::vector<double>(columns));
    for (std::size_t r = 0; r < u; ++r)
        for (std::size_t c = 0; c < columns; ++c) result[r][c] = static_cast<double>(solved[c][r]);
    return result;
}

}  // namespace drova::measures
