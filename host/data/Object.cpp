#include "host/data/Object.hpp"

#include "host/data/ArrayData.hpp"

namespace matlab::data {

using detail::findNamed;

Object::Object(std::string className, std::vector<std::pair<std::string, Array>> properties)
    : className_(std::move(className)) {
    for (auto& [name, value] : properties) setProperty(name, std::move(value));
}

const Array* Object::findProperty(std::string_view name) const {
    const auto* entry = findNamed(properties_, name);
    return entry ? &entry->second : nullptr;
}

void Object::setProperty(std::string_view name, Array value) {
    if (auto* entry = findNamed(properties_, name))
        entry->second = std::move(value);
    else
        properties_.emplace_back(std::string(name), std::move(value));
}

}  // namespace matlab::data
