#include "measures/SemiMarkovModel.hpp"

#include <stdexcept>

namespace drova::measures {

namespace {

void checkMatrix(const SparseExpolynomialMatrix& matrix, std::size_t rows, std::size_t columns, const std::string& name) {
    if (matrix.size() != rows)
        throw std::invalid_argument("The " + name + " has " + std::to_string(matrix.size()) + " rows but the model has " +
                                    std::to_string(rows) + " SMS states");
    for (std::size_t i = 0; i < rows; ++i)
        if (matrix[i].size() != columns)
            throw std::invalid_argument("Row " + std::to_string(i) + " of the " + name + " has " +
                                        std::to_string(matrix[i].size()) + " entries but needs " +
                                        std::to_string(columns));
}

}  // namespace

ExpolynomialRow::ExpolynomialRow(const std::vector<Expolynomial>& dense) : width_(dense.size()) {
    for (std::size_t j = 0; j < dense.size(); ++j)
        if (!dense[j].isZero()) entries_.emplace(j, dense[j]);
}

ExpolynomialRow::ExpolynomialRow(std::initializer_list<Expolynomial> dense)
    : ExpolynomialRow(std::vector<Expolynomial>(dense)) {}

const Expolynomial& ExpolynomialRow::operator[](std::size_t column) const {
    static const Expolynomial zero;
    const auto found = entries_.find(column);
    return found == entries_.end() ? zero : found->second;
}

Expolynomial& ExpolynomialRow::operator[](std::size_t column) {
    if (column >= width_) throw std::out_of_range("Column " + std::to_string(column) + " of a row of " +
                                                  std::to_string(width_));
    return entries_[column];
}

void ExpolynomialRow::pop_back() {
    if (width_ == 0) return;
    --width_;
    entries_.erase(width_);
}

SparseExpolynomialMatrix::SparseExpolynomialMatrix(const ExpolynomialMatrix& dense) {
    rows_.reserve(dense.size());
    for (const std::vector<Expolynomial>& row : dense) rows_.emplace_back(row);
}

void checkShape(const SemiMarkovModel& model) {
    const std::size_t n = model.states.size();
    if (n == 0) throw std::invalid_argument("The model has no SMS states");
    checkMatrix(model.kernel, n, n, "kernel");
    if (!model.gsmsStates.empty() || !model.occupancy.empty())
        checkMatrix(model.occupancy, n, model.gsmsStates.size(), "occupancy matrix");
    if (model.initialState >= n)
        throw std::invalid_argument("The initial state " + std::to_string(model.initialState) +
                                    " is not an SMS state (there are " + std::to_string(n) + ")");
}

}  // namespace drova::measures
