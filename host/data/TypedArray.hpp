#pragma once
// A view of an array whose elements have type T. Making one from an array of another kind
// fails with "Can't convert the Array to this TypedArray". The non-const accessors first give
// the view its own elements (copy on write); a reference they return stays valid until the
// view is next copied or assigned.

#include "host/HostApi.hpp"
#include "host/data/Array.hpp"
#include "host/data/Enumeration.hpp"
#include "host/data/MATLABString.hpp"
#include "host/data/Object.hpp"
#include "host/data/Struct.hpp"

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace matlab::data {

template <typename T>
class DROVA_HOST_API TypedArray : public Array {
public:
    TypedArray(const Array& array);
    TypedArray(Array&& array);
    // Element `index` (column-major); "Array index is invalid." past the end.
    T& operator[](std::size_t index);
    const T& operator[](std::size_t index) const;
    T* begin();
    T* end();
    const T* begin() const;
    const T* end() const;

    // Char arrays: the text, ASCII-checked or as is.
    std::string toAscii() const requires std::same_as<T, char16_t>;
    String toUTF16() const requires std::same_as<T, char16_t>;
    // Struct arrays: the field names in order.
    std::vector<std::string> getFieldNames() const requires std::same_as<T, Struct>;
    // Enumeration arrays: the class of the members.
    const EnumerationClass& getEnumerationClass() const requires std::same_as<T, Enumeration>;
};

extern template class TypedArray<bool>;
extern template class TypedArray<double>;
extern template class TypedArray<std::int32_t>;
extern template class TypedArray<std::int64_t>;
extern template class TypedArray<char16_t>;
extern template class TypedArray<MATLABString>;
extern template class TypedArray<Struct>;
extern template class TypedArray<Object>;
extern template class TypedArray<Enumeration>;

using CharArray = TypedArray<char16_t>;
using StringArray = TypedArray<MATLABString>;
using StructArray = TypedArray<Struct>;
using ObjectArray = TypedArray<Object>;
using EnumArray = TypedArray<Enumeration>;

}  // namespace matlab::data
