#include "host/data/TypedArray.hpp"

#include "host/data/ArrayData.hpp"
#include "host/data/Text.hpp"

namespace matlab::data {

using detail::ArrayAccess;
using detail::Elements;

template <typename T>
TypedArray<T>::TypedArray(const Array& array) : Array(array) {
    ArrayAccess::elements<T>(*this);
}

template <typename T>
TypedArray<T>::TypedArray(Array&& array) : Array(std::move(array)) {
    ArrayAccess::elements<T>(*this);
}

template <typename T>
T& TypedArray<T>::operator[](std::size_t index) {
    if (index >= getNumberOfElements()) throw InvalidArrayIndexException();
    return begin()[index];
}

template <typename T>
const T& TypedArray<T>::operator[](std::size_t index) const {
    return ArrayAccess::element<T>(*this, index);
}

template <typename T>
T* TypedArray<T>::begin() {
    return std::get<Elements<T>>(mutableData().elements).begin();
}

template <typename T>
T* TypedArray<T>::end() {
    return std::get<Elements<T>>(mutableData().elements).end();
}

template <typename T>
const T* TypedArray<T>::begin() const {
    return ArrayAccess::elements<T>(*this).begin();
}

template <typename T>
const T* TypedArray<T>::end() const {
    return ArrayAccess::elements<T>(*this).end();
}

// The bodies below also compile for the element types their constraints exclude: some compilers
// (clang 14) instantiate constrained members in the explicit instantiations at the end.

template <typename T>
std::string TypedArray<T>::toAscii() const requires std::same_as<T, char16_t> {
    if constexpr (std::same_as<T, char16_t>) return drova::toAsciiText(String(begin(), end()));
    else return {};
}

template <typename T>
String TypedArray<T>::toUTF16() const requires std::same_as<T, char16_t> {
    if constexpr (std::same_as<T, char16_t>) return String(begin(), end());
    else return {};
}

template <typename T>
std::vector<std::string> TypedArray<T>::getFieldNames() const requires std::same_as<T, Struct> {
    return ArrayAccess::data(*this).fieldNames;
}

template <typename T>
const EnumerationClass& TypedArray<T>::getEnumerationClass() const requires std::same_as<T, Enumeration> {
    return *ArrayAccess::data(*this).enumClass;
}

template class TypedArray<bool>;
template class TypedArray<double>;
template class TypedArray<std::int32_t>;
template class TypedArray<std::int64_t>;
template class TypedArray<char16_t>;
template class TypedArray<MATLABString>;
template class TypedArray<Struct>;
template class TypedArray<Object>;
template class TypedArray<Enumeration>;

}  // namespace matlab::data
