#include "host/Sym.hpp"

#include "host/data/ArrayData.hpp"

namespace drova {

using matlab::data::detail::ArrayAccess;

matlab::data::Array createSymArray(matlab::data::ArrayDimensions dims, std::vector<Rational> values) {
    return ArrayAccess::make(matlab::data::detail::newArrayData(
        matlab::data::ArrayType::SYM, "sym", std::move(dims),
        matlab::data::detail::Elements<Rational>(std::move(values))));
}

matlab::data::Array createSymScalar(const Rational& value) { return createSymArray({1, 1}, {value}); }

const Rational& symElement(const matlab::data::Array& array, std::size_t index) {
    return ArrayAccess::element<Rational>(array, index);
}

}  // namespace drova
