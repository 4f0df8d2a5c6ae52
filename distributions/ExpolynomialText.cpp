#include "distributions/ExpolynomialText.hpp"

#include "algebra/MessageText.hpp"
#include "algebra/SymbolicText.hpp"

#include <cctype>
#include <cmath>
#include <optional>
#include <stdexcept>
#include <vector>

namespace drova {

namespace {

const std::string X = "x";
constexpr unsigned MostPower = 1000;

class DensityParser {
public:
    explicit DensityParser(std::string_view text) : text_(text) {}

    Expolynomial whole() {
        Expolynomial result = sum();
        skip();
        if (at_ < text_.size()) fail(text_[at_] == ')' ? "no \"(\" before this \")\"" : "\"+\", \"-\", \"*\" or \"/\"");
        return result;
    }

private:
    void skip() {
        while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t')) ++at_;
    }
    bool next(char c) {
        skip();
        if (at_ < text_.size() && text_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }
    [[noreturn]] void fail(const std::string& expected) const {
        throw std::invalid_argument("Could not read the density \"" + messageText(text_) + "\" at character " +
                                    std::to_string(at_ + 1) + ": expected " + expected);
    }

    Expolynomial sum() {
        skip();
        bool negative = false;
        if (next('-'))
            negative = true;
        else
            next('+');
        Expolynomial result = product();
        if (negative) result = multiply(Term(Rational(-1)), result);
        for (;;) {
            if (next('+'))
                result = add(std::move(result), product());
            else if (next('-'))
                result = subtract(std::move(result), product());
            else
                return result;
        }
    }

    Expolynomial product() {
        Expolynomial result = factor();
        for (;;) {
            if (next('*')) {
                result = multiply(result, factor());
            } else if (next('/')) {
                skip();
                const std::size_t where = at_;
                const Rational divisor = number();
                if (divisor == 0) {
                    at_ = where;
                    fail("a divisor other than 0");
                }
                result = multiply(Term(Rational(1 / divisor)), result);
            } else {
                return result;
            }
        }
    }

    Rational number() {
        skip();
        const std::size_t start = at_;
        std::string digits;
        std::string scale = "1";
        while (at_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[at_]))) digits += text_[at_++];
        if (at_ < text_.size() && text_[at_] == '.') {
            ++at_;
            while (at_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[at_]))) {
                digits += text_[at_++];
                scale += '0';
            }
        }
        if (digits.empty()) {
            at_ = start;
            fail("a number");
        }
        if (digits.size() > 10000) {
            at_ = start;
            fail("a number of at most 10000 digits");
        }
        return fromTexts(digits, scale);
    }

    bool word(std::string_view name) {
        skip();
        if (text_.substr(at_, name.size()) != name) return false;
        const std::size_t after = at_ + name.size();
        if (after < text_.size() && (std::isalnum(static_cast<unsigned char>(text_[after])) || text_[after] == '_'))
            return false;
        at_ = after;
        return true;
    }

    // A primary, optionally raised to a whole power.
    Expolynomial factor() {
        Expolynomial base = primary();
        if (!next('^')) return base;
        const bool parenthesised = next('(');
        skip();
        const std::size_t where = at_;
        const Rational k = number();
        if (denominatorOf(k) != 1 || k > MostPower) {
            at_ = where;
            fail("a whole power from 0 to 1000");
        }
        if (parenthesised && !next(')')) fail("\")\"");
        Expolynomial result = UnitExpolynomial;
        for (auto n = static_cast<unsigned>(numeratorOf(k)); n > 0; --n) result = multiply(result, base);
        return result;
    }

    Expolynomial primary() {
        skip();
        if (at_ < text_.size() && (std::isdigit(static_cast<unsigned char>(text_[at_])) || text_[at_] == '.'))
            return Expolynomial(Term(number()));
        if (word("x")) return Expolynomial(Term(RationalOne, RationalZero, {}, {{X, 1u}}, {}));
        if (word("exp")) {
            if (!next('(')) fail("\"(\" after exp");
            const std::size_t start = at_;
            const std::optional<LinearForm> argument = linearInX(sum(), true);
            if (!argument) {
                at_ = start;
                fail("a multiple of x plus a number as the argument of exp, such as exp(-2*x)");
            }
            if (!next(')')) fail("\")\"");
            Term::Exponentials rates;
            if (rate_ != 0) rates.push_back({X, rate_});
            return Expolynomial(Term(RationalOne, argument->constant, rates, {}, {}));
        }
        if (word("heaviside")) {
            if (!next('(')) fail("\"(\" after heaviside");
            const std::size_t start = at_;
            const std::optional<LinearForm> argument = linearInX(sum(), false);
            if (!argument || (rate_ != 1 && rate_ != -1)) {
                at_ = start;
                fail("x - c or c - x as the argument of heaviside, such as heaviside(x-2)");
            }
            if (!next(')')) fail("\")\"");
            return Expolynomial(Term(RationalOne, RationalZero, {}, {}, {*argument}));
        }
        if (next('(')) {
            Expolynomial inner = sum();
            if (!next(')')) fail("\")\"");
            return inner;
        }
        fail("a number, x or exp(...)");
    }

    // The argument r*x + c of exp or heaviside; none when it is not of that form. The rate r is left
    // in rate_; the form holds x with coefficient sign(r) (for heaviside) and the constant c.
    std::optional<LinearForm> linearInX(const Expolynomial& argument, bool anyRate) {
        rate_ = RationalZero;
        Rational constant;
        for (const Term& term : argument.terms) {
            if (term.coefficient == 0) continue;
            if (term.exponentConstant != 0 || !term.exponentials.empty() || !term.heavisides.empty()) return std::nullopt;
            if (term.powers.empty()) {
                constant += term.coefficient;
            } else if (term.powers.size() == 1 && term.powers[0].name == X && term.powers[0].value == 1) {
                rate_ += term.coefficient;
            } else {
                return std::nullopt;
            }
        }
        if (!anyRate && rate_ != 1 && rate_ != -1) return std::nullopt;
        LinearForm form(constant);
        if (!anyRate) form = LinearForm({{X, rate_ == 1 ? 1 : -1}}, constant);
        return form;
    }

    std::string_view text_;
    std::size_t at_ = 0;
    Rational rate_;
};

std::string rateText(const Rational& rate) {
    if (rate == 1) return X;
    if (rate == -1) return "-" + X;
    return toText(rate) + "*" + X;
}

// x-c, c-x or, for forms in other variables, their symbolic text.
std::string formText(const LinearForm& form) {
    if (form.variables.size() != 1 || form.variables[0].name != X) return toSymbolicText(form);
    const Rational& c = form.constant;
    if (form.variables[0].value == 1)
        return c == 0 ? X : X + (c < 0 ? "-" + toText(Rational(-c)) : "+" + toText(c));
    if (form.variables[0].value == -1) return (c == 0 ? "" : toText(c)) + "-" + X;
    return toSymbolicText(form);
}

}  // namespace

Expolynomial parseDensityText(std::string_view text) { return DensityParser(text).whole(); }

std::string densityText(const Expolynomial& expolynomial) {
    if (expolynomial.isZero()) return "0";
    std::string out;
    for (const Term& term : expolynomial.terms) {
        std::vector<std::string> factors;
        if (term.exponentConstant != 0) factors.push_back("exp(" + toText(term.exponentConstant) + ")");
        for (const auto& [name, power] : term.powers)
            factors.push_back(power == 1 ? name : name + "^" + std::to_string(power));
        for (const auto& [name, rate] : term.exponentials)
            factors.push_back("exp(" + (name == X ? rateText(rate) : toText(rate) + "*" + name) + ")");
        for (const LinearForm& form : term.heavisides) factors.push_back("heaviside(" + formText(form) + ")");
        const bool negative = term.coefficient < 0;
        const Rational magnitude = negative ? Rational(-term.coefficient) : term.coefficient;
        out += negative ? "-" : out.empty() ? "" : "+";
        std::string product = magnitude == 1 && !factors.empty() ? "" : toText(magnitude);
        for (const std::string& factor : factors) product += (product.empty() ? "" : "*") + factor;
        out += product;
    }
    return out;
}

long double valueInX(const Expolynomial& expolynomial, long double x) {
    long double total = 0;
    for (const Term& term : expolynomial.terms) {
        bool cut = false;
        for (const LinearForm& form : term.heavisides) {
            long double value = static_cast<long double>(form.constant);
            for (const auto& [name, coefficient] : form.variables) value += coefficient * x;
            if (value < 0) cut = true;
        }
        if (cut) continue;
        long double exponent = static_cast<long double>(term.exponentConstant);
        for (const auto& [name, rate] : term.exponentials) exponent += static_cast<long double>(rate) * x;
        long double value = static_cast<long double>(term.coefficient) * std::exp(exponent);
        for (const auto& [name, power] : term.powers) value *= std::pow(x, static_cast<long double>(power));
        total += value;
    }
    return total;
}

}  // namespace drova
