#include "algebra/Expolynomial.hpp"

#include "algebra/Combinatorics.hpp"

#include <boost/container_hash/hash.hpp>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <limits>
#include <unordered_set>
#include <utility>

// Built from literals: another file's constants may not be initialised yet at load time.
const Expolynomial UnitExpolynomial{Term(Rational(1))};

Expolynomial::Expolynomial() : terms(1) {}

Expolynomial::Expolynomial(Term term) { terms.push_back(std::move(term)); }

Expolynomial::Expolynomial(std::vector<Term> terms) : terms(std::move(terms)) {}

bool Expolynomial::isZero() const {
    return std::all_of(terms.begin(), terms.end(), [](const Term& term) { return term.coefficient == 0; });
}

namespace {

// The shape of a term is everything but its coefficient; like terms have equal shapes.
std::size_t shapeHash(const Term& term) {
    std::size_t seed = std::hash<Rational>{}(term.exponentConstant);
    boost::hash_combine(seed, term.exponentials.size());
    for (const auto& [name, rate] : term.exponentials) {
        boost::hash_combine(seed, std::hash<std::string>{}(name));
        boost::hash_combine(seed, std::hash<Rational>{}(rate));
    }
    boost::hash_combine(seed, term.powers.size());
    for (const auto& [name, exponent] : term.powers) {
        boost::hash_combine(seed, std::hash<std::string>{}(name));
        boost::hash_combine(seed, exponent);
    }
    boost::hash_combine(seed, term.heavisides.size());
    for (const auto& form : term.heavisides) {
        boost::hash_combine(seed, form.variables.size());
        for (const auto& [name, coefficient] : form.variables) {
            boost::hash_combine(seed, std::hash<std::string>{}(name));
            boost::hash_combine(seed, coefficient);
        }
        boost::hash_combine(seed, std::hash<Rational>{}(form.constant));
    }
    return seed;
}

// The shape of the zero term and of every constant term.
bool hasConstantShape(const Term& term) {
    return term.exponentConstant == 0 && term.exponentials.empty() && term.powers.empty() && term.heavisides.empty();
}

}  // namespace

void normalise(Expolynomial& expolynomial) {
    // The pairwise merge, followed slot by slot: a term of non-constant shape is like only the
    // terms of its shape, so the first of them (which no earlier slot can absorb) collects all
    // their coefficients and the others become zero terms, i.e. constant-shaped with coefficient 0.
    // The first slot that has constant shape when its turn comes (the first constant term, or the
    // first slot emptied that way, whichever is earlier) then collects every constant term after
    // it, which together are all of them; any later constant-shaped slot only meets zeros.
    auto& terms = expolynomial.terms;
    const std::size_t n = terms.size();
    constexpr std::size_t none = std::numeric_limits<std::size_t>::max();

    std::vector<std::size_t> hashes(n);
    for (std::size_t i = 0; i < n; ++i) hashes[i] = shapeHash(terms[i]);
    const auto hashOf = [&hashes](std::size_t i) { return hashes[i]; };
    const auto sameShape = [&terms](std::size_t i, std::size_t j) { return areLike(terms[i], terms[j]); };
    std::unordered_set<std::size_t, decltype(hashOf), decltype(sameShape)> leaders(n, hashOf, sameShape);

    std::vector<bool> isLeader(n, false);
    std::size_t firstConstant = none;
    std::size_t firstEmptied = none;
    Rational constantSum;
    for (std::size_t j = 0; j < n; ++j) {
        if (hasConstantShape(terms[j])) {
            if (firstConstant == none) firstConstant = j;
            constantSum += terms[j].coefficient;
            continue;
        }
        auto [leader, inserted] = leaders.insert(j);
        if (inserted) {
            isLeader[j] = true;
        } else {
            terms[*leader].coefficient += terms[j].coefficient;
            if (firstEmptied == none) firstEmptied = j;
        }
    }
    const std::size_t constantSlot = std::min(firstConstant, firstEmptied);

    std::vector<Term> merged;
    for (std::size_t i = 0; i < n; ++i) {
        if (isLeader[i] && terms[i].coefficient != 0)
            merged.push_back(std::move(terms[i]));
        else if (i == constantSlot && constantSum != 0)
            merged.emplace_back(constantSum);
    }
    if (merged.empty()) merged.emplace_back();
    terms = std::move(merged);
}

Expolynomial add(const Expolynomial& a, const Expolynomial& b) {
    Expolynomial sum(a.terms);
    sum.terms.insert(sum.terms.end(), b.terms.begin(), b.terms.end());
    normalise(sum);
    return sum;
}

Expolynomial subtract(const Expolynomial& a, const Expolynomial& b) {
    const Term minusOne(Rational(-1));
    Expolynomial difference(a.terms);
    difference.terms.reserve(a.terms.size() + b.terms.size());
    for (const auto& term : b.terms) difference.terms.push_back(multiply(term, minusOne));
    normalise(difference);
    return difference;
}

Expolynomial multiply(const Term& term, const Expolynomial& b) {
    Expolynomial product(std::vector<Term>{});
    product.terms.reserve(b.terms.size());
    for (const auto& factor : b.terms) product.terms.push_back(multiply(term, factor));
    normalise(product);
    return product;
}

Expolynomial multiply(const Expolynomial& a, const Expolynomial& b) {
    Expolynomial product(std::vector<Term>{});
    for (const auto& term : a.terms) {
        Expolynomial block = multiply(term, b);
        for (auto& blockTerm : block.terms) product.terms.push_back(std::move(blockTerm));
    }
    normalise(product);
    return product;
}

namespace {

Rational power(const Rational& base, unsigned exponent) {
    return Rational(pow(boost::multiprecision::numerator(base), exponent),
                    pow(boost::multiprecision::denominator(base), exponent));
}

bool mentions(const LinearForm& form, std::string_view variable) {
    return findValue(form.variables, variable) != nullptr;
}

}  // namespace

Expolynomial substitute(const Term& term, std::string_view variable, const LinearForm& replacement) {
    Term substituted = term;
    if (const Rational* found = findValue(substituted.exponentials, variable)) {
        const Rational rate = *found;
        eraseName(substituted.exponentials, variable);
        for (const auto& [name, coefficient] : replacement.variables)
            insertOrdered(substituted.exponentials, name, Rational(rate * coefficient), Combine::Sum);
        if (replacement.constant != 0) substituted.exponentConstant += rate * replacement.constant;
    }
    for (auto& form : substituted.heavisides) substitute(form, variable, replacement);
    normalise(substituted);

    const unsigned* found = findValue(substituted.powers, variable);
    if (!found) {
        Expolynomial result(std::move(substituted));
        normalise(result);
        return result;
    }
    const unsigned exponent = *found;
    eraseName(substituted.powers, variable);
    if (replacement.variables.empty() && replacement.constant == 0) return Expolynomial();

    // (c_1 w_1 + ... + c_r w_r + c)^k = sum over compositions of k into r (+1 for c != 0) parts of
    // multinomial * prod c_i^e_i w_i^e_i * c^e_last.
    const bool hasConstant = replacement.constant != 0;
    const auto& variables = replacement.variables;
    const auto parts = static_cast<unsigned>(variables.size() + (hasConstant ? 1 : 0));
    Expolynomial result(std::vector<Term>{});
    for (const auto& composition : compositions(exponent, parts)) {
        Term produced = substituted;
        produced.coefficient *= composition.coefficient;
        for (std::size_t i = 0; i < variables.size(); ++i) {
            const unsigned e = composition.parts[i];
            if (e == 0) continue;
            produced.coefficient *= pow(BigInt(variables[i].value), e);
            insertOrdered(produced.powers, variables[i].name, e, Combine::Sum);
        }
        if (hasConstant) produced.coefficient *= power(replacement.constant, composition.parts.back());
        result.terms.push_back(std::move(produced));
    }
    normalise(result);
    return result;
}

Expolynomial substitute(const Expolynomial& expolynomial, std::string_view variable,
                        const LinearForm& replacement) {
    Expolynomial result(std::vector<Term>{});
    for (const auto& term : expolynomial.terms) {
        Expolynomial part = substitute(term, variable, replacement);
        for (auto& partTerm : part.terms) result.terms.push_back(std::move(partTerm));
    }
    normalise(result);
    return result;
}

Expolynomial antiderivative(const Term& term, std::string_view variable) {
    Term base = term;
    std::erase_if(base.heavisides, [variable](const LinearForm& form) { return mentions(form, variable); });
    const Rational* foundRate = findValue(base.exponentials, variable);
    const Rational rate = foundRate ? *foundRate : Rational(0);
    const unsigned* foundExponent = findValue(base.powers, variable);
    const unsigned exponent = foundExponent ? *foundExponent : 0;

    Expolynomial result(std::vector<Term>{});
    if (rate == 0) {
        const unsigned raised = checkedSum(exponent, 1u);
        base.coefficient /= raised;
        insertOrdered(base.powers, variable, raised, Combine::Replace);
        result.terms.push_back(std::move(base));
    } else {
        // e^(a x) * sum_i (-1)^i * k!/(k-i)! * x^(k-i) / a^(i+1); the falling factorial is exact.
        BigInt fallingFactorial = 1;
        Rational rateToTheIPlus1 = rate;
        for (std::uint64_t i = 0; i <= exponent; ++i) {
            Term produced = base;
            produced.coefficient = base.coefficient * fallingFactorial / rateToTheIPlus1;
            if (i % 2 == 1) produced.coefficient = -produced.coefficient;
            insertOrdered(produced.powers, variable, static_cast<unsigned>(exponent - i), Combine::Replace);
            result.terms.push_back(std::move(produced));
            fallingFactorial *= exponent - i;
            rateToTheIPlus1 *= rate;
        }
    }
    normalise(result);
    return result;
}
