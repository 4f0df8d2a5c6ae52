#pragma once
// A host array: class name, shape and elements of one value. Class names, shapes and
// element kinds behave as MATLAB's own: double, logical, int32, int64, char, string (with
// missing values), struct, objects of a named class, enumeration members and sym values
// (see host/Sym.hpp).
//
// An Array is a value: copies share their elements until one of them is changed.

#include "host/HostApi.hpp"
#include "host/data/ArrayType.hpp"

#include <cstddef>
#include <memory>
#include <string>

namespace matlab::data {

namespace detail {
struct ArrayData;
struct ArrayAccess;
}  // namespace detail

class ArrayElementRef;

class DROVA_HOST_API Array {
public:
    // An unassigned value (type UNKNOWN, no class, 0-by-0); typed views of it fail.
    Array();
    ArrayType getType() const;
    // "double", "logical", "int32", "int64", "char", "string", "struct", "sym", or the
    // class of an object or enumeration array.
    const std::string& getClassName() const;
    ArrayDimensions getDimensions() const;
    std::size_t getNumberOfElements() const;
    bool isEmpty() const { return getNumberOfElements() == 0; }
    // Element `index` (column-major), converted when it is read (host/data/ArrayElementRef.hpp).
    ArrayElementRef operator[](std::size_t index) const;

protected:
    explicit Array(std::shared_ptr<detail::ArrayData> data);
    // Gives this value its own elements before it is changed.
    detail::ArrayData& mutableData();
    std::shared_ptr<detail::ArrayData> data_;

    friend struct detail::ArrayAccess;
};

}  // namespace matlab::data
