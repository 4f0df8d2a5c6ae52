#pragma once
// The expressions of a net file: exact parameter expressions (numbers and earlier parameters with
// + - * / and parentheses) and conditions over the marking (guards and the down states: place
// names and integers with + - *, the comparisons < <= == != >= >, and, or, not).
//
//     Rational rate = evaluateNumber("1/2000 * k", parameters);
//     Condition down = parseCondition("working < 2", placeIndex);
//     bool isDown = down.holds(marking);

#include "algebra/Rational.hpp"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace drova::net {

// A mistake in an expression text: what is wrong and the 0-based offset in the text where it was
// found, so that the reader can say the line and column.
class ExpressionError : public std::invalid_argument {
public:
    ExpressionError(const std::string& message, std::size_t offset)
        : std::invalid_argument(message), offset_(offset) {}
    std::size_t offset() const { return offset_; }

private:
    std::size_t offset_;
};

// The exact value of a decimal number text: digits, optionally "." and digits, and optionally an
// exponent ("2.5", "0.95" is 19/20, "1e-3"); none when the text is not such a number.
std::optional<Rational> parseDecimal(std::string_view text);

// The value of a parameter expression. `names` gives the value of each name it may use (a name it
// does not know is an error, with a suggestion when one is close). Division by zero is an error.
Rational evaluateNumber(std::string_view text, const std::map<std::string, Rational, std::less<>>& names);

// A condition over a marking, compiled once and evaluated for every marking met.
class Condition {
public:
    struct Node;
    Condition() = default;
    explicit Condition(std::shared_ptr<const Node> root) : root_(std::move(root)) {}
    bool holds(const std::vector<std::uint32_t>& marking) const;

private:
    std::shared_ptr<const Node> root_;
};

// Compiles a condition whose names are the places (`places`: name to index).
Condition parseCondition(std::string_view text, const std::map<std::string, std::size_t, std::less<>>& places);

}  // namespace drova::net
