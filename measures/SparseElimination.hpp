#pragma once
// Linear systems of a substochastic matrix P over sparse rows, solved by elimination without
// subtraction (the Grassmann-Taksar-Heyman form of Gaussian elimination).
//
// Eliminating state k censors it: every path i -> k -> j becomes a direct transition i -> j of
// probability p_ik p_kj / s_k, with s_k = 1 - p_kk. Here s_k is formed as the sum of k's other
// transitions and of its exit (the probability of leaving the states of the system, known
// exactly from the kernel), never as 1 - p_kk: every quantity is a sum of products of positive
// numbers, so each result carries a relative error of a few roundings per elimination step
// whatever the condition number of I - P. A chain that fails once in 10^20 cycles gets its
// mean time to failure to the same digits as a fast one; a dense LU in double would lose them
// all, and even 50-digit arithmetic only postpones that.
//
// Cost: the states are eliminated in index order; each elimination costs the product of the
// numbers of its remaining predecessors and successors. A chain numbered along its transitions
// (birth-death processes, nets numbered breadth first) keeps that small: linear in the states.

#include <cstddef>
#include <vector>

namespace drova::measures {

class SubstochasticSystem {
public:
    explicit SubstochasticSystem(std::size_t size);

    std::size_t size() const { return exit_.size(); }
    // p_ij > 0 (added to what is there); i == j is allowed and ignored (s_i does not need it).
    void addTransition(std::size_t i, std::size_t j, long double probability);
    // The probability of leaving the system's states from i: 1 - sum_j p_ij, exactly.
    void setExit(std::size_t i, long double probability);

    // x = (I - P)^(-1) b for each column b (non-negative): x_i = E[sum over the visits of the
    // states k before leaving of b_k | start in i]. Every state must leave the system with
    // probability 1 (otherwise x is infinite); std::invalid_argument when a state's s_k is 0.
    std::vector<std::vector<long double>> solve(const std::vector<std::vector<long double>>& columns) const;

    // The stationary vector of an irreducible stochastic P (no exit): nu P = nu, sum nu = 1.
    std::vector<long double> stationary() const;

private:
    struct Eliminated {
        long double pivot;  // s_k
        std::vector<std::pair<std::size_t, long double>> successors;    // j later than k: p_kj
        std::vector<std::pair<std::size_t, long double>> predecessors;  // i later than k: p_ik
    };
    // Eliminates the states 0 .. count - 1 in order; columns (if any) are transformed alongside.
    std::vector<Eliminated> eliminate(std::size_t count, std::vector<std::vector<long double>>* columns) const;

    std::vector<std::vector<std::pair<std::size_t, long double>>> rows_;
    std::vector<long double> exit_;
};

}  // namespace drova::measures
