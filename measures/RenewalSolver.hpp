#pragma once
// Numerical solution of a Markov renewal equation
//   X(t) = B(t) + (dQ * X)(t),   (dQ * X)_i(t) = sum_j integral over u in [0, t] of X_j(t - u) dQ_ij(u),
// for u unknown functions X_i (one per SMS state) and c right-hand sides at once (columns).
//
// Method: piecewise-polynomial collocation on a uniform grid whose cell length h divides every
// instant where Q or B changes its expression (TimeGrid). X is then analytic inside each cell and
// is represented there by its values at p Gauss-Legendre nodes (CellBasis). The equation is
// imposed at the nodes; its convolutions are applied exactly to the cell polynomials through the
// weights of DiscreteKernel (point masses at grid points hit nodes of earlier cells exactly;
// densities are integrated against the Lagrange polynomials). The part of dQ within the current
// cell makes one linear system per cell, the same for every cell: sparse (a p by p block per
// transition that can happen within a cell), factorised once by a sparse LU.
//
// Accuracy: the error is that of degree p - 1 interpolation of analytic functions varying by at
// most a factor e^2 per cell, below double rounding for p = 16; what remains is rounding, which
// the Volterra recursion accumulates about linearly in the number of renewals by t (measured:
// relative errors of 1e-16 to 1e-12, 1e-12 on a reliability of 1e-28).
// Cost: t_max / h cells, each a solve with the sparse LU factors of the current cell's system
// (O(p^2 c) per block of the factors: about one per transition within a cell when the states
// are numbered along such transitions), O(p^2 c) per kernel piece and
// O(p d c) per rate of each piece (d: its largest power + 1), independent of the pieces'
// lengths. Memory: the node values of as many cells as the longest piece or delay spans.

#include "algebra/Rational.hpp"
#include "measures/PiecewiseExpolynomial.hpp"

#include <cstddef>
#include <vector>

namespace drova::measures {

// Gauss-Legendre nodes per cell.
inline constexpr std::size_t NodesPerCell = 16;
// The largest number of cells a solution may take.
inline constexpr std::size_t MaximumCells = 10'000'000;
// The largest number of node values kept for the longest piece or delay.
inline constexpr std::size_t MaximumHistoryValues = 100'000'000;

struct RenewalEquation {
    // The possible transitions: X_target depends on X_source through Q_(target, source).
    struct Entry {
        std::size_t target = 0;
        std::size_t source = 0;
        const PiecewiseExpolynomial* function = nullptr;
    };
    std::vector<Entry> kernel;
    // u by c.
    std::vector<std::vector<PiecewiseExpolynomial>> forcing;
};

// result[k][col] = X_(row, col)(times[k]); every time must be >= 0. Throws std::invalid_argument
// when the kernel has a cycle that returns at once with probability 1 (the equation has no
// solution) or when the latest time needs more than MaximumCells cells, or the kernel's longest
// piece more than MaximumHistoryValues node values.
std::vector<std::vector<double>> solveRenewalEquation(const RenewalEquation& equation, std::size_t row,
                                                      const std::vector<Rational>& times);

// The same for an equation of one column: result[k][r] = X_(rows[r], 0)(times[k]). The forward
// equations from one starting state take this form: one unknown per state (its entrances), and
// the measures as further unknowns that only take from them.
std::vector<std::vector<double>> solveRenewalRows(const RenewalEquation& equation, const std::vector<std::size_t>& rows,
                                                  const std::vector<Rational>& times);

// The solution of `backward` at unknown `row` (result[k][col] as solveRenewalEquation gives it),
// by the forward equations from that one state: N_j(t), the expected number of entrances into
// state j by t (the entry at 0 included), solves
//   N_j(t) = [j = row] + sum_i (dQ_ij * N_i)(t),
// and column c of the solution is sum_j (dB_jc * N_j)(t), B_jc being backward's forcing (the
// Stieltjes convolution commutes, and B_jc(0) counts as a point mass at 0). One right-hand side
// over the states plus the columns, so the cost per cell grows with the kernel's and the
// forcings' non-zero pieces, not with the states times the columns. Each column is a sum of
// products of the entrances with the forcings' increments: when a forcing decreases (an
// occupancy that ends), a column of value v over a horizon with E entrances into a state keeps
// about v / E of double's relative accuracy there.
std::vector<std::vector<double>> solveForwardFrom(const RenewalEquation& backward, std::size_t row,
                                                  const std::vector<Rational>& times);

}  // namespace drova::measures
