#pragma once
// One element of a string array: text, or MATLAB's missing value.

#include "host/HostApi.hpp"
#include "host/data/ArrayType.hpp"

#include <optional>
#include <string>
#include <utility>

namespace matlab::data {

class DROVA_HOST_API MATLABString {
public:
    MATLABString() = default;  // missing
    MATLABString(String text) : text_(std::move(text)) {}
    MATLABString(const char16_t* text) : text_(String(text)) {}

    bool has_value() const { return text_.has_value(); }
    // The text; "Missing string" when missing.
    const String& operator*() const;
    const String* operator->() const { return &**this; }
    // The text as 8-bit ASCII: "Missing string" when missing, "Input data can only
    // contain ASCII characters" for any other character.
    operator std::string() const;

    friend bool operator==(const MATLABString&, const MATLABString&) = default;

private:
    std::optional<String> text_;
};

}  // namespace matlab::data
