#include "host/classic/ClassicChecks.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace drova {

namespace {

std::string numberText(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.17g", value);
    return buffer;
}

template <class Item, class Text>
std::string joined(std::span<const Item> items, Text text) {
    std::string result;
    for (const Item& item : items) {
        if (!result.empty()) result += ", ";
        result += text(item);
    }
    return result.empty() ? "(none)" : result;
}

std::string memberText(const ClassicEnumerationMember& m) { return m.name + " = " + std::to_string(m.value); }

std::vector<ClassicEnumerationMember> sortedMembers(std::span<const ClassicEnumerationMember> members) {
    std::vector<ClassicEnumerationMember> sorted(members.begin(), members.end());
    std::sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
    return sorted;
}

}  // namespace

void classicIndexError(std::int64_t index, std::int64_t low, std::int64_t high, std::string_view array) {
    classicRaise(ClassicIndexErrorId,
                 {std::to_string(index), std::to_string(low), std::to_string(high), std::string(array)});
}

void classicCheckNonNegative(std::int64_t size) {
    if (size < 0) classicRaise(ClassicNonNegativeErrorId, {std::to_string(size)});
}

void classicCheckNonNegative(double size) {
    if (!(size >= 0.0)) classicRaise(ClassicNonNegativeErrorId, {numberText(size)});
}

void classicCheckInteger(double value) {
    if (value != std::floor(value)) classicRaise(ClassicIntegerErrorId, {numberText(value)});
}

void classicCheckAssignmentSize(std::int64_t expected, std::int64_t actual) {
    if (expected != actual)
        classicRaise(ClassicAssignmentSizeErrorId, {std::to_string(expected), std::to_string(actual)});
}

void classicOutOfMemory() { classicRaise(ClassicOutOfMemoryErrorId); }

void classicCheckClass(std::string_view path, std::string_view expectedClass, std::string_view actualClass) {
    if (expectedClass != actualClass)
        classicRaise(ClassicClassErrorId, {std::string(path), std::string(expectedClass), std::string(actualClass)});
}

void classicCheckReal(std::string_view path, bool isComplex) {
    if (isComplex) classicRaise(ClassicComplexErrorId, {std::string(path)});
}

std::string classicSizeRuleText(std::span<const ClassicDimension> rule) {
    std::string text;
    for (const ClassicDimension& d : rule) {
        if (!text.empty()) text += 'x';
        if (d.variable) text += ':';
        text += d.size < 0 ? std::string("Inf") : std::to_string(d.size);
    }
    return text;
}

void classicCheckSize(std::string_view path, std::span<const ClassicDimension> rule,
                      std::span<const std::int64_t> actual) {
    std::size_t count = std::max(rule.size(), actual.size());
    bool fits = true;
    for (std::size_t i = 0; i < count && fits; ++i) {
        std::int64_t extent = i < actual.size() ? actual[i] : 1;
        if (i >= rule.size()) {
            fits = extent == 1;
        } else {
            const ClassicDimension& d = rule[i];
            fits = d.variable ? (d.size < 0 || extent <= d.size) : extent == d.size;
        }
    }
    if (fits) return;
    std::string actualText;
    for (std::int64_t extent : actual) {
        if (!actualText.empty()) actualText += 'x';
        actualText += std::to_string(extent);
    }
    classicRaise(ClassicSizeErrorId, {std::string(path), classicSizeRuleText(rule), actualText});
}

void classicCheckFields(std::string_view path, std::span<const std::string_view> expected,
                        std::span<const std::string> actual) {
    std::vector<std::string> want(expected.begin(), expected.end());
    std::vector<std::string> have(actual.begin(), actual.end());
    std::sort(want.begin(), want.end());
    std::sort(have.begin(), have.end());
    if (want == have) return;
    auto text = [](const auto& s) { return std::string(s); };
    classicRaise(ClassicFieldsErrorId,
                 {std::string(path), joined(expected, text), joined(actual, text)});
}

void classicCheckEnumeration(std::string_view path, std::string_view className,
                             std::span<const ClassicEnumerationMember> expected,
                             std::span<const ClassicEnumerationMember> actual) {
    auto want = sortedMembers(expected);
    auto have = sortedMembers(actual);
    bool same = want.size() == have.size() &&
                std::equal(want.begin(), want.end(), have.begin(),
                           [](const auto& a, const auto& b) { return a.name == b.name && a.value == b.value; });
    if (same) return;
    classicRaise(ClassicEnumerationErrorId,
                 {std::string(path), std::string(className), joined(expected, memberText), joined(actual, memberText)});
}

}  // namespace drova
