#pragma once
// Lists of (variable name, value) entries kept strictly ascending by name, with no entry whose
// value is 0. They hold the variables of a LinearForm and the exponentials and powers of a Term.

#include "algebra/Rational.hpp"

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace drova {

// Exact tests on values; sameValue of two Rationals is declared with Rational.
inline bool isZeroValue(const Rational& r) { return r.is_zero(); }
inline bool isZeroValue(int v) { return v == 0; }
inline bool isZeroValue(unsigned v) { return v == 0; }
inline bool sameValue(int a, int b) { return a == b; }
inline bool sameValue(unsigned a, unsigned b) { return a == b; }

template <typename Value>
struct NamedValue {
    std::string name;
    Value value;

    bool operator==(const NamedValue& other) const { return name == other.name && sameValue(value, other.value); }
};

// Byte-wise lexicographic order of names (bytes compared as unsigned); a prefix comes first,
// so "t" < "t1" and "B" < "a".
inline bool nameLess(std::string_view a, std::string_view b) { return a < b; }

// The first entry whose name is not less than `name` (a const or mutable iterator).
template <typename List>
auto firstNotBefore(List& list, std::string_view name) {
    return std::lower_bound(list.begin(), list.end(), name,
                            [](const auto& entry, std::string_view n) { return nameLess(entry.name, n); });
}

// How insertOrdered combines a new value with the value already stored under the same name.
enum class Combine { Sum, Replace };

// Sums of the 32-bit values of the lists. They throw std::overflow_error instead of wrapping,
// so that an out-of-range coefficient or exponent never silently becomes a different one.
int checkedSum(int a, int b);
unsigned checkedSum(unsigned a, unsigned b);
inline Rational checkedSum(const Rational& a, const Rational& b) { return a + b; }
int checkedProduct(int a, int b);
int checkedNegation(int a);

// Finds the first entry whose name is not less than `name`. If it has that name, its value becomes
// combine(old, value) and the entry is removed when that is 0; otherwise a new entry is inserted
// there, unless `value` is 0.
template <typename Value>
void insertOrdered(std::vector<NamedValue<Value>>& list, std::string_view name, const Value& value,
                   Combine combine) {
    auto at = firstNotBefore(list, name);
    if (at != list.end() && at->name == name) {
        Value combined = combine == Combine::Sum ? checkedSum(at->value, value) : value;
        if (isZeroValue(combined))
            list.erase(at);
        else
            at->value = std::move(combined);
    } else if (!isZeroValue(value)) {
        list.insert(at, NamedValue<Value>{std::string(name), value});
    }
}

// The value stored under `name`, or nullptr.
template <typename Value>
const Value* findValue(const std::vector<NamedValue<Value>>& list, std::string_view name) {
    auto at = firstNotBefore(list, name);
    return at != list.end() && at->name == name ? &at->value : nullptr;
}

// Removes the entry stored under `name`, if any.
template <typename Value>
void eraseName(std::vector<NamedValue<Value>>& list, std::string_view name) {
    auto at = firstNotBefore(list, name);
    if (at != list.end() && at->name == name) list.erase(at);
}

// The same list as inserting every entry of `addend`, in order, into `base` with Sum, built in one
// merge pass instead of one search and shift per entry.
template <typename Value>
std::vector<NamedValue<Value>> mergeSum(const std::vector<NamedValue<Value>>& base,
                                        const std::vector<NamedValue<Value>>& addend) {
    if (addend.empty()) return base;
    std::vector<NamedValue<Value>> merged;
    merged.reserve(base.size() + addend.size());
    std::size_t i = 0, j = 0;
    while (i < base.size() || j < addend.size()) {
        if (j == addend.size() || (i < base.size() && nameLess(base[i].name, addend[j].name))) {
            merged.push_back(base[i++]);
        } else if (i == base.size() || nameLess(addend[j].name, base[i].name)) {
            if (!isZeroValue(addend[j].value)) merged.push_back(addend[j]);
            ++j;
        } else {
            Value sum = checkedSum(base[i].value, addend[j].value);
            if (!isZeroValue(sum)) merged.push_back(NamedValue<Value>{base[i].name, std::move(sum)});
            ++i;
            ++j;
        }
    }
    return merged;
}

}  // namespace drova
