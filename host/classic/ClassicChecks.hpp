#pragma once
// The run-time checks of the classic extension run time. Each failing check
// ends the call with an error (ClassicError.hpp) whose parameters name what
// failed: the index and its valid range with the array's name, or the path of
// an input value such as "gsms.States.DownState".

#include "host/classic/ClassicError.hpp"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace drova {

// Index check: index must lie in low ... high (an empty array has high < low).
[[noreturn]] void classicIndexError(std::int64_t index, std::int64_t low, std::int64_t high, std::string_view array);
inline std::int64_t classicIndexCheck(std::int64_t index, std::int64_t low, std::int64_t high,
                                      std::string_view array) {
    if (index < low || index > high) [[unlikely]]
        classicIndexError(index, low, high, array);
    return index;
}

// A size taken from the caller must not be negative.
void classicCheckNonNegative(std::int64_t size);
void classicCheckNonNegative(double size);
// A value used as a count or index must be a whole number.
void classicCheckInteger(double value);
// Assigning actual elements to a destination that holds expected elements.
void classicCheckAssignmentSize(std::int64_t expected, std::int64_t actual);
[[noreturn]] void classicOutOfMemory();

// Checks of input values; path names the value, such as "gsms.Initial".
void classicCheckClass(std::string_view path, std::string_view expectedClass, std::string_view actualClass);
void classicCheckReal(std::string_view path, bool isComplex);

// Allowed extent of one dimension: exactly `size`, or (variable) at most
// `size` elements, where a negative bound means no limit.
struct ClassicDimension {
    std::int64_t size;
    bool variable;
};
inline constexpr ClassicDimension classicFixed(std::int64_t size) { return {size, false}; }
inline constexpr ClassicDimension classicUpTo(std::int64_t size) { return {size, true}; }
inline constexpr ClassicDimension ClassicAnySize{-1, true};

// The actual dimensions must match the rule's dimensions one by one; missing
// trailing dimensions count as 1, and so must surplus ones.
void classicCheckSize(std::string_view path, std::span<const ClassicDimension> rule,
                      std::span<const std::int64_t> actual);
// Formats a rule as "1x:2", "1x:Inf", "1x1".
std::string classicSizeRuleText(std::span<const ClassicDimension> rule);

// A structure's field names must be exactly the expected ones, in any order.
void classicCheckFields(std::string_view path, std::span<const std::string_view> expected,
                        std::span<const std::string> actual);

struct ClassicEnumerationMember {
    std::string name;
    std::int64_t value;
};
// The enumeration class of the value at path must have exactly the expected
// members (names with their values, in any order).
void classicCheckEnumeration(std::string_view path, std::string_view className,
                             std::span<const ClassicEnumerationMember> expected,
                             std::span<const ClassicEnumerationMember> actual);

}  // namespace drova
