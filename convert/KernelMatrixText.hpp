#pragma once
// The text of an SMS kernel matrix, as Drovakonv returns it.

#include "convert/ConversionContext.hpp"

#include <string>

namespace drova {

// "[" and, per row, each entry's symbolic text followed by a blank, and a line feed after the
// row; then "]". A matrix without rows is "[]".
std::string kernelMatrixText(const KernelMatrix& matrix);

}  // namespace drova
