#pragma once
// The kinds of the host's arrays, their dimensions and their 16-bit text.

#include <cstddef>
#include <string>
#include <vector>

namespace matlab::data {

enum class ArrayType { UNKNOWN, LOGICAL, CHAR, DOUBLE, INT32, INT64, MATLAB_STRING, STRUCT, OBJECT, ENUM, SYM };

// At least two dimensions; trailing singleton dimensions beyond the second are dropped.
using ArrayDimensions = std::vector<std::size_t>;
using String = std::u16string;

}  // namespace matlab::data
