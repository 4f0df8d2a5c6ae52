#pragma once
// A budget for the exact computation, in two counts:
//  - the most terms that any one expolynomial may hold while it is built (memory);
//  - the most terms that the whole computation may produce (time): a computation whose
//    expressions stay small can still grow too costly, for example when every step of a long
//    path substitutes a sum of many variables into powers.
// Every operation of the algebra adds its terms through one merge, which counts them, so the
// checks cost a comparison per term; a computation that would grow past the budget fails
// cleanly instead of exhausting the machine's memory or running for hours.
//
// The budget holds for the thread that sets it, for as long as the scope lives; the count of
// produced terms starts at 0 with each scope, and outside every scope only the size of one
// expression is limited (by DefaultTermLimit):
//
//     TermLimitScope budget(maxTerms);
//     ... every algebra operation on this thread fails beyond the budget ...

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <stdexcept>

namespace drova {

// Enough for every model and integral we know of, with room to spare; terms of long paths carry
// many variables and large numbers (a kilobyte or more each), so an expression of this size can
// take a GB or two.
inline constexpr std::size_t DefaultTermLimit = 500'000;
// The produced terms allowed per term of the limit (a term of long numbers counting several times,
// see productionWeight): the default allows 5e6 produced terms, which
// takes from a few seconds to half a minute depending on the size of the terms (the largest
// kernel we benchmark, 32 redundant units with uniform repair, produces 3e6 in 4 s).
inline constexpr std::uint64_t ProducedTermsPerLimitTerm = 10;

// The budget in force on this thread (DefaultTermLimit when no scope sets one).
std::size_t termLimit();

// What a walk over the paths of a model may hold and take, in place of a count of produced terms:
// a walk whose paths are many but short holds little at any time, and must not be refused for the
// terms it has produced and let go. `maxHeldBytes`: the memory the computation holds beyond what
// was held when it started (what the allocator has handed out and not taken back: every live
// term with its numbers and factors); `maxSeconds`: 0 for no time limit.
struct HeldBudget {
    std::uint64_t maxHeldBytes = 0;
    double maxSeconds = 0;
};

// The budget of a walk: DROVA_MAX_MEMORY (bytes, or with the suffix K, M or G) and DROVA_MAX_TIME
// (seconds) from the environment, where the drova command and a MATLAB session (setenv) set them;
// without DROVA_MAX_MEMORY, a quarter of the machine's physical memory, or of the address space
// the process may take (ulimit -v) when that is less. std::invalid_argument for a value that is not
// a size or a time.
HeldBudget heldBudgetFromEnvironment();

// The memory the process holds now, as the allocator counts it.
std::uint64_t heldBytes();

// "512M", "2G", "64K" or a number of bytes; none for any other text (or more than 15 digits).
std::optional<std::uint64_t> parseMemorySize(const std::string& text);

class TermLimitScope {
public:
    // At most `limit` terms in one expression and `limit` * ProducedTermsPerLimitTerm produced.
    explicit TermLimitScope(std::size_t limit);
    // At most `limit` terms in one expression, and what `held` allows (checked every few thousand
    // produced terms); the produced terms are not limited.
    TermLimitScope(std::size_t limit, const HeldBudget& held);
    ~TermLimitScope();
    TermLimitScope(const TermLimitScope&) = delete;
    TermLimitScope& operator=(const TermLimitScope&) = delete;

private:
    std::size_t previousLimit_;
    std::uint64_t previousProduced_;
    std::uint64_t previousProducedLimit_;
    void* previousHeld_;
};

// An expression grew past the budget, or the computation produced more terms than it allows.
// The callers that know what the user can change (a time bound, a path, the budget itself) say
// so in their own message.
class TermLimitExceeded : public std::length_error {
public:
    enum class Kind { Expression, Produced, Memory, Time };
    TermLimitExceeded(std::size_t limit, bool produced);
    // A held budget ran out: "The computation held more than 512 MB (the memory limit)".
    TermLimitExceeded(Kind kind, const std::string& message);
    std::size_t limit() const { return limit_; }
    Kind kind() const { return kind_; }

private:
    std::size_t limit_ = 0;
    Kind kind_ = Kind::Expression;
};

// Past the produced terms' limit: throws TermLimitExceeded, or, under a held budget, which sets
// the limit as its next point of checking, checks the memory and the time and sets the next point.
void producedLimitReached();

namespace term_budget {
extern thread_local std::size_t limit;
extern thread_local std::uint64_t produced;
extern thread_local std::uint64_t producedLimit;  // unlimited outside every scope
}  // namespace term_budget

// Throws TermLimitExceeded when an expression of `terms` terms is above the budget.
inline void requireWithinTermLimit(std::size_t terms) {
    if (terms > term_budget::limit) throw TermLimitExceeded(term_budget::limit, false);
}

// Counts one produced term of `weight` (see productionWeight); throws TermLimitExceeded once the
// computation has produced too many.
inline void countProducedTerm(std::uint64_t weight = 1) {
    term_budget::produced += weight;
    if (term_budget::produced > term_budget::producedLimit) producedLimitReached();
}

// What a term costs to produce, in terms of a short one, given the 64-bit words of its
// coefficient's numerator and denominator together and the number of its factors: arithmetic on
// long numbers (the greatest common divisors above all) takes time quadratic in their length, and
// every factor is multiplied, hashed and compared. A term of short numbers (up to 3 words, about 55
// decimal digits) and fewer than 4 factors counts once; one of 16 words (300 digits) 17 times, one
// of 40 factors 11 times. Without the weight, a computation of few but heavy terms, such as a
// power of 1 - exp(-t) over thousands of steps or a long path whose terms carry dozens of
// variables, could run for hours within its count.
inline std::uint64_t productionWeight(std::size_t limbs, std::size_t factors) {
    const std::uint64_t wide = limbs;
    return 1 + wide * wide / 16 + factors / 4;
}

}  // namespace drova
