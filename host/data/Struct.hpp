#pragma once
// One element of a struct array: its fields in order.

#include "host/HostApi.hpp"
#include "host/data/Array.hpp"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace matlab::data {

class DROVA_HOST_API Struct {
public:
    Struct() = default;
    explicit Struct(const std::vector<std::string>& fieldNames);  // every field []
    // The field's value; InvalidFieldNameException for a field the struct lacks.
    const Array& operator[](std::string_view field) const;
    Array& operator[](std::string_view field);
    const std::vector<std::pair<std::string, Array>>& fields() const { return fields_; }

private:
    std::vector<std::pair<std::string, Array>> fields_;
};

}  // namespace matlab::data
