#pragma once
// Inside drova_host only: how an Array holds its class, shape and elements.

#include "algebra/Rational.hpp"
#include "host/data/Array.hpp"
#include "host/data/Enumeration.hpp"
#include "host/data/Exception.hpp"
#include "host/data/MATLABString.hpp"
#include "host/data/Object.hpp"
#include "host/data/Struct.hpp"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace matlab::data::detail {

// A contiguous run of elements; unlike std::vector it also stores bool unpacked, so
// every kind can be read through a plain pointer.
template <typename T>
class Elements {
public:
    Elements() = default;
    explicit Elements(std::size_t size) : items_(size ? std::make_unique<T[]>(size) : nullptr), size_(size) {}
    Elements(std::unique_ptr<T[]> items, std::size_t size) : items_(std::move(items)), size_(size) {}
    explicit Elements(std::vector<T> values) : Elements(values.size()) {
        std::move(values.begin(), values.end(), begin());
    }
    Elements(const Elements& other) : Elements(other.size_) { std::copy(other.begin(), other.end(), begin()); }
    Elements(Elements&&) noexcept = default;
    Elements& operator=(Elements other) noexcept {
        items_ = std::move(other.items_);
        size_ = other.size_;
        return *this;
    }
    ~Elements() = default;

    std::size_t size() const { return size_; }
    T* begin() { return items_.get(); }
    T* end() { return items_.get() + size_; }
    const T* begin() const { return items_.get(); }
    const T* end() const { return items_.get() + size_; }

private:
    std::unique_ptr<T[]> items_;
    std::size_t size_ = 0;
};

using Storage = std::variant<std::monostate, Elements<bool>, Elements<double>, Elements<std::int32_t>,
                             Elements<std::int64_t>, Elements<char16_t>, Elements<MATLABString>, Elements<Struct>,
                             Elements<Object>, Elements<Enumeration>, Elements<drova::Rational>>;

struct ArrayData {
    ArrayType type = ArrayType::UNKNOWN;
    std::string className;
    ArrayDimensions dims{0, 0};
    Storage elements;
    std::vector<std::string> fieldNames;                // struct arrays
    std::shared_ptr<const EnumerationClass> enumClass;  // enumeration arrays
};

// Pads to two dimensions and drops trailing singletons beyond the second.
ArrayDimensions normalised(ArrayDimensions dims);
// The product of the dimensions; InvalidArrayDataException when it overflows.
std::size_t elementCount(const ArrayDimensions& dims);

// The data of a new array; the element count must match the dimensions.
template <typename T>
std::shared_ptr<ArrayData> newArrayData(ArrayType type, std::string className, ArrayDimensions dims,
                                        Elements<T> elements) {
    dims = normalised(std::move(dims));
    if (elementCount(dims) != elements.size())
        throw InvalidArrayDataException("The dimensions hold " + std::to_string(elementCount(dims)) +
                                        " elements, but " + std::to_string(elements.size()) + " were given");
    auto data = std::make_shared<ArrayData>();
    data->type = type;
    data->className = std::move(className);
    data->dims = std::move(dims);
    data->elements = std::move(elements);
    return data;
}

// The entry of a list of (name, value) pairs with the given name; null when there is none.
template <typename Named>
auto findNamed(Named& entries, std::string_view name) -> decltype(&entries.front()) {
    for (auto& entry : entries)
        if (entry.first == name) return &entry;
    return nullptr;
}

struct ArrayAccess {
    // The data of the array; an unassigned array has empty data of type UNKNOWN.
    static const ArrayData& data(const Array& array);
    static Array make(std::shared_ptr<ArrayData> data) { return Array(std::move(data)); }
    // The elements when they have type T; InvalidArrayTypeException otherwise.
    template <typename T>
    static const Elements<T>& elements(const Array& array) {
        const auto* elements = std::get_if<Elements<T>>(&data(array).elements);
        if (!elements) throw InvalidArrayTypeException();
        return *elements;
    }
    // Element `index`; InvalidArrayIndexException past the end.
    template <typename T>
    static const T& element(const Array& array, std::size_t index) {
        const Elements<T>& all = elements<T>(array);
        if (index >= all.size()) throw InvalidArrayIndexException();
        return all.begin()[index];
    }
};

}  // namespace matlab::data::detail
