#include "convert/net/NetExpression.hpp"

#include "algebra/MessageText.hpp"

#include <cctype>
#include <limits>

namespace drova::net {

namespace {

bool isNameStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool isNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }
bool isDigitChar(char c) { return c >= '0' && c <= '9'; }

enum class Kind { Number, Name, Operator, Open, Close, End };

struct Token {
    Kind kind = Kind::End;
    std::string text;
    std::size_t offset = 0;
};

// Splits an expression into numbers, names, operators and parentheses.
std::vector<Token> tokenize(std::string_view text) {
    std::vector<Token> tokens;
    std::size_t at = 0;
    while (true) {
        while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
        if (at == text.size()) break;
        const std::size_t start = at;
        const char c = text[at];
        if (isDigitChar(c) || (c == '.' && at + 1 < text.size() && isDigitChar(text[at + 1]))) {
            while (at < text.size() && (isDigitChar(text[at]) || text[at] == '.')) ++at;
            // An exponent: e or E, an optional sign, digits.
            if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
                std::size_t next = at + 1;
                if (next < text.size() && (text[next] == '+' || text[next] == '-')) ++next;
                if (next < text.size() && isDigitChar(text[next])) {
                    at = next;
                    while (at < text.size() && isDigitChar(text[at])) ++at;
                }
            }
            tokens.push_back({Kind::Number, std::string(text.substr(start, at - start)), start});
        } else if (isNameStart(c)) {
            while (at < text.size() && isNameChar(text[at])) ++at;
            tokens.push_back({Kind::Name, std::string(text.substr(start, at - start)), start});
        } else if (c == '(' || c == ')') {
            tokens.push_back({c == '(' ? Kind::Open : Kind::Close, std::string(1, c), start});
            ++at;
        } else {
            static const char* const Operators[] = {"<=", ">=", "==", "!=", "<", ">", "+", "-", "*", "/"};
            bool found = false;
            for (const char* op : Operators) {
                const std::string_view o(op);
                if (text.substr(at, o.size()) == o) {
                    tokens.push_back({Kind::Operator, std::string(o), start});
                    at += o.size();
                    found = true;
                    break;
                }
            }
            if (!found)
                throw ExpressionError("unexpected character \"" + messageText(text.substr(at, 1)) + "\"", start);
        }
    }
    tokens.push_back({Kind::End, "", text.size()});
    return tokens;
}

std::string shown(const Token& token) {
    return token.kind == Kind::End ? std::string("the end of the expression") : "\"" + messageText(token.text) + "\"";
}

std::string unknownName(const std::string& what, const std::string& name, const std::vector<std::string>& known) {
    std::string message = "unknown " + what + " \"" + messageText(name) + "\"";
    if (const std::string near = closestName(name, known); !near.empty()) message += " (did you mean \"" + near + "\"?)";
    return message;
}

// Recursive descent over the tokens of a parameter expression.
class NumberParser {
public:
    NumberParser(std::string_view text, const std::map<std::string, Rational, std::less<>>& names)
        : tokens_(tokenize(text)), names_(names) {}

    Rational parse() {
        if (tokens_.front().kind == Kind::End) throw ExpressionError("the expression is empty", 0);
        Rational value = sum();
        if (peek().kind != Kind::End) throw ExpressionError("unexpected " + shown(peek()), peek().offset);
        return value;
    }

private:
    const Token& peek() const { return tokens_[at_]; }
    bool accept(const char* op) {
        if (peek().kind == Kind::Operator && peek().text == op) {
            ++at_;
            return true;
        }
        return false;
    }

    // Numbers of a model are small; one that grows past this many 64-bit words (some 10000
    // digits in numerator and denominator) is a mistake, and refusing it keeps the work bounded.
    static constexpr std::size_t MaxWords = 1040;
    Rational bounded(Rational value, std::size_t offset) const {
        if (wordsOf(value) > MaxWords) throw ExpressionError("the number grows beyond 10000 digits", offset);
        return value;
    }

    Rational sum() {
        Rational value = product();
        while (true) {
            const std::size_t offset = peek().offset;
            if (accept("+")) value = bounded(value + product(), offset);
            else if (accept("-")) value = bounded(value - product(), offset);
            else return value;
        }
    }

    Rational product() {
        Rational value = unary();
        while (true) {
            if (peek().kind == Kind::Operator && peek().text == "*") {
                const std::size_t offset = peek().offset;
                ++at_;
                value = bounded(value * unary(), offset);
            } else if (peek().kind == Kind::Operator && peek().text == "/") {
                const std::size_t offset = peek().offset;
                ++at_;
                const Rational divisor = unary();
                if (divisor == 0) throw ExpressionError("division by zero", offset);
                value = bounded(value / divisor, offset);
            } else {
                return value;
            }
        }
    }

    Rational unary() {
        if (accept("-")) return -unary();
        if (accept("+")) return unary();
        return primary();
    }

    Rational primary() {
        const Token token = peek();
        switch (token.kind) {
            case Kind::Number: {
                ++at_;
                std::optional<Rational> value = parseDecimal(token.text);
                if (!value) throw ExpressionError("\"" + messageText(token.text) + "\" is not a number", token.offset);
                return bounded(*value, token.offset);
            }
            case Kind::Name: {
                ++at_;
                const auto found = names_.find(token.text);
                if (found == names_.end()) {
                    std::vector<std::string> known;
                    for (const auto& entry : names_) known.push_back(entry.first);
                    throw ExpressionError(unknownName("parameter", token.text, known), token.offset);
                }
                return found->second;
            }
            case Kind::Open: {
                ++at_;
                Rational value = sum();
                if (peek().kind != Kind::Close) throw ExpressionError("expected \")\" before " + shown(peek()), peek().offset);
                ++at_;
                return value;
            }
            default:
                throw ExpressionError("expected a number, a name or \"(\" before " + shown(token), token.offset);
        }
    }

    std::vector<Token> tokens_;
    std::size_t at_ = 0;
    const std::map<std::string, Rational, std::less<>>& names_;
};

}  // namespace

std::optional<Rational> parseDecimal(std::string_view text) {
    std::size_t at = 0;
    std::string digits;
    std::int64_t scale = 0;  // the value is digits * 10^scale
    bool any = false;
    while (at < text.size() && isDigitChar(text[at])) digits += text[at++], any = true;
    if (at < text.size() && text[at] == '.') {
        ++at;
        while (at < text.size() && isDigitChar(text[at])) digits += text[at++], --scale, any = true;
    }
    if (!any) return std::nullopt;
    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        ++at;
        bool negative = false;
        if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
        if (at == text.size()) return std::nullopt;
        std::int64_t exponent = 0;
        while (at < text.size() && isDigitChar(text[at])) {
            exponent = exponent * 10 + (text[at++] - '0');
            if (exponent > 10000) return std::nullopt;  // far beyond any delay or rate a model needs
        }
        scale += negative ? -exponent : exponent;
    }
    if (at != text.size()) return std::nullopt;
    const std::size_t first = digits.find_first_not_of('0');
    digits = first == std::string::npos ? "0" : digits.substr(first);
    std::string power = "1";
    power.append(static_cast<std::size_t>(scale < 0 ? -scale : scale), '0');
    return scale < 0 ? fromTexts(digits, power) : fromTexts(digits + power.substr(1), "1");
}

Rational evaluateNumber(std::string_view text, const std::map<std::string, Rational, std::less<>>& names) {
    return NumberParser(text, names).parse();
}

// A node of a compiled condition: an integer sum over the marking, a comparison, or a connective.
struct Condition::Node {
    enum class Op { Constant, Place, Add, Subtract, Multiply, Negate, Less, LessEqual, Equal, NotEqual,
                    GreaterEqual, Greater, And, Or, Not };
    Op op = Op::Constant;
    std::int64_t value = 0;  // Constant: the number; Place: the place's index
    std::shared_ptr<const Node> left, right;
    bool boolean = false;    // the node is a truth value, not a number

    std::int64_t number(const std::vector<std::uint32_t>& marking) const {
        std::int64_t result = 0;
        const auto checked = [&result](bool overflow) {
            if (overflow) throw std::invalid_argument("A condition of the net computes a number beyond 64 bits");
            return result;
        };
        switch (op) {
            case Op::Constant: return value;
            case Op::Place: return marking[static_cast<std::size_t>(value)];
            case Op::Add: return checked(__builtin_add_overflow(left->number(marking), right->number(marking), &result));
            case Op::Subtract: return checked(__builtin_sub_overflow(left->number(marking), right->number(marking), &result));
            case Op::Multiply: return checked(__builtin_mul_overflow(left->number(marking), right->number(marking), &result));
            case Op::Negate: return -left->number(marking);
            default: return truth(marking) ? 1 : 0;
        }
    }

    bool truth(const std::vector<std::uint32_t>& marking) const {
        switch (op) {
            case Op::Less: return left->number(marking) < right->number(marking);
            case Op::LessEqual: return left->number(marking) <= right->number(marking);
            case Op::Equal: return left->number(marking) == right->number(marking);
            case Op::NotEqual: return left->number(marking) != right->number(marking);
            case Op::GreaterEqual: return left->number(marking) >= right->number(marking);
            case Op::Greater: return left->number(marking) > right->number(marking);
            case Op::And: return left->truth(marking) && right->truth(marking);
            case Op::Or: return left->truth(marking) || right->truth(marking);
            case Op::Not: return !left->truth(marking);
            default: return number(marking) != 0;
        }
    }
};

bool Condition::holds(const std::vector<std::uint32_t>& marking) const { return !root_ || root_->truth(marking); }

namespace {

using Node = Condition::Node;
using NodePtr = std::shared_ptr<const Node>;

// Recursive descent over a condition: or, and, not, comparison, sum, product, unary, primary. Each
// node knows whether it is a number or a truth value, and every operator checks its operands.
class ConditionParser {
public:
    ConditionParser(std::string_view text, const std::map<std::string, std::size_t, std::less<>>& places)
        : tokens_(tokenize(text)), places_(places) {}

    NodePtr parse() {
        if (tokens_.front().kind == Kind::End) throw ExpressionError("the condition is empty", 0);
        const std::size_t start = peek().offset;
        NodePtr root = disjunction();
        if (peek().kind != Kind::End) throw ExpressionError("unexpected " + shown(peek()), peek().offset);
        requireTruth(root, start);
        return root;
    }

private:
    const Token& peek() const { return tokens_[at_]; }
    bool acceptWord(const char* word) {
        if (peek().kind == Kind::Name && peek().text == word) {
            ++at_;
            return true;
        }
        return false;
    }
    bool acceptOperator(const char* op) {
        if (peek().kind == Kind::Operator && peek().text == op) {
            ++at_;
            return true;
        }
        return false;
    }

    static void requireTruth(const NodePtr& node, std::size_t offset) {
        if (!node->boolean)
            throw ExpressionError("expected a comparison such as \"place < 2\", not a number", offset);
    }
    static void requireNumber(const NodePtr& node, std::size_t offset) {
        if (node->boolean) throw ExpressionError("expected a number, not a comparison", offset);
    }

    static NodePtr make(Node::Op op, NodePtr left, NodePtr right, bool boolean) {
        auto node = std::make_shared<Node>();
        node->op = op;
        node->left = std::move(left);
        node->right = std::move(right);
        node->boolean = boolean;
        return node;
    }

    NodePtr disjunction() {
        std::size_t offset = peek().offset;
        NodePtr left = conjunction();
        while (peek().kind == Kind::Name && peek().text == "or") {
            requireTruth(left, offset);
            ++at_;
            offset = peek().offset;
            NodePtr right = conjunction();
            requireTruth(right, offset);
            left = make(Node::Op::Or, left, right, true);
        }
        return left;
    }

    NodePtr conjunction() {
        std::size_t offset = peek().offset;
        NodePtr left = negation();
        while (peek().kind == Kind::Name && peek().text == "and") {
            requireTruth(left, offset);
            ++at_;
            offset = peek().offset;
            NodePtr right = negation();
            requireTruth(right, offset);
            left = make(Node::Op::And, left, right, true);
        }
        return left;
    }

    NodePtr negation() {
        if (acceptWord("not")) {
            const std::size_t offset = peek().offset;
            NodePtr operand = negation();
            requireTruth(operand, offset);
            return make(Node::Op::Not, operand, nullptr, true);
        }
        return comparison();
    }

    NodePtr comparison() {
        const std::size_t offset = peek().offset;
        NodePtr left = sum();
        static const std::pair<const char*, Node::Op> Comparisons[] = {
            {"<=", Node::Op::LessEqual}, {">=", Node::Op::GreaterEqual}, {"==", Node::Op::Equal},
            {"!=", Node::Op::NotEqual},  {"<", Node::Op::Less},          {">", Node::Op::Greater}};
        for (const auto& [text, op] : Comparisons) {
            if (!acceptOperator(text)) continue;
            requireNumber(left, offset);
            const std::size_t rightOffset = peek().offset;
            NodePtr right = sum();
            requireNumber(right, rightOffset);
            if (peek().kind == Kind::Operator && peek().text != "+" && peek().text != "-" && peek().text != "*")
                throw ExpressionError("comparisons do not chain: join them with \"and\"", peek().offset);
            return make(op, left, right, true);
        }
        return left;
    }

    NodePtr arithmetic(NodePtr left, std::size_t leftOffset, Node::Op op, NodePtr right, std::size_t rightOffset) {
        requireNumber(left, leftOffset);
        requireNumber(right, rightOffset);
        return make(op, std::move(left), std::move(right), false);
    }

    NodePtr sum() {
        const std::size_t offset = peek().offset;
        NodePtr left = product();
        while (true) {
            Node::Op op;
            if (acceptOperator("+")) op = Node::Op::Add;
            else if (acceptOperator("-")) op = Node::Op::Subtract;
            else return left;
            const std::size_t rightOffset = peek().offset;
            left = arithmetic(left, offset, op, product(), rightOffset);
        }
    }

    NodePtr product() {
        const std::size_t offset = peek().offset;
        NodePtr left = unary();
        while (true) {
            if (peek().kind == Kind::Operator && peek().text == "/")
                throw ExpressionError("conditions count tokens in integers: \"/\" is not allowed", peek().offset);
            if (!acceptOperator("*")) return left;
            const std::size_t rightOffset = peek().offset;
            left = arithmetic(left, offset, Node::Op::Multiply, unary(), rightOffset);
        }
    }

    NodePtr unary() {
        if (acceptOperator("-")) {
            const std::size_t offset = peek().offset;
            NodePtr operand = unary();
            requireNumber(operand, offset);
            return make(Node::Op::Negate, operand, nullptr, false);
        }
        if (acceptOperator("+")) return unary();
        return primary();
    }

    NodePtr primary() {
        const Token token = peek();
        auto node = std::make_shared<Node>();
        switch (token.kind) {
            case Kind::Number: {
                ++at_;
                std::int64_t value = 0;
                for (const char c : token.text) {
                    if (!isDigitChar(c))
                        throw ExpressionError("conditions count tokens in integers: \"" + messageText(token.text) +
                                                  "\" is not one",
                                              token.offset);
                    value = value * 10 + (c - '0');
                    if (value > std::numeric_limits<std::int32_t>::max())
                        throw ExpressionError("the number \"" + messageText(token.text) + "\" is too large",
                                              token.offset);
                }
                node->op = Node::Op::Constant;
                node->value = value;
                return node;
            }
            case Kind::Name: {
                if (token.text == "and" || token.text == "or" || token.text == "not")
                    throw ExpressionError("expected a place or a number before \"" + token.text + "\"", token.offset);
                ++at_;
                const auto found = places_.find(token.text);
                if (found == places_.end()) {
                    std::vector<std::string> known;
                    for (const auto& entry : places_) known.push_back(entry.first);
                    throw ExpressionError(unknownName("place", token.text, known), token.offset);
                }
                node->op = Node::Op::Place;
                node->value = static_cast<std::int64_t>(found->second);
                return node;
            }
            case Kind::Open: {
                ++at_;
                NodePtr inner = disjunction();
                if (peek().kind != Kind::Close) throw ExpressionError("expected \")\" before " + shown(peek()), peek().offset);
                ++at_;
                return inner;
            }
            default:
                throw ExpressionError("expected a place, a number or \"(\" before " + shown(token), token.offset);
        }
    }

    std::vector<Token> tokens_;
    std::size_t at_ = 0;
    const std::map<std::string, std::size_t, std::less<>>& places_;
};

}  // namespace

Condition parseCondition(std::string_view text, const std::map<std::string, std::size_t, std::less<>>& places) {
    return Condition(ConditionParser(text, places).parse());
}

}  // namespace drova::net
