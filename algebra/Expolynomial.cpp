#include "algebra/Expolynomial.hpp"

#include "algebra/Combinatorics.hpp"
#include "algebra/TermLimit.hpp"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <limits>
#include <utility>

namespace drova {

// Built from literals: another file's constants may not be initialised yet at load time.
const Expolynomial UnitExpolynomial{Term(Rational(1))};

Expolynomial::Expolynomial() : terms(1) {}

Expolynomial::Expolynomial(Term term) { terms.push_back(std::move(term)); }

Expolynomial::Expolynomial(std::vector<Term> terms) : terms(std::move(terms)) {}

bool Expolynomial::isZero() const {
    return std::all_of(terms.begin(), terms.end(), [](const Term& term) { return isZeroValue(term.coefficient); });
}

namespace {

// The hash of a term's shape folds every field in with one multiplication and mixes the bits once
// at the end (the index uses the low bits); a term has many small fields, and a full mix per
// field cost more than the rest of the merge.
class ShapeHash {
public:
    void add(std::size_t value) { state_ = (state_ ^ value) * Multiplier; }
    // Variable names are short ("t", "t12"): their bytes are folded in place.
    void add(std::string_view name) {
        std::size_t bytes = name.size();
        for (const char c : name) bytes = bytes * 131 + static_cast<unsigned char>(c);
        add(bytes);
    }
    std::size_t value() const {
        std::size_t h = state_;
        h ^= h >> 32;
        h *= Multiplier;
        h ^= h >> 29;
        return h;
    }

private:
    static constexpr std::size_t Multiplier = 0x9e3779b97f4a7c15;
    std::size_t state_ = 0;
};

// The shape of a term is everything but its coefficient; like terms have equal shapes.
std::size_t shapeHash(const Term& term) {
    const std::hash<Rational> rationalHash;
    ShapeHash hash;
    hash.add(rationalHash(term.exponentConstant));
    hash.add(term.exponentials.size());
    for (const auto& [name, rate] : term.exponentials) {
        hash.add(name);
        hash.add(rationalHash(rate));
    }
    hash.add(term.powers.size());
    for (const auto& [name, exponent] : term.powers) {
        hash.add(name);
        hash.add(exponent);
    }
    hash.add(term.heavisides.size());
    for (const auto& form : term.heavisides) {
        hash.add(form.variables.size());
        for (const auto& [name, coefficient] : form.variables) {
            hash.add(name);
            hash.add(static_cast<std::size_t>(coefficient));
        }
        hash.add(rationalHash(form.constant));
    }
    return hash.value();
}

// The shape of the zero term and of every constant term.
bool hasConstantShape(const Term& term) {
    return isZeroValue(term.exponentConstant) && term.exponentials.empty() && term.powers.empty() && term.heavisides.empty();
}

// What producing `term` costs, in terms of a short one (see productionWeight): the words of its
// coefficient and the factors of the term, each heaviside's variables included.
std::uint64_t termWeight(const Term& term) {
    std::size_t factors = term.exponentials.size() + term.powers.size();
    for (const LinearForm& heaviside : term.heavisides) factors += 1 + heaviside.variables.size();
    return productionWeight(wordsOf(term.coefficient), factors);
}

// The pairwise like-term merge, computed in one pass over the terms in order.
//
// Followed slot by slot, the pairwise merge works out as follows. A term of non-constant shape is
// like only the terms of its shape, so the first of them (which no earlier slot can absorb)
// collects all their coefficients, and the others become zero terms: constant-shaped, coefficient
// 0. The first slot that has constant shape when its turn comes (the first constant term, or the
// first slot emptied that way, whichever comes first) then collects every constant term after it,
// which together are all of them; any later constant-shaped slot only meets zeros.
//
// So the merger keeps one leader per shape, found through a hash of the shape, and remembers where
// among the leaders the constant slot falls. Only leaders are stored, so feeding it the blocks of a
// product never holds the full list of products.
class LikeTermMerger {
public:
    // `expectedTerms`: how many terms are likely to be added, to size the lists once.
    explicit LikeTermMerger(std::size_t expectedTerms = 0) {
        leaders_.reserve(expectedTerms);
        std::size_t slots = InlineSlots;
        while (slots < 2 * expectedTerms) slots *= 2;
        if (slots > InlineSlots) {
            largeSlots_.assign(slots, Slot{});
            slots_ = largeSlots_.data();
        }
        mask_ = slots - 1;
    }
    // One merger per operation; it is neither copied nor reused.
    LikeTermMerger(const LikeTermMerger&) = delete;
    LikeTermMerger& operator=(const LikeTermMerger&) = delete;

    void add(Term&& term) {
        if (std::size_t slot; !absorbed(term, slot)) lead(slot, std::move(term));
    }
    // A term the caller keeps is copied only when it becomes a leader.
    void add(const Term& term) {
        if (std::size_t slot; !absorbed(term, slot)) lead(slot, Term(term));
    }

    // The merged terms in slot order, without zero coefficients; the zero term if none is left.
    // The leaders' list is compacted in place and handed over.
    std::vector<Term> finish() && {
        const bool hasConstant = constantSlotSet_ && !isZeroValue(constantSum_);
        std::size_t kept = 0;
        std::size_t constantAt = 0;
        for (std::size_t i = 0; i < leaders_.size(); ++i) {
            if (i == constantSlot_) constantAt = kept;
            if (isZeroValue(leaders_[i].coefficient)) continue;
            if (kept != i) leaders_[kept] = std::move(leaders_[i]);
            ++kept;
        }
        if (constantSlot_ >= leaders_.size()) constantAt = kept;
        leaders_.erase(leaders_.begin() + static_cast<std::ptrdiff_t>(kept), leaders_.end());
        if (hasConstant) leaders_.emplace(leaders_.begin() + static_cast<std::ptrdiff_t>(constantAt), constantSum_);
        if (leaders_.empty()) leaders_.emplace_back();
        return std::move(leaders_);
    }

private:
    // The index of leaders by shape is an open-addressing table of leader positions and their
    // hashes (linear probing, at most half full), so that finding a like leader allocates
    // nothing per term. A small table lives inside the merger: most merges are short.
    static constexpr std::size_t EmptySlot = std::numeric_limits<std::size_t>::max();
    static constexpr std::size_t InlineSlots = 16;
    struct Slot {
        std::size_t hash = 0;
        std::size_t leader = EmptySlot;
    };

    void growIndex() {
        const std::size_t slots = 2 * (mask_ + 1);
        std::vector<Slot> grown(slots);
        mask_ = slots - 1;
        for (std::size_t old = 0; old < slots / 2; ++old) {
            const Slot entry = slots_[old];
            if (entry.leader == EmptySlot) continue;
            std::size_t slot = entry.hash & mask_;
            while (grown[slot].leader != EmptySlot) slot = (slot + 1) & mask_;
            grown[slot] = entry;
        }
        largeSlots_ = std::move(grown);
        slots_ = largeSlots_.data();
    }

    // Counts the term and adds it to the constant sum or to a like leader when there is one;
    // otherwise gives the free slot where the term's shape goes.
    bool absorbed(const Term& term, std::size_t& freeSlot) {
        countProducedTerm(termWeight(term));
        if (hasConstantShape(term)) {
            markConstantSlot();
            constantSum_ += term.coefficient;
            return true;
        }
        requireWithinTermLimit(leaders_.size() + 1);
        const std::size_t hash = shapeHash(term);
        std::size_t slot = hash & mask_;
        for (; slots_[slot].leader != EmptySlot; slot = (slot + 1) & mask_) {
            if (slots_[slot].hash != hash) continue;
            Term& leader = leaders_[slots_[slot].leader];
            if (!areLike(leader, term)) continue;
            // Like an earlier leader: this term's slot is emptied.
            leader.coefficient += term.coefficient;
            markConstantSlot();
            return true;
        }
        slots_[slot].hash = hash;
        freeSlot = slot;
        return false;
    }

    void lead(std::size_t slot, Term&& term) {
        slots_[slot].leader = leaders_.size();
        leaders_.push_back(std::move(term));
        if (2 * leaders_.size() > mask_ + 1) growIndex();
    }

    // The constant slot stands after the leaders seen so far.
    void markConstantSlot() {
        if (constantSlotSet_) return;
        constantSlotSet_ = true;
        constantSlot_ = leaders_.size();
    }

    std::vector<Term> leaders_;
    Slot inlineSlots_[InlineSlots];
    std::vector<Slot> largeSlots_;
    Slot* slots_ = inlineSlots_;
    std::size_t mask_ = 0;
    bool constantSlotSet_ = false;
    std::size_t constantSlot_ = 0;
    Rational constantSum_;
};

Expolynomial merged(LikeTermMerger&& merger) { return Expolynomial(std::move(merger).finish()); }

}  // namespace

void normalise(Expolynomial& expolynomial) {
    LikeTermMerger merger(expolynomial.terms.size());
    for (auto& term : expolynomial.terms) merger.add(std::move(term));
    expolynomial.terms = std::move(merger).finish();
}

Expolynomial add(const Expolynomial& a, const Expolynomial& b) {
    LikeTermMerger merger(a.terms.size() + b.terms.size());
    for (const auto& term : a.terms) merger.add(term);
    for (const auto& term : b.terms) merger.add(term);
    return merged(std::move(merger));
}

namespace {

// -term as the product term * -1 gives it: the coefficient negated and the heaviside factors
// normalised, the exponentials and powers unchanged.
Term negated(Term term) {
    term.coefficient = -term.coefficient;
    normalise(term);
    return term;
}

}  // namespace

Expolynomial subtract(const Expolynomial& a, const Expolynomial& b) {
    LikeTermMerger merger(a.terms.size() + b.terms.size());
    for (const auto& term : a.terms) merger.add(term);
    for (const auto& term : b.terms) merger.add(negated(term));
    return merged(std::move(merger));
}

Expolynomial add(Expolynomial&& a, const Expolynomial& b) {
    LikeTermMerger merger(a.terms.size() + b.terms.size());
    for (auto& term : a.terms) merger.add(std::move(term));
    for (const auto& term : b.terms) merger.add(term);
    return merged(std::move(merger));
}

Expolynomial subtract(Expolynomial&& a, const Expolynomial& b) {
    LikeTermMerger merger(a.terms.size() + b.terms.size());
    for (auto& term : a.terms) merger.add(std::move(term));
    for (const auto& term : b.terms) merger.add(negated(term));
    return merged(std::move(merger));
}

Expolynomial subtract(Expolynomial&& a, Expolynomial&& b) {
    LikeTermMerger merger(a.terms.size() + b.terms.size());
    for (auto& term : a.terms) merger.add(std::move(term));
    for (auto& term : b.terms) merger.add(negated(std::move(term)));
    return merged(std::move(merger));
}

Expolynomial multiply(const Term& term, const Expolynomial& b) {
    LikeTermMerger merger(b.terms.size());
    for (const auto& factor : b.terms) merger.add(multiply(term, factor));
    return merged(std::move(merger));
}

Expolynomial multiply(const Expolynomial& a, const Expolynomial& b) {
    LikeTermMerger merger;
    for (const auto& term : a.terms)
        for (auto& blockTerm : multiply(term, b).terms) merger.add(std::move(blockTerm));
    return merged(std::move(merger));
}

namespace {

Rational power(const Rational& base, unsigned exponent) {
    return Rational(pow(numeratorOf(base), exponent),
                    pow(denominatorOf(base), exponent));
}

// Whether the compositions of n into m parts, binomial(n + m - 1, m - 1) of them, are more than
// `limit`; counted without the binomial table, whose rows a large n would make huge.
bool compositionsExceed(unsigned n, unsigned m, std::size_t limit) {
    if (m < 2) return false;
    // binomial(top, r) with r the smaller of m - 1 and n, so that the running products only grow.
    const BigInt top = BigInt(n) + m - 1;
    const unsigned r = std::min(m - 1, n);
    BigInt count = 1;
    for (unsigned i = 0; i < r; ++i) {
        count = count * (top - i) / (i + 1);  // exact: a product of i + 1 consecutive integers over (i + 1)!
        if (count > limit) return true;
    }
    return false;
}

bool mentions(const LinearForm& form, std::string_view variable) {
    return findValue(form.variables, variable) != nullptr;
}

}  // namespace

namespace {

// The term with `variable` replaced in its exponentials (rates spread over the replacement's
// variables, constant part into the exponent constant) and in its heaviside factors, normalised;
// its powers as they were.
Term withFactorsSubstituted(const Term& term, std::string_view variable, const LinearForm& replacement) {
    Term substituted = term;
    if (const Rational* found = findValue(substituted.exponentials, variable)) {
        const Rational rate = *found;
        eraseName(substituted.exponentials, variable);
        for (const auto& [name, coefficient] : replacement.variables)
            insertOrdered(substituted.exponentials, name, Rational(rate * coefficient), Combine::Sum);
        if (!isZeroValue(replacement.constant)) substituted.exponentConstant += rate * replacement.constant;
    }
    for (auto& form : substituted.heavisides) substitute(form, variable, replacement);
    normalise(substituted);
    return substituted;
}

// What normalising the one-term expolynomial of `term` gives, counted as that normalisation
// counts it: the term itself, or the zero term when its coefficient is 0.
Term normalisedAlone(Term&& term) {
    countProducedTerm(termWeight(term));
    if (!hasConstantShape(term)) requireWithinTermLimit(1);
    if (isZeroValue(term.coefficient)) return Term();
    return std::move(term);
}

// The substitution of a term that has the power variable^exponent (already taken out of
// `substituted`): the power expanded over the compositions of the exponent.
Expolynomial expandedPower(const Term& substituted, unsigned exponent, const LinearForm& replacement) {
    if (replacement.variables.empty() && isZeroValue(replacement.constant)) return Expolynomial();

    // (c_1 w_1 + ... + c_r w_r + c)^k = sum over compositions of k into r (+1 for c != 0) parts of
    // multinomial * prod c_i^e_i w_i^e_i * c^e_last.
    const bool hasConstant = !isZeroValue(replacement.constant);
    const auto& variables = replacement.variables;
    const auto parts = static_cast<unsigned>(variables.size() + (hasConstant ? 1 : 0));
    if (compositionsExceed(exponent, parts, termLimit())) throw TermLimitExceeded(termLimit(), false);
    LikeTermMerger merger;
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
        merger.add(std::move(produced));
    }
    return merged(std::move(merger));
}

}  // namespace

Expolynomial substitute(const Term& term, std::string_view variable, const LinearForm& replacement) {
    Term substituted = withFactorsSubstituted(term, variable, replacement);
    const unsigned* found = findValue(substituted.powers, variable);
    if (!found) {
        LikeTermMerger merger;
        merger.add(std::move(substituted));
        return merged(std::move(merger));
    }
    const unsigned exponent = *found;
    eraseName(substituted.powers, variable);
    return expandedPower(substituted, exponent, replacement);
}

Expolynomial substitute(const Expolynomial& expolynomial, std::string_view variable,
                        const LinearForm& replacement) {
    LikeTermMerger merger;
    for (const auto& term : expolynomial.terms) {
        // Each term's substitution is normalised on its own, then merged with the others; a term
        // without the power goes straight in, as what normalising it alone gives.
        Term substituted = withFactorsSubstituted(term, variable, replacement);
        const unsigned* found = findValue(substituted.powers, variable);
        if (!found) {
            merger.add(normalisedAlone(std::move(substituted)));
            continue;
        }
        const unsigned exponent = *found;
        eraseName(substituted.powers, variable);
        for (auto& partTerm : expandedPower(substituted, exponent, replacement).terms) merger.add(std::move(partTerm));
    }
    return merged(std::move(merger));
}

Expolynomial antiderivative(const Term& term, std::string_view variable) {
    Term base = term;
    std::erase_if(base.heavisides, [variable](const LinearForm& form) { return mentions(form, variable); });
    const Rational* foundRate = findValue(base.exponentials, variable);
    const Rational rate = foundRate ? *foundRate : Rational(0);
    const unsigned* foundExponent = findValue(base.powers, variable);
    const unsigned exponent = foundExponent ? *foundExponent : 0;

    LikeTermMerger merger;
    if (isZeroValue(rate)) {
        const unsigned raised = checkedSum(exponent, 1u);
        base.coefficient /= raised;
        insertOrdered(base.powers, variable, raised, Combine::Replace);
        merger.add(std::move(base));
    } else {
        // e^(a x) * sum_i (-1)^i * k!/(k-i)! * x^(k-i) / a^(i+1); the falling factorial is exact.
        BigInt fallingFactorial = 1;
        Rational rateToTheIPlus1 = rate;
        for (std::uint64_t i = 0; i <= exponent; ++i) {
            Term produced = base;
            produced.coefficient = base.coefficient * fallingFactorial / rateToTheIPlus1;
            if (i % 2 == 1) produced.coefficient = -produced.coefficient;
            insertOrdered(produced.powers, variable, static_cast<unsigned>(exponent - i), Combine::Replace);
            merger.add(std::move(produced));
            fallingFactorial *= exponent - i;
            rateToTheIPlus1 *= rate;
        }
    }
    return merged(std::move(merger));
}

}  // namespace drova
