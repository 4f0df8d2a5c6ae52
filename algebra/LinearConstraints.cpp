#include "algebra/LinearConstraints.hpp"

#include <algorithm>
#include <cstddef>
#include <map>
#include <string>
#include <unordered_map>
#include <utility>

namespace drova {

namespace {

// A dense simplex tableau over Rational for
//   minimise c.x subject to a_i.x + b_i >= 0 (i = 1..m), x >= 0.
// Row i holds, for a constraint with b_i >= 0, -a_i.x + s_i = b_i (slack s_i basic), and for one
// with b_i < 0, a_i.x - s_i + r_i = -b_i (artificial r_i basic). Phase one drives the
// artificials to 0; phase two minimises the objective without them. Bland's rule (the lowest
// index enters, ties in the ratio test to the lowest basic index) keeps both phases finite.
class Simplex {
public:
    enum class Outcome { Infeasible, Unbounded, Optimal };

    Simplex(const std::vector<LinearForm>& constraints, const LinearForm* objective) {
        std::map<std::string, std::size_t> index;
        const auto collect = [&](const LinearForm& form) {
            for (const auto& entry : form.variables) index.emplace(entry.name, 0);
        };
        for (const LinearForm& form : constraints) collect(form);
        if (objective) collect(*objective);
        std::size_t next = 0;
        for (auto& [name, position] : index) position = next++;
        variables_ = next;
        rows_ = constraints.size();
        std::size_t artificials = 0;
        for (const LinearForm& form : constraints) artificials += form.constant.sign() < 0 ? 1 : 0;
        firstArtificial_ = variables_ + rows_;
        columns_ = firstArtificial_ + artificials;
        table_.assign(rows_, std::vector<Rational>(columns_ + 1));
        basis_.assign(rows_, 0);
        std::size_t artificial = firstArtificial_;
        for (std::size_t i = 0; i < rows_; ++i) {
            const LinearForm& form = constraints[i];
            std::vector<Rational>& row = table_[i];
            const bool negative = form.constant.sign() < 0;
            for (const auto& entry : form.variables)
                row[index.at(entry.name)] = negative ? Rational(entry.value) : Rational(-entry.value);
            row[variables_ + i] = negative ? Rational(-1) : Rational(1);
            row[columns_] = negative ? Rational(-form.constant) : form.constant;
            if (negative) {
                row[artificial] = RationalOne;
                basis_[i] = artificial++;
            } else {
                basis_[i] = variables_ + i;
            }
        }
        if (objective) {
            cost_.assign(columns_ + 1, Rational(0));
            for (const auto& entry : objective->variables) cost_[index.at(entry.name)] = entry.value;
        }
    }

    Outcome solve() {
        if (firstArtificial_ < columns_) {
            std::vector<Rational> phaseOne(columns_ + 1);
            for (std::size_t j = firstArtificial_; j < columns_; ++j) phaseOne[j] = RationalOne;
            price(phaseOne);
            run(phaseOne, columns_);
            if (!phaseOne[columns_].is_zero()) return Outcome::Infeasible;  // the artificials' least sum is positive
            driveOutArtificials();
        }
        if (cost_.empty()) return Outcome::Optimal;
        price(cost_);
        return run(cost_, firstArtificial_) ? Outcome::Optimal : Outcome::Unbounded;
    }

    // The objective's least value (without its constant), after an Optimal outcome.
    Rational value() const { return -cost_[columns_]; }

private:
    // Makes the objective row express the reduced costs: zero in the basic columns.
    void price(std::vector<Rational>& objective) const {
        for (std::size_t i = 0; i < rows_; ++i) {
            const Rational factor = objective[basis_[i]];
            if (factor.is_zero()) continue;
            for (std::size_t j = 0; j <= columns_; ++j)
                if (!table_[i][j].is_zero()) objective[j] -= factor * table_[i][j];
        }
    }

    void pivot(std::size_t row, std::size_t column, std::vector<Rational>* objective) {
        std::vector<Rational>& pivotRow = table_[row];
        const Rational divisor = pivotRow[column];
        for (Rational& value : pivotRow)
            if (!value.is_zero()) value /= divisor;
        const auto eliminate = [&](std::vector<Rational>& target) {
            const Rational factor = target[column];
            if (factor.is_zero()) return;
            for (std::size_t j = 0; j <= columns_; ++j)
                if (!pivotRow[j].is_zero()) target[j] -= factor * pivotRow[j];
        };
        for (std::size_t i = 0; i < rows_; ++i)
            if (i != row) eliminate(table_[i]);
        if (objective) eliminate(*objective);
        basis_[row] = column;
    }

    // Pivots until no column below `entering` has a negative reduced cost; false when one of them
    // could grow without bound.
    bool run(std::vector<Rational>& objective, std::size_t entering) {
        for (;;) {
            std::size_t column = entering;
            for (std::size_t j = 0; j < entering; ++j)
                if (objective[j].sign() < 0) {
                    column = j;
                    break;
                }
            if (column == entering) return true;
            std::size_t row = rows_;
            Rational best;
            for (std::size_t i = 0; i < rows_; ++i) {
                if (table_[i][column].sign() <= 0) continue;
                const Rational ratio = table_[i][columns_] / table_[i][column];
                if (row == rows_ || ratio < best || (sameValue(ratio, best) && basis_[i] < basis_[row])) {
                    row = i;
                    best = ratio;
                }
            }
            if (row == rows_) return false;
            pivot(row, column, &objective);
        }
    }

    // An artificial still basic after phase one is at 0: pivot it out on any other column of its
    // row; a row with none is a combination of the others and stays as it is (always 0).
    void driveOutArtificials() {
        for (std::size_t i = 0; i < rows_; ++i) {
            if (basis_[i] < firstArtificial_) continue;
            for (std::size_t j = 0; j < firstArtificial_; ++j)
                if (!table_[i][j].is_zero()) {
                    pivot(i, j, nullptr);
                    break;
                }
        }
        // The artificial columns never enter again; clear them so that they cannot.
        for (auto& row : table_)
            for (std::size_t j = firstArtificial_; j < columns_; ++j) row[j] = RationalZero;
    }

    std::size_t variables_ = 0;
    std::size_t rows_ = 0;
    std::size_t columns_ = 0;
    std::size_t firstArtificial_ = 0;
    std::vector<std::vector<Rational>> table_;  // rows_ x (columns_ + 1), the last column the right side
    std::vector<std::size_t> basis_;
    std::vector<Rational> cost_;  // the objective row, empty for a feasibility question
};

// Whether the form is >= 0 for every non-negative value of its variables.
bool alwaysNonNegative(const LinearForm& form) {
    return form.constant.sign() >= 0 &&
           std::all_of(form.variables.begin(), form.variables.end(), [](const auto& v) { return v.value >= 0; });
}

// Whether the form is < 0 for every non-negative value of its variables.
bool alwaysNegative(const LinearForm& form) {
    return form.constant.sign() < 0 &&
           std::all_of(form.variables.begin(), form.variables.end(), [](const auto& v) { return v.value <= 0; });
}

}  // namespace

bool feasible(const std::vector<LinearForm>& constraints) {
    std::vector<LinearForm> open;
    for (const LinearForm& form : constraints) {
        if (alwaysNegative(form)) return false;
        if (!alwaysNonNegative(form)) open.push_back(form);
    }
    if (open.empty()) return true;
    return Simplex(open, nullptr).solve() != Simplex::Outcome::Infeasible;
}

std::optional<Rational> minimumOf(const LinearForm& objective, const std::vector<LinearForm>& constraints,
                                  bool* infeasible) {
    Simplex simplex(constraints, &objective);
    const Simplex::Outcome outcome = simplex.solve();
    if (infeasible) *infeasible = outcome == Simplex::Outcome::Infeasible;
    if (outcome != Simplex::Outcome::Optimal) return std::nullopt;
    return simplex.value() + objective.constant;
}

bool impliedBy(const std::vector<LinearForm>& constraints, const LinearForm& form) {
    if (alwaysNonNegative(form)) return true;
    bool infeasible = false;
    const std::optional<Rational> least = minimumOf(form, constraints, &infeasible);
    return infeasible || (least && least->sign() >= 0);
}

namespace {

// What pruning makes of one list of heaviside factors: none (the factors cannot all hold), or
// the positions of the factors kept.
using PruneOutcome = std::optional<std::vector<std::size_t>>;

PruneOutcome pruneFactors(const std::vector<LinearForm>& factors) {
    if (!feasible(factors)) return std::nullopt;
    std::vector<std::size_t> kept;
    std::vector<LinearForm> others;
    for (std::size_t k = 0; k < factors.size(); ++k) {
        others.clear();
        for (std::size_t i : kept) others.push_back(factors[i]);
        others.insert(others.end(), factors.begin() + static_cast<std::ptrdiff_t>(k) + 1, factors.end());
        if (!impliedBy(others, factors[k])) kept.push_back(k);
    }
    return kept;
}

// Applies an outcome; returns whether the term changed.
bool applyOutcome(Term& term, const PruneOutcome& outcome) {
    if (!outcome) {
        term = Term();
        return true;
    }
    if (outcome->size() == term.heavisides.size()) return false;
    std::vector<LinearForm> kept;
    kept.reserve(outcome->size());
    for (std::size_t i : *outcome) kept.push_back(std::move(term.heavisides[i]));
    term.heavisides = std::move(kept);
    return true;
}

std::size_t hashOf(const std::vector<LinearForm>& factors) {
    std::size_t hash = factors.size();
    const auto mix = [&hash](std::size_t value) { hash ^= value + 0x9e3779b97f4a7c15ULL + (hash << 6) + (hash >> 2); };
    for (const LinearForm& form : factors) {
        for (const auto& entry : form.variables) {
            mix(std::hash<std::string>()(entry.name));
            mix(static_cast<std::size_t>(entry.value));
        }
        mix(std::hash<Rational>()(form.constant));
    }
    return hash;
}

}  // namespace

bool pruneHeavisides(Term& term) {
    if (term.heavisides.size() < 2) return false;  // normalise already decides a single factor
    return applyOutcome(term, pruneFactors(term.heavisides));
}

void pruneHeavisides(Expolynomial& expolynomial) {
    // The terms of one expression share a few lists of factors: each list is decided once.
    std::unordered_multimap<std::size_t, std::pair<std::vector<LinearForm>, PruneOutcome>> decided;
    bool changed = false;
    for (Term& term : expolynomial.terms) {
        if (term.heavisides.size() < 2) continue;
        const std::size_t hash = hashOf(term.heavisides);
        const PruneOutcome* outcome = nullptr;
        for (auto [it, end] = decided.equal_range(hash); it != end && !outcome; ++it)
            if (it->second.first == term.heavisides) outcome = &it->second.second;
        if (!outcome) outcome = &decided.emplace(hash, std::pair(term.heavisides, pruneFactors(term.heavisides)))->second.second;
        changed = applyOutcome(term, *outcome) || changed;
    }
    if (changed) normalise(expolynomial);
}

}  // namespace drova
