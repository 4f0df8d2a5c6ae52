#pragma once
// A budget for the exact computation: the most terms that any expolynomial may hold while it is
// built. Every operation of the algebra adds its terms through one merge, which counts them, so
// the check costs one comparison per term; a computation that would grow past the budget fails
// cleanly instead of exhausting the machine's memory.
//
// The budget holds for the thread that sets it, for as long as the scope lives:
//
//     TermLimitScope budget(maxTerms);
//     ... every algebra operation on this thread fails beyond maxTerms terms ...

#include <cstddef>
#include <stdexcept>

// Enough for every model and integral we know of; at a few hundred bytes a term, a handful of
// expressions of this size stay within a few GB.
inline constexpr std::size_t DefaultTermLimit = 2'000'000;

// The budget in force on this thread (DefaultTermLimit when no scope sets one).
std::size_t termLimit();

class TermLimitScope {
public:
    explicit TermLimitScope(std::size_t limit);
    ~TermLimitScope();
    TermLimitScope(const TermLimitScope&) = delete;
    TermLimitScope& operator=(const TermLimitScope&) = delete;

private:
    std::size_t previous_;
};

// An expression grew past the budget. The callers that know what the user can change (a time
// bound, a path, the budget itself) say so in their own message.
class TermLimitExceeded : public std::length_error {
public:
    explicit TermLimitExceeded(std::size_t limit);
    std::size_t limit() const { return limit_; }

private:
    std::size_t limit_;
};

// Throws TermLimitExceeded when `terms` is above the budget.
inline void requireWithinTermLimit(std::size_t terms) {
    if (terms > termLimit()) throw TermLimitExceeded(termLimit());
}
