#include "convert/KernelMatrixText.hpp"

#include "algebra/SymbolicText.hpp"

namespace drova {

std::string kernelMatrixText(const KernelMatrix& matrix) {
    std::string text = "[";
    for (const std::vector<Expolynomial>& row : matrix) {
        for (const Expolynomial& entry : row) text += toSymbolicText(entry) + " ";
        text += "\n";
    }
    return text + "]";
}

}  // namespace drova
