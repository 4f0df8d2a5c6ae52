#include "host/data/Array.hpp"

#include "host/data/ArrayData.hpp"
#include "host/data/ArrayElementRef.hpp"

namespace matlab::data {

namespace detail {

ArrayDimensions normalised(ArrayDimensions dims) {
    while (dims.size() < 2) dims.push_back(1);
    while (dims.size() > 2 && dims.back() == 1) dims.pop_back();
    return dims;
}

std::size_t elementCount(const ArrayDimensions& dims) {
    std::size_t count = 1;
    for (std::size_t d : dims)
        if (__builtin_mul_overflow(count, d, &count))
            throw InvalidArrayDataException("The array dimensions are too large");
    return count;
}

const ArrayData& ArrayAccess::data(const Array& array) {
    static const ArrayData unassigned;
    return array.data_ ? *array.data_ : unassigned;
}

}  // namespace detail

using detail::ArrayAccess;
using detail::ArrayData;

Array::Array() = default;
Array::Array(std::shared_ptr<ArrayData> data) : data_(std::move(data)) {}

ArrayType Array::getType() const { return ArrayAccess::data(*this).type; }
const std::string& Array::getClassName() const { return ArrayAccess::data(*this).className; }
ArrayDimensions Array::getDimensions() const { return ArrayAccess::data(*this).dims; }
std::size_t Array::getNumberOfElements() const { return detail::elementCount(getDimensions()); }
ArrayElementRef Array::operator[](std::size_t index) const { return ArrayElementRef(*this, index); }

ArrayData& Array::mutableData() {
    if (!data_)
        data_ = std::make_shared<ArrayData>();
    else if (data_.use_count() > 1)
        data_ = std::make_shared<ArrayData>(*data_);
    return *data_;
}

}  // namespace matlab::data
