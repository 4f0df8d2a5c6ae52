#include "host/data/Struct.hpp"

#include "host/data/ArrayData.hpp"
#include "host/data/ArrayFactory.hpp"

namespace matlab::data {

using detail::findNamed;

namespace {

Array emptyDouble() { return ArrayFactory().createArray<double>({0, 0}); }

}  // namespace

Struct::Struct(const std::vector<std::string>& fieldNames) {
    for (const std::string& name : fieldNames) fields_.emplace_back(name, emptyDouble());
}

const Array& Struct::operator[](std::string_view field) const {
    if (const auto* entry = findNamed(fields_, field)) return entry->second;
    throw InvalidFieldNameException(field);
}

Array& Struct::operator[](std::string_view field) {
    if (auto* entry = findNamed(fields_, field)) return entry->second;
    throw InvalidFieldNameException(field);
}

}  // namespace matlab::data
