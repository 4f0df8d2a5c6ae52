#pragma once
// A kernel entry Q_ij as the renewal-equation solver applies it: the convolution
//   (dQ_ij * X_j)(t) = integral over u in [0, t] of X_j(t - u) dQ_ij(u)
// at the nodes t = (K + x_i) h of cell K, as linear maps of the node values of X_j in earlier
// cells (and, for the part of dQ_ij near u = 0, in cell K itself).
//
// Q_ij is split into its point masses (jumps) and the density on each of its pieces; piece
// boundaries and jumps lie on grid points (TimeGrid), so
// - a point mass m at u = L h takes m times the value of X_j at the same node of cell K - L;
// - a piece [L1 h, (L1 + W) h] covers, for a node at offset x in cell K, a partial cell at each
//   end (cells K - L1 and K - L1 - W) and the W - 1 whole cells in between. The partial cells
//   get weight matrices computed by Gauss-Legendre quadrature of the density times the cell's
//   Lagrange polynomials: the density is analytic on the piece and, with |rate| h <= 1/2,
//   the rule integrates it to long-double rounding. The whole cells are summed recursively:
//   the density is a sum of d * w^r * e^(a w), and for each rate a the sums
//     G_s(K) = sum over the whole cells J of integral (z^s / s!) e^(a h z) X_J(y) dy,
//     z = K - J - L1 - y,
//   move from cell K to cell K + 1 by a fixed triangular map (z -> z + 1), plus the cell that
//   enters the window and minus the one that leaves it. The cost per cell is independent of
//   the length of the piece, so long delays and exponential tails cost no more than short ones.
// A density whose terms cancel (a hypoexponential law of close rates: terms far larger than
// their sum) loses every digit in those sums, which add the rates apart. Such a piece is
// evaluated from Taylor expansions formed cell by cell in 100 digits, and its whole cells get a
// weight matrix each, up to the last cell solved for.

#include "algebra/Rational.hpp"
#include "measures/CellBasis.hpp"
#include "measures/PiecewiseExpolynomial.hpp"

#include <Eigen/Dense>

#include <cstddef>
#include <optional>
#include <vector>

namespace drova::measures {

struct PointMass {
    std::size_t lag = 0;
    double mass = 0;
};

// The whole-cell sums of one rate of a density piece.
struct RateGroup {
    // (degree + 1) by (degree + 1): G(K + 1) = shift * G(K) + ...
    Eigen::MatrixXd shift;
    // p by (degree + 1): the contribution to the nodes of cell K is combine * G(K).
    Eigen::MatrixXd combine;
    // (degree + 1) by p: the cell entering the window, applied to its node values.
    Eigen::MatrixXd enter;
    // (degree + 1) by p: the cell leaving it (only for a bounded piece).
    Eigen::MatrixXd leave;
};

struct DensityPiece {
    std::size_t startLag = 0;            // L1
    std::optional<std::size_t> length;   // W in cells; none for the last, unbounded piece
    Eigen::MatrixXd nearEdge;            // p by p, applied to cell K - L1
    Eigen::MatrixXd farEdge;             // p by p, applied to cell K - L1 - W (bounded pieces)
    std::vector<RateGroup> rateGroups;   // empty when W = 1 (no whole cells) or for wholeCells
    // p by p each, for a density whose terms cancel: wholeCells[w - 1] applied to cell K - L1 - w
    // for the whole cells w = 1 .. W - 1 (up to the last cell solved for).
    std::vector<Eigen::MatrixXd> wholeCells;
};

struct DiscreteEntry {
    std::size_t target = 0;  // i
    std::size_t source = 0;  // j
    std::vector<PointMass> masses;
    std::vector<DensityPiece> pieces;
};

// Discretises Q_ij on the grid of cell length h for cells 0 .. cells - 1; every piece boundary
// of `entry` must be a multiple of h.
DiscreteEntry discretiseEntry(const PiecewiseExpolynomial& entry, std::size_t target, std::size_t source,
                              const Rational& h, const CellBasis& basis, std::size_t cells);

// The whole number t / h; std::logic_error when t is not a multiple of h.
std::size_t cellsIn(const Rational& t, const Rational& h);

}  // namespace drova::measures
