#pragma once
// The input of the reliability measures: a semi-Markov process given by its exact kernel, and
// how its sojourns are spent in the states of the underlying GSMS.
//
// The kernel and the occupancy are kept sparse: a row holds only the entries that were set, so a
// process of 10^5 states whose states each lead to a few others costs memory for those few
// pairs, not for every pair.

#include "algebra/Expolynomial.hpp"

#include <cstddef>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

namespace drova::measures {

// Rows of expolynomials in the single variable t, every entry stored.
using ExpolynomialMatrix = std::vector<std::vector<Expolynomial>>;

// One row of a sparse matrix of expolynomials with a given number of columns. Reading an entry
// that was never set gives the zero expolynomial; writing one sets it.
class ExpolynomialRow {
public:
    ExpolynomialRow() = default;
    explicit ExpolynomialRow(std::size_t width) : width_(width) {}
    // A dense row: its non-zero entries.
    ExpolynomialRow(const std::vector<Expolynomial>& dense);  // NOLINT: rows are written as vectors
    ExpolynomialRow(std::initializer_list<Expolynomial> dense);

    // The number of columns.
    std::size_t size() const { return width_; }
    const Expolynomial& operator[](std::size_t column) const;
    Expolynomial& operator[](std::size_t column);
    // One column fewer (its entry, if set, is dropped).
    void pop_back();
    // The entries that were set, by ascending column (an entry set to zero stays listed).
    const std::map<std::size_t, Expolynomial>& entries() const { return entries_; }

private:
    std::map<std::size_t, Expolynomial> entries_;
    std::size_t width_ = 0;
};

class SparseExpolynomialMatrix {
public:
    SparseExpolynomialMatrix() = default;
    SparseExpolynomialMatrix(const ExpolynomialMatrix& dense);  // NOLINT: as a dense matrix reads
    SparseExpolynomialMatrix(std::initializer_list<ExpolynomialRow> rows) : rows_(rows) {}

    std::size_t size() const { return rows_.size(); }
    bool empty() const { return rows_.empty(); }
    void clear() { rows_.clear(); }
    void assign(std::size_t rows, const ExpolynomialRow& row) { rows_.assign(rows, row); }
    void push_back(ExpolynomialRow row) { rows_.push_back(std::move(row)); }
    const ExpolynomialRow& operator[](std::size_t row) const { return rows_[row]; }
    ExpolynomialRow& operator[](std::size_t row) { return rows_[row]; }
    auto begin() const { return rows_.begin(); }
    auto end() const { return rows_.end(); }

private:
    std::vector<ExpolynomialRow> rows_;
};

struct NamedState {
    std::string name;
    bool down = false;
};

struct SemiMarkovModel {
    // The n states of the semi-Markov process (SMS states). For the failure measures the down
    // states are absorbing: their kernel rows are not used, so a kernel whose down states have
    // zero rows and one whose down states are left again give the same results.
    std::vector<NamedState> states;
    // n by n: kernel[i][j](t) = probability that the next SMS state is j and is entered by time
    // t, having entered i at time 0. Right-continuous in t (heaviside(0) = 1); the row sums tend
    // to at most 1, less when probability is lost.
    SparseExpolynomialMatrix kernel;
    // The m states of the GSMS in which the sojourns are spent, with their up/down flags. Only
    // the transient probabilities and the steady state use them.
    std::vector<NamedState> gsmsStates;
    // n by m (or empty when m = 0): occupancy[i][s](t) = probability that, having entered SMS
    // state i at time 0, the process is at time t in GSMS state s and has not yet entered the
    // next SMS state.
    SparseExpolynomialMatrix occupancy;
    // The SMS state entered at time 0.
    std::size_t initialState = 0;
};

// Checks the sizes and the initial state; throws std::invalid_argument saying what is wrong.
void checkShape(const SemiMarkovModel& model);

}  // namespace drova::measures
