#include "measures/CellBasis.hpp"

#include <boost/math/special_functions/legendre.hpp>

#include <algorithm>

namespace drova::measures {

QuadratureRule gaussLegendreRule(std::size_t n) {
    // legendre_p_zeros gives the non-negative zeros of P_n on [-1, 1]; the others are their mirrors.
    const std::vector<long double> halfZeros = boost::math::legendre_p_zeros<long double>(static_cast<int>(n));
    std::vector<long double> zeros;
    for (long double x : halfZeros) {
        zeros.push_back(x);
        if (x != 0) zeros.push_back(-x);
    }
    std::sort(zeros.begin(), zeros.end());
    QuadratureRule rule;
    for (long double x : zeros) {
        const long double derivative = boost::math::legendre_p_prime(static_cast<int>(n), x);
        const long double weight = 2 / ((1 - x * x) * derivative * derivative);
        rule.points.push_back((1 + x) / 2);
        rule.weights.push_back(weight / 2);
    }
    return rule;
}

CellBasis::CellBasis(std::size_t nodeCount) : nodes_(gaussLegendreRule(nodeCount).points) {
    for (std::size_t l = 0; l < nodes_.size(); ++l) {
        long double product = 1;
        for (std::size_t k = 0; k < nodes_.size(); ++k)
            if (k != l) product *= nodes_[l] - nodes_[k];
        barycentricWeights_.push_back(1 / product);
    }
}

void CellBasis::lagrangeValues(long double y, std::vector<long double>& values) const {
    const std::size_t p = nodes_.size();
    values.assign(p, 0);
    long double denominator = 0;
    for (std::size_t l = 0; l < p; ++l) {
        if (y == nodes_[l]) {
            values[l] = 1;
            return;
        }
        values[l] = barycentricWeights_[l] / (y - nodes_[l]);
        denominator += values[l];
    }
    for (long double& v : values) v /= denominator;
}

}  // namespace drova::measures
