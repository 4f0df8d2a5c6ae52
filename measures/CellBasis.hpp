#pragma once
// Polynomials on one cell [0, 1] of the time grid, held by their values at the Gauss-Legendre
// nodes, and a Gauss-Legendre rule for the integrals that build the solver's weights.
//
// Interior (Gauss) nodes keep the cell's polynomial clear of its end points, where the solution
// may jump; its values at the end points are the polynomial's limits from inside the cell.

#include <cstddef>
#include <vector>

namespace drova::measures {

struct QuadratureRule {
    // On [0, 1], ascending.
    std::vector<long double> points;
    std::vector<long double> weights;
};

// The n-point Gauss-Legendre rule on [0, 1]: exact for polynomials of degree below 2n.
QuadratureRule gaussLegendreRule(std::size_t n);

class CellBasis {
public:
    explicit CellBasis(std::size_t nodeCount);

    std::size_t size() const { return nodes_.size(); }
    // The nodes x_0 < ... < x_(p-1) in (0, 1).
    const std::vector<long double>& nodes() const { return nodes_; }
    // values[l] = l-th Lagrange polynomial of the nodes at y (barycentric formula).
    void lagrangeValues(long double y, std::vector<long double>& values) const;

private:
    std::vector<long double> nodes_;
    std::vector<long double> barycentricWeights_;
};

}  // namespace drova::measures
