#pragma once
// Enumerations: a class with its members, and one element of an enumeration array.

#include "host/HostApi.hpp"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace matlab::data {

// An enumeration class: its name and its members with their integer values, in order.
struct DROVA_HOST_API EnumerationClass {
    std::string name;
    std::vector<std::pair<std::string, std::int64_t>> members;
};

// One element of an enumeration array: a member of the array's class.
class DROVA_HOST_API Enumeration {
public:
    Enumeration() = default;
    Enumeration(std::string name, std::int64_t value) : name_(std::move(name)), value_(value) {}
    const std::string& getName() const { return name_; }
    std::int64_t getValue() const { return value_; }
    operator std::string() const { return name_; }  // the member name
    friend bool operator==(const Enumeration&, const Enumeration&) = default;

private:
    std::string name_;
    std::int64_t value_ = 0;
};

}  // namespace matlab::data
