#pragma once
// An element of an untyped array, read as the type it is converted to. Logical and real
// numeric elements convert to each other (to an integer: rounded, saturated); strings
// convert to text. Anything else fails with "Can't convert this element", and an index
// past the end with "Array index is invalid.".

#include "host/HostApi.hpp"
#include "host/data/Array.hpp"
#include "host/data/MATLABString.hpp"

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

namespace matlab::data {

class DROVA_HOST_API ArrayElementRef {
public:
    ArrayElementRef(Array array, std::size_t index) : array_(std::move(array)), index_(index) {}
    operator bool() const;
    operator double() const;
    operator std::int32_t() const;
    operator std::int64_t() const;
    operator MATLABString() const;
    operator std::string() const;  // as MATLABString's

private:
    Array array_;
    std::size_t index_;
};

}  // namespace matlab::data
