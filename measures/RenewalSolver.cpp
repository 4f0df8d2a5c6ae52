#include "measures/RenewalSolver.hpp"

#include "measures/CellBasis.hpp"
#include "measures/DiscreteKernel.hpp"
#include "measures/GridSampler.hpp"
#include "measures/SolveControl.hpp"
#include "measures/TimeGrid.hpp"

#include <Eigen/Dense>
#include <Eigen/SparseLU>

#include <algorithm>
#include <numeric>
#include <optional>
#include <stdexcept>

namespace drova::measures {

namespace {

// The node values of the latest cells, as many as the longest lag needs.
class CellHistory {
public:
    CellHistory(std::size_t depth, Eigen::Index rows, Eigen::Index columns)
        : cells_(depth + 1, Eigen::MatrixXd::Zero(rows, columns)) {}
    Eigen::MatrixXd& operator[](std::size_t cell) { return cells_[cell % cells_.size()]; }

private:
    std::vector<Eigen::MatrixXd> cells_;
};

std::size_t longestLag(const std::vector<DiscreteEntry>& entries) {
    std::size_t lag = 0;
    for (const DiscreteEntry& entry : entries) {
        for (const PointMass& mass : entry.masses) lag = std::max(lag, mass.lag);
        for (const DensityPiece& piece : entry.pieces)
            lag = std::max(lag, piece.startLag + std::max(piece.length.value_or(0), piece.wholeCells.size()));
    }
    return lag;
}

// I minus the part of dQ inside the current cell (point masses at u = 0 and the near edges of the
// pieces that start at 0), as a sparse map of the node values of all unknowns of one cell.
Eigen::SparseMatrix<double> currentCellMatrix(const std::vector<DiscreteEntry>& entries, std::size_t unknowns,
                                              std::size_t p) {
    const Eigen::Index size = static_cast<Eigen::Index>(unknowns * p);
    std::vector<Eigen::Triplet<double>> triplets;
    for (Eigen::Index k = 0; k < size; ++k) triplets.emplace_back(k, k, 1.0);
    for (const DiscreteEntry& entry : entries) {
        const auto row0 = static_cast<Eigen::Index>(entry.target * p);
        const auto column0 = static_cast<Eigen::Index>(entry.source * p);
        for (const PointMass& mass : entry.masses)
            if (mass.lag == 0)
                for (std::size_t l = 0; l < p; ++l) triplets.emplace_back(row0 + l, column0 + l, -mass.mass);
        for (const DensityPiece& piece : entry.pieces)
            if (piece.startLag == 0)
                for (Eigen::Index r = 0; r < piece.nearEdge.rows(); ++r)
                    for (Eigen::Index c = 0; c < piece.nearEdge.cols(); ++c)
                        triplets.emplace_back(row0 + r, column0 + c, -piece.nearEdge(r, c));
    }
    Eigen::SparseMatrix<double> matrix(size, size);
    matrix.setFromTriplets(triplets.begin(), triplets.end());  // duplicates are summed
    matrix.prune(0.0);
    return matrix;
}

// target += sign * matrix * source, one column at a time: the blocks have a handful of columns
// (the right-hand sides), for which matrix-vector products are much faster than general ones.
template <typename Target, typename Source>
void addProduct(Target&& target, const Eigen::MatrixXd& matrix, const Source& source, double sign = 1.0) {
    for (Eigen::Index c = 0; c < source.cols(); ++c) target.col(c).noalias() += sign * (matrix * source.col(c));
}

// A block of the inverse of the current cell's matrix: how the right-hand side of unknown
// `source` enters the solution of unknown `target`.
struct InverseBlock {
    std::size_t target;
    std::size_t source;
    Eigen::MatrixXd matrix;
};

// The blocks of the inverse that are not zero, for a system small enough to invert densely.
// Block (i, j) of (I - A)^(-1) = I + A + A^2 + ... vanishes unless j can be reached from i
// through the blocks of A (the transitions possible within one cell), and most transitions of a
// model take some minimum time; so the inverse is applied block by block, which for a few
// hundred unknowns is faster than a sparse LU's triangular solves.
std::vector<InverseBlock> blocksOfInverse(const Eigen::MatrixXd& inverse, const std::vector<DiscreteEntry>& entries,
                                          std::size_t unknowns, std::size_t p) {
    std::vector<std::vector<bool>> reaches(unknowns, std::vector<bool>(unknowns, false));
    for (std::size_t i = 0; i < unknowns; ++i) reaches[i][i] = true;
    for (const DiscreteEntry& entry : entries) {
        const bool withinCell = std::any_of(entry.masses.begin(), entry.masses.end(),
                                            [](const PointMass& mass) { return mass.lag == 0; }) ||
                                std::any_of(entry.pieces.begin(), entry.pieces.end(),
                                            [](const DensityPiece& piece) { return piece.startLag == 0; });
        if (withinCell) reaches[entry.target][entry.source] = true;
    }
    for (std::size_t k = 0; k < unknowns; ++k)  // transitive closure
        for (std::size_t i = 0; i < unknowns; ++i)
            if (reaches[i][k])
                for (std::size_t j = 0; j < unknowns; ++j)
                    if (reaches[k][j]) reaches[i][j] = true;
    std::vector<InverseBlock> blocks;
    for (std::size_t i = 0; i < unknowns; ++i)
        for (std::size_t j = 0; j < unknowns; ++j)
            if (reaches[i][j]) blocks.push_back(InverseBlock{i, j, inverse.block(i * p, j * p, p, p)});
    return blocks;
}

// The current cell's system, the same for every cell, factorised once: up to DenseCellUnknowns
// unknowns by a dense inverse applied block by block, beyond by a sparse LU.
class CurrentCell {
public:
    CurrentCell(const std::vector<DiscreteEntry>& entries, std::size_t unknowns, std::size_t p) : p_(p) {
        Eigen::SparseMatrix<double> matrix = currentCellMatrix(entries, unknowns, p);
        matrix.makeCompressed();
        bool invertible = false;
        if (unknowns == 0) {
            invertible = true;  // nothing to solve for: every solution is empty
        } else if (unknowns <= DenseCellUnknowns) {
            const Eigen::FullPivLU<Eigen::MatrixXd> lu{Eigen::MatrixXd(matrix)};
            invertible = lu.isInvertible();
            if (invertible) blocks_ = blocksOfInverse(lu.inverse(), entries, unknowns, p);
        } else {
            sparse_.emplace();
            sparse_->compute(matrix);
            invertible = sparse_->info() == Eigen::Success;
            if (invertible) {
                // The inverse of I minus a substochastic map stays moderate; one that blows a
                // vector of ones up to rounding level's reciprocal belongs to a matrix that is
                // singular but for rounding.
                const Eigen::VectorXd probe = sparse_->solve(Eigen::VectorXd::Ones(matrix.rows()));
                invertible = probe.allFinite() && (probe.size() == 0 || probe.cwiseAbs().maxCoeff() < 1e12);
            }
        }
        if (!invertible)
            throw std::invalid_argument("The kernel has a cycle of transitions that takes no time and returns with "
                                        "probability 1, so the process never leaves it");
    }

    void solve(const Eigen::MatrixXd& rhs, Eigen::MatrixXd& solution) const {
        if (sparse_) {
            solution = sparse_->solve(rhs);
            return;
        }
        solution.setZero(rhs.rows(), rhs.cols());
        for (const InverseBlock& block : blocks_)
            addProduct(solution.middleRows(block.target * p_, p_), block.matrix, rhs.middleRows(block.source * p_, p_));
    }

private:
    static constexpr std::size_t DenseCellUnknowns = 64;
    std::size_t p_;
    std::vector<InverseBlock> blocks_;
    std::optional<Eigen::SparseLU<Eigen::SparseMatrix<double>, Eigen::COLAMDOrdering<int>>> sparse_;
};

std::size_t cellOf(const Rational& t, const Rational& h) {
    const Rational cells = t / h;
    return BigInt(numeratorOf(cells) / denominatorOf(cells)).convert_to<std::size_t>();
}

// The whole-cell sums of every rate group of every piece of every entry: sums[e][k][g].
using WholeCellSums = std::vector<std::vector<std::vector<Eigen::MatrixXd>>>;

WholeCellSums zeroSums(const std::vector<DiscreteEntry>& entries, Eigen::Index columns) {
    WholeCellSums sums(entries.size());
    for (std::size_t e = 0; e < entries.size(); ++e)
        for (const DensityPiece& piece : entries[e].pieces) {
            std::vector<Eigen::MatrixXd> groupSums;
            for (const RateGroup& group : piece.rateGroups)
                groupSums.push_back(Eigen::MatrixXd::Zero(group.shift.rows(), columns));
            sums[e].push_back(std::move(groupSums));
        }
    return sums;
}

// rhs += the convolutions over the earlier cells (and over the whole-cell sums) at the nodes of
// `cell`: everything but the part of dQ within the cell itself.
void addEarlierCells(const std::vector<DiscreteEntry>& entries, const WholeCellSums& sums, CellHistory& history,
                     std::size_t cell, std::size_t p, Eigen::MatrixXd& rhs) {
    for (std::size_t e = 0; e < entries.size(); ++e) {
        const DiscreteEntry& entry = entries[e];
        auto target = rhs.middleRows(entry.target * p, p);
        const auto source = [&](std::size_t lag) { return history[cell - lag].middleRows(entry.source * p, p); };
        for (const PointMass& mass : entry.masses)
            if (mass.lag >= 1 && cell >= mass.lag) target += mass.mass * source(mass.lag);
        for (std::size_t k = 0; k < entry.pieces.size(); ++k) {
            const DensityPiece& piece = entry.pieces[k];
            if (piece.startLag >= 1 && cell >= piece.startLag) addProduct(target, piece.nearEdge, source(piece.startLag));
            if (piece.length && cell >= piece.startLag + *piece.length)
                addProduct(target, piece.farEdge, source(piece.startLag + *piece.length));
            for (std::size_t g = 0; g < piece.rateGroups.size(); ++g)
                addProduct(target, piece.rateGroups[g].combine, sums[e][k][g]);
            for (std::size_t w = 1; w <= piece.wholeCells.size() && cell >= piece.startLag + w; ++w)
                addProduct(target, piece.wholeCells[w - 1], source(piece.startLag + w));
        }
    }
}

// Moves the whole-cell sums from `cell` to `cell` + 1, once `cell` is solved: shift every sum by
// one cell, add the cell entering each window and subtract the one leaving it.
void advanceSums(const std::vector<DiscreteEntry>& entries, WholeCellSums& sums, CellHistory& history,
                 std::size_t cell, std::size_t p) {
    Eigen::MatrixXd shifted;
    for (std::size_t e = 0; e < entries.size(); ++e) {
        const DiscreteEntry& entry = entries[e];
        const auto source = [&](std::size_t c) { return history[c].middleRows(entry.source * p, p); };
        for (std::size_t k = 0; k < entry.pieces.size(); ++k) {
            const DensityPiece& piece = entry.pieces[k];
            for (std::size_t g = 0; g < piece.rateGroups.size(); ++g) {
                const RateGroup& group = piece.rateGroups[g];
                Eigen::MatrixXd& sum = sums[e][k][g];
                shifted.setZero(sum.rows(), sum.cols());
                addProduct(shifted, group.shift, sum);
                sum.swap(shifted);
                if (cell >= piece.startLag) addProduct(sum, group.enter, source(cell - piece.startLag));
                if (piece.length && cell + 1 >= piece.startLag + *piece.length)
                    addProduct(sum, group.leave, source(cell + 1 - piece.startLag - *piece.length), -1.0);
            }
        }
    }
}

// A solved value to report: unknown `row`, right-hand side `column`.
struct Output {
    std::size_t row;
    std::size_t column;
};

// result[k][o] = X_(outputs[o])(times[k]).
// `states`: the states of the process, as the progress shows them.
std::vector<std::vector<double>> solveCells(const RenewalEquation& equation, const std::vector<Output>& outputs,
                                            const std::vector<Rational>& times, std::size_t states) {
    const std::size_t unknowns = equation.forcing.size();
    const std::size_t columns = unknowns == 0 ? 0 : equation.forcing.front().size();
    std::vector<std::vector<double>> result(times.size(), std::vector<double>(outputs.size(), 0.0));
    if (times.empty() || columns == 0 || outputs.empty()) return result;
    const Rational horizon = *std::max_element(times.begin(), times.end());

    std::vector<const PiecewiseExpolynomial*> functions;
    for (const RenewalEquation::Entry& entry : equation.kernel)
        if (entry.function && !entry.function->isZero()) functions.push_back(entry.function);
    for (const auto& forcingRow : equation.forcing)
        for (const PiecewiseExpolynomial& f : forcingRow) functions.push_back(&f);
    const Rational h = chooseCellLength(functions, horizon);
    const std::size_t cellCount = cellOf(horizon, h) + 1;
    if (cellCount > MaximumCells)
        throw std::invalid_argument("Reaching t = " + toText(horizon) + " takes " + std::to_string(cellCount) +
                                    " steps of length " + toText(h) + ", more than the limit of " +
                                    std::to_string(MaximumCells) +
                                    ": the model's delays and rates are too far apart for this time");

    const CellBasis basis(NodesPerCell);
    const std::size_t p = basis.size();
    std::vector<DiscreteEntry> entries;
    {
        SolveSteps steps("Kernel on the grid", states, equation.kernel.size());
        for (std::size_t e = 0; e < equation.kernel.size(); ++e) {
            const RenewalEquation::Entry& entry = equation.kernel[e];
            if (entry.function && !entry.function->isZero())
                entries.push_back(discretiseEntry(*entry.function, entry.target, entry.source, h, basis, cellCount));
            steps.step(e + 1);
        }
    }

    // The current cell's system is the same for every cell: it is factorised once, and each cell
    // then costs products or a sparse solve. The matrix is I minus a substochastic part, so it is
    // well conditioned unless a cycle of zero delays returns with probability (close to) 1.
    // Unknowns that no other one takes from (the measures of the forward form) are left out of
    // it and formed after it from the solved ones, so that no factorisation's rounding mixes the
    // other unknowns into a small measure.
    std::vector<bool> isSource(unknowns, false);
    for (const DiscreteEntry& entry : entries) isSource[entry.source] = true;
    std::vector<std::size_t> coreIndex(unknowns, unknowns), core, observers;
    for (std::size_t u = 0; u < unknowns; ++u) {
        if (isSource[u]) {
            coreIndex[u] = core.size();
            core.push_back(u);
        } else {
            observers.push_back(u);
        }
    }
    std::vector<DiscreteEntry> coreEntries;  // their parts within the cell, renumbered over the core
    struct ObserverTerm {
        std::size_t target, source;
        double mass;                       // a point mass at lag 0, or
        const Eigen::MatrixXd* nearEdge;   // the near edge of a piece starting at lag 0
    };
    std::vector<ObserverTerm> observerTerms;
    for (const DiscreteEntry& entry : entries) {
        if (!isSource[entry.target]) {
            for (const PointMass& mass : entry.masses)
                if (mass.lag == 0) observerTerms.push_back({entry.target, entry.source, mass.mass, nullptr});
            for (const DensityPiece& piece : entry.pieces)
                if (piece.startLag == 0) observerTerms.push_back({entry.target, entry.source, 0.0, &piece.nearEdge});
            continue;
        }
        DiscreteEntry within;
        within.target = coreIndex[entry.target];
        within.source = coreIndex[entry.source];
        for (const PointMass& mass : entry.masses)
            if (mass.lag == 0) within.masses.push_back(mass);
        for (const DensityPiece& piece : entry.pieces)
            if (piece.startLag == 0) within.pieces.push_back(DensityPiece{0, piece.length, piece.nearEdge, {}, {}, {}});
        if (!within.masses.empty() || !within.pieces.empty()) coreEntries.push_back(std::move(within));
    }
    const CurrentCell currentCell(coreEntries, core.size(), p);

    const Eigen::Index rows = static_cast<Eigen::Index>(unknowns * p);
    const std::size_t depth = std::min(longestLag(entries), cellCount);
    if ((depth + 1) * unknowns * p * columns > MaximumHistoryValues)
        throw std::invalid_argument("The kernel's longest delay or piece spans " + std::to_string(depth) +
                                    " steps of length " + toText(h) +
                                    ", too many to keep: the model's delays and rates are too far apart");
    CellHistory history(depth, rows, static_cast<Eigen::Index>(columns));
    WholeCellSums sums = zeroSums(entries, static_cast<Eigen::Index>(columns));
    // Zero forcings (most of them in the forward equations) are not sampled.
    std::vector<std::vector<std::optional<GridSampler>>> forcing(unknowns);
    for (std::size_t i = 0; i < unknowns; ++i)
        for (const PiecewiseExpolynomial& f : equation.forcing[i])
            if (f.isZero())
                forcing[i].emplace_back();
            else
                forcing[i].emplace_back(std::in_place, f, h, basis);

    std::vector<std::size_t> order(times.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return times[a] < times[b]; });
    std::size_t nextOutput = 0;

    Eigen::MatrixXd rhs(rows, columns), coreRhs, coreSolution;
    std::vector<double> nodeValues;
    std::vector<long double> lagrange;
    SolveSteps steps("Renewal equations", states, cellCount);
    for (std::size_t cell = 0; cell < cellCount; ++cell) {
        steps.step(cell);
        for (std::size_t i = 0; i < unknowns; ++i)
            for (std::size_t c = 0; c < columns; ++c) {
                if (!forcing[i][c]) {
                    rhs.block(static_cast<Eigen::Index>(i * p), static_cast<Eigen::Index>(c), static_cast<Eigen::Index>(p), 1).setZero();
                    continue;
                }
                forcing[i][c]->sample(cell, nodeValues);
                for (std::size_t l = 0; l < p; ++l) rhs(i * p + l, c) = nodeValues[l];
            }
        addEarlierCells(entries, sums, history, cell, p, rhs);
        if (observers.empty()) {
            currentCell.solve(rhs, history[cell]);
        } else {
            Eigen::MatrixXd& solution = history[cell];
            coreRhs.resize(static_cast<Eigen::Index>(core.size() * p), static_cast<Eigen::Index>(columns));
            for (std::size_t k = 0; k < core.size(); ++k) coreRhs.middleRows(k * p, p) = rhs.middleRows(core[k] * p, p);
            currentCell.solve(coreRhs, coreSolution);
            for (std::size_t k = 0; k < core.size(); ++k)
                solution.middleRows(core[k] * p, p) = coreSolution.middleRows(k * p, p);
            for (std::size_t u : observers) solution.middleRows(u * p, p) = rhs.middleRows(u * p, p);
            for (const ObserverTerm& term : observerTerms) {
                auto target = solution.middleRows(term.target * p, p);
                const auto source = solution.middleRows(term.source * p, p);
                if (term.nearEdge)
                    addProduct(target, *term.nearEdge, source);
                else
                    target += term.mass * source;
            }
        }
        advanceSums(entries, sums, history, cell, p);

        // The requested times in this cell, from its polynomial.
        while (nextOutput < order.size() && cellOf(times[order[nextOutput]], h) == cell) {
            const std::size_t k = order[nextOutput++];
            const long double y = ((times[k] - Rational(cell) * h) / h).convert_to<long double>();
            basis.lagrangeValues(y, lagrange);
            for (std::size_t o = 0; o < outputs.size(); ++o) {
                long double value = 0;
                for (std::size_t l = 0; l < p; ++l)
                    value += lagrange[l] * history[cell](outputs[o].row * p + l, outputs[o].column);
                result[k][o] = static_cast<double>(value);
            }
        }
    }
    return result;
}

}  // namespace

std::vector<std::vector<double>> solveRenewalEquation(const RenewalEquation& equation, std::size_t row,
                                                      const std::vector<Rational>& times) {
    const std::size_t columns = equation.forcing.empty() ? 0 : equation.forcing.front().size();
    std::vector<Output> outputs;
    for (std::size_t c = 0; c < columns; ++c) outputs.push_back({row, c});
    return solveCells(equation, outputs, times, equation.forcing.size());
}

std::vector<std::vector<double>> solveRenewalRows(const RenewalEquation& equation, const std::vector<std::size_t>& rows,
                                                  const std::vector<Rational>& times) {
    std::vector<Output> outputs;
    for (std::size_t r : rows) outputs.push_back({r, 0});
    return solveCells(equation, outputs, times, equation.forcing.size());
}

std::vector<std::vector<double>> solveForwardFrom(const RenewalEquation& backward, std::size_t row,
                                                  const std::vector<Rational>& times) {
    const std::size_t states = backward.forcing.size();
    const std::size_t columns = states == 0 ? 0 : backward.forcing.front().size();
    RenewalEquation forward;
    for (const RenewalEquation::Entry& entry : backward.kernel)
        forward.kernel.push_back({entry.source, entry.target, entry.function});
    for (std::size_t j = 0; j < states; ++j)
        for (std::size_t c = 0; c < columns; ++c)
            if (!backward.forcing[j][c].isZero())
                forward.kernel.push_back({states + c, j, &backward.forcing[j][c]});
    forward.forcing.assign(states + columns, std::vector<PiecewiseExpolynomial>(1));
    if (row < states)
        forward.forcing[row][0] =
            PiecewiseExpolynomial::fromExpolynomial(Expolynomial(Term(Rational(1))), "The entry at time 0");
    std::vector<Output> outputs;
    for (std::size_t c = 0; c < columns; ++c) outputs.push_back({states + c, 0});
    return solveCells(forward, outputs, times, states);
}

}  // namespace drova::measures
