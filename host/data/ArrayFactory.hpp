#pragma once
// Creates the host's arrays. Element counts must match the dimensions.

#include "host/HostApi.hpp"
#include "host/data/ArrayType.hpp"
#include "host/data/Enumeration.hpp"
#include "host/data/MATLABString.hpp"
#include "host/data/Object.hpp"
#include "host/data/TypedArray.hpp"

#include <concepts>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace matlab::data {

template <typename T>
concept ScalarElement = std::same_as<T, bool> || std::same_as<T, double> || std::same_as<T, std::int32_t> ||
                        std::same_as<T, std::int64_t>;
template <typename T>
concept PlainElement = ScalarElement<T> || std::same_as<T, char16_t> || std::same_as<T, MATLABString>;

class DROVA_HOST_API ArrayFactory {
public:
    // Zeros, false, NUL characters or missing strings.
    template <PlainElement T>
    TypedArray<T> createArray(ArrayDimensions dims) const;
    template <PlainElement T>
    TypedArray<T> createArray(ArrayDimensions dims, std::vector<T> elements) const;
    template <PlainElement T>
    TypedArray<T> createArray(ArrayDimensions dims, std::initializer_list<T> elements) const {
        return createArray<T>(std::move(dims), std::vector<T>(elements));
    }
    // Takes over a buffer of n elements, n the product of the dimensions.
    template <PlainElement T>
    TypedArray<T> createArrayFromBuffer(ArrayDimensions dims, std::unique_ptr<T[]> buffer) const;

    template <ScalarElement T>
    TypedArray<T> createScalar(const T& value) const;
    // String scalars; 8-bit text must be ASCII ("Input data can only contain ASCII characters").
    StringArray createScalar(const String& text) const;
    StringArray createScalar(const char16_t* text) const;
    StringArray createScalar(const MATLABString& text) const;
    StringArray createScalar(const std::string& text) const;
    StringArray createScalar(const char* text) const;
    // A 1-by-1 object array holding the object.
    ObjectArray createScalar(const Object& object) const;

    // A 1-by-n character row; 8-bit text must be ASCII.
    CharArray createCharArray(std::string_view text) const;
    CharArray createCharArray(const String& text) const;

    // Every field of every element is [] (a 0-by-0 double).
    StructArray createStructArray(ArrayDimensions dims, std::vector<std::string> fieldNames) const;
    // Every element must be an object of class `className`.
    ObjectArray createObjectArray(ArrayDimensions dims, std::string className, std::vector<Object> objects) const;
    // Members given by name; each must belong to the class.
    EnumArray createEnumArray(ArrayDimensions dims, EnumerationClass enumClass,
                              const std::vector<std::string>& memberNames) const;
};

}  // namespace matlab::data
