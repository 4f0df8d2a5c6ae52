#include "measures/SemiMarkovModel.hpp"

#include <stdexcept>

namespace drova::measures {

namespace {

void checkMatrix(const ExpolynomialMatrix& matrix, std::size_t rows, std::size_t columns, const std::string& name) {
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
