#pragma once
// sym values: arrays of class "sym" whose elements are exact rationals, as MATLAB's
// symbolic engine holds the numbers that modules receive. The engine's numden and
// string work on them (host/MatlabEngine.hpp).

#include "algebra/Rational.hpp"
#include "host/MatlabData.hpp"

namespace drova {

DROVA_HOST_API matlab::data::Array createSymArray(matlab::data::ArrayDimensions dims, std::vector<Rational> values);
DROVA_HOST_API matlab::data::Array createSymScalar(const Rational& value);
// Element `index` of a sym array; "Can't convert the Array to this TypedArray" for any
// other array, "Array index is invalid." past the end.
DROVA_HOST_API const Rational& symElement(const matlab::data::Array& array, std::size_t index);

}  // namespace drova
