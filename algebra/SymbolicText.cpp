#include "algebra/SymbolicText.hpp"

#include <cstdint>

namespace drova {

std::string toSymbolicText(const BigInt& n, bool wrap) {
    // 2^53: the largest range in which a double holds every whole number exactly.
    static const BigInt exactLimit = BigInt(1) << 53;
    if (n > exactLimit || n < -exactLimit) return "sym('" + n.str() + "')";
    if (wrap) return "sym(" + n.str() + ")";
    return n.str();
}

std::string toSymbolicText(const Rational& r, bool symbolic, bool wrapWhole) {
    if (!symbolic) return toText(r);
    std::string text = r.sign() < 0 ? "-" : "";
    const BigInt numerator = abs(numeratorOf(r));
    const BigInt& denominator = denominatorOf(r);
    if (denominator != 1)
        text += toSymbolicText(numerator, false) + "/" + toSymbolicText(denominator, true);
    else
        text += toSymbolicText(numerator, wrapWhole);
    return text;
}

std::string toSymbolicText(const Term& term) {
    std::string text = toSymbolicText(term.coefficient, true, false);
    if (!isZeroValue(term.exponentConstant)) text += "*exp(" + toSymbolicText(term.exponentConstant, true, true) + ")";
    for (const auto& [variable, rate] : term.exponentials)
        text += "*exp(" + toSymbolicText(rate, true, false) + "*" + variable + ")";
    for (const auto& [variable, exponent] : term.powers)
        text += "*" + variable + "^(" + std::to_string(exponent) + ")";
    for (const auto& argument : term.heavisides) text += "*heaviside(" + toSymbolicText(argument) + ")";
    return text;
}

std::string toSymbolicText(const Expolynomial& expolynomial) {
    if (expolynomial.terms.empty()) return "0";
    std::string text;
    bool first = true;
    for (const auto& term : expolynomial.terms) {
        if (!first && term.coefficient.sign() >= 0) text += "+";
        text += toSymbolicText(term);
        first = false;
    }
    return text;
}

std::string toSymbolicText(const LinearForm& form) {
    std::string text;
    for (const auto& [variable, coefficient] : form.variables) {
        if (coefficient < 0)
            text += "-";
        else if (!text.empty())
            text += "+";
        // Widened so that the magnitude of the most negative int is representable.
        const std::int64_t magnitude = coefficient < 0 ? -std::int64_t{coefficient} : coefficient;
        if (magnitude != 1) text += std::to_string(magnitude) + "*";
        text += variable;
    }
    const bool anyVariable = !form.variables.empty();
    if (isZeroValue(form.constant)) {
        if (!anyVariable) text += "0";
    } else {
        if (form.constant.sign() > 0 && anyVariable) text += "+";
        text += toSymbolicText(form.constant, true, false);
    }
    return text;
}

}  // namespace drova
