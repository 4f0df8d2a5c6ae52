#pragma once
// One element of an object array: an object of a named class with named properties.

#include "host/HostApi.hpp"
#include "host/data/Array.hpp"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace matlab::data {

class DROVA_HOST_API Object {
public:
    Object() = default;
    explicit Object(std::string className, std::vector<std::pair<std::string, Array>> properties = {});
    const std::string& getClassName() const { return className_; }
    // The property's value, or null when the object has no such property.
    const Array* findProperty(std::string_view name) const;
    // Replaces the property's value, or adds the property.
    void setProperty(std::string_view name, Array value);
    const std::vector<std::pair<std::string, Array>>& properties() const { return properties_; }

private:
    std::string className_;
    std::vector<std::pair<std::string, Array>> properties_;
};

}  // namespace matlab::data
