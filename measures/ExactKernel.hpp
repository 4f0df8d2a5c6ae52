#pragma once
// The kernel of a SemiMarkovModel as piecewise functions, and what follows from it exactly: the
// embedded chain P = Q(infinity), which transitions are possible, and which rows lose probability.

#include "measures/ExactValue.hpp"
#include "measures/PiecewiseExpolynomial.hpp"
#include "measures/SemiMarkovModel.hpp"
#include "measures/StateGraph.hpp"

#include <cstddef>
#include <string>
#include <vector>

namespace drova::measures {

// One possible transition i -> j: Q_ij, not the zero function, and its limit Q_ij(infinity).
struct KernelEntry {
    std::size_t target = 0;
    PiecewiseExpolynomial function;
    ExactValue limit;
};

// The kernel is kept by rows of its non-zero entries, so its size and the cost of building it
// grow with the number of possible transitions rather than with the square of the states.
class ExactKernel {
public:
    // Converts every entry; throws std::invalid_argument for an entry that is not a function of t
    // alone, is not right-continuous, or does not settle to a limit as t grows, and for a row
    // whose limits add up to more than 1.
    explicit ExactKernel(const SemiMarkovModel& model);

    std::size_t size() const { return rows_.size(); }
    // The non-zero entries of row i, by ascending target.
    const std::vector<KernelEntry>& row(std::size_t i) const { return rows_[i]; }
    // Q_ij (the zero function when j cannot follow i).
    const PiecewiseExpolynomial& entry(std::size_t i, std::size_t j) const;
    // Q_ij(infinity): the probability that j follows i.
    const ExactValue& embedded(std::size_t i, std::size_t j) const;
    // The states that can follow each state (Q_ij not the zero function).
    const Successors& successors() const { return successors_; }
    // sum_j Q_ij(infinity).
    ExactValue rowSum(std::size_t i) const;
    // Whether the row sum is not exactly 1.
    bool losesProbability(std::size_t i) const;
    // Whether no state can follow i: a state that is never left once entered.
    bool neverLeft(std::size_t i) const { return successors_[i].empty(); }
    // The integral of t dQ_ij(t) over [0, infinity): the mean of the sojourn in i over the
    // paths that continue to j, weighted by their probability.
    ExactValue partialMean(std::size_t i, std::size_t j) const;

private:
    const KernelEntry* find(std::size_t i, std::size_t j) const;

    std::vector<std::vector<KernelEntry>> rows_;
    Successors successors_;
};

// "state 3 (Name)".
std::string describeState(const SemiMarkovModel& model, std::size_t i);

}  // namespace drova::measures
