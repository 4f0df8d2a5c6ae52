#pragma once
// The conversion of a GSMS into its SMS: the walk over the paths between the states of the SMS
// (states whose timer ages are all known on entry, or that have no outgoing transition) that
// builds the kernel matrix, with its truncation, the choice of the transitions that can fire and
// the ageing of the timers; each path's expression comes from PathExpression.
//
//     ConversionContext context(model);
//     KernelMatrix kernel = context.computeSmsMatrix(timeBound, threshold, collectTruncated);
//     Expolynomial e = ConversionContext(model).pathExpression({{0, 0}, {1, 0}});
//
// A context reads the model and never changes it; it serves one request.

#include "algebra/Expolynomial.hpp"
#include "algebra/LinearForm.hpp"
#include "algebra/Rational.hpp"
#include "algebra/TermLimit.hpp"
#include "convert/Path.hpp"
#include "convert/PathExpression.hpp"
#include "gsms/Gsms.hpp"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace drova {

// Rows and columns in the order of the states of the SMS; with collected truncation one more
// column (and an all-zero row) for the cut-off paths.
using KernelMatrix = std::vector<std::vector<Expolynomial>>;

// The Markov renewal process of a GSMS, as the reliability measures need it: the states of the
// SMS and, when down states absorb, the down states too (a down state outside the SMS becomes a
// state of the process that the walk stops at), with
//  - `kernel`: per pair of states of the process, the probability that the next one entered is
//    the column's and is entered by t (zero rows for absorbing states);
//  - `sojourn`: per state of the process and GSMS state s, the probability that, having entered
//    the row's state at time 0, the process is in s at time t and has not yet entered the next
//    state of the process (an absorbing state stays in itself: 1).
// Without a time bound every path is walked to its end: nothing is cut off. With one, the paths cut
// off go to one more state of the process, the unresolved state (last row and column, never left,
// its sojourn spent in the extra GSMS column `stateCount()`): the probability of being in it by t
// is the probability mass whose whereabouts the process does not know. Both are sparse: a row
// lists only the columns that some path reaches, so the process costs memory for the pairs of
// states joined by a path, not for every pair.
struct RenewalProcess {
    // (column, entry) by ascending column, no zero entries.
    using SparseRow = std::vector<std::pair<std::uint64_t, Expolynomial>>;

    std::vector<std::uint64_t> states;  // the GSMS index of each state of the process, ascending
    bool downStatesAbsorb = false;
    // Whether kernel and sojourn have the unresolved state as their last row (states.size() rows
    // then, plus one).
    bool unresolvedState = false;
    std::vector<SparseRow> kernel;
    std::vector<SparseRow> sojourn;
};

// The walk met a cycle through states outside the SMS that nothing ends: without a time bound
// it would follow the cycle without end. `cycle()` names its states, such as
// "state 1 (D1) -> state 2 (D2) -> state 1 (D1)"; the message says what the walk met.
class EndlessCycle : public std::invalid_argument {
public:
    explicit EndlessCycle(std::string cycle);
    const std::string& cycle() const { return cycle_; }

private:
    std::string cycle_;
};

// The walk ran out of its budget (algebra/TermLimit.hpp): `limit()` says which, such as "The
// computation held more than 512 MB of memory (the memory limit)"; the message adds what the user
// of drova konv can change.
class WalkLimitExceeded : public std::invalid_argument {
public:
    WalkLimitExceeded(const std::string& limit, const std::string& advice)
        : std::invalid_argument(limit + advice), limit_(limit) {}
    const std::string& limit() const { return limit_; }

private:
    std::string limit_;
};

class ConversionContext {
public:
    // The walk fails rather than follow a path with more steps than this: the recursion stays
    // shallow, and a cycle of states outside the SMS cannot be walked without end.
    static constexpr std::size_t DefaultMaxPathLength = 1000;

    // Numbers the states of the SMS in index order. No expression of the computation may hold
    // more than `maxTerms` terms, and the kernel no more entries; the computation may hold the
    // memory and take the time of `held` (by default that of heldBudgetFromEnvironment).
    explicit ConversionContext(const Gsms& model, std::size_t maxPathLength = DefaultMaxPathLength,
                               std::size_t maxTerms = DefaultTermLimit,
                               std::optional<HeldBudget> held = std::nullopt);
    ConversionContext(const ConversionContext&) = delete;
    ConversionContext& operator=(const ConversionContext&) = delete;

    // Per GSMS state: the number of states of the SMS with a lower index (for a state of the SMS,
    // its row and column).
    const std::vector<std::uint64_t>& smsIndex() const { return smsIndex_; }
    std::uint64_t smsCount() const { return smsCount_; }

    // Walks every path from every state of the SMS, depth first, until it reaches a state of the
    // SMS, and adds its expression to the entry (start, end). With a non-zero time bound, a path
    // whose value at the time bound is at most `threshold` is cut off at a state outside the SMS
    // and, when `collectTruncated` is set, added to the extra last column.
    KernelMatrix computeSmsMatrix(const Rational& timeBound, double threshold, bool collectTruncated);

    // The kernel and the sojourn probabilities of the renewal process over the states of the SMS,
    // with the down states (flag 1) absorbing when `downStatesAbsorb` is set. With a positive time
    // bound, a path whose value at the time bound is at most `threshold`, or that grows longer than
    // the walk's limit, is cut off at a state outside the SMS into the unresolved state, and
    // cycles are followed until they are cut off.
    RenewalProcess computeRenewalProcess(bool downStatesAbsorb, const Rational& timeBound = Rational(0),
                                         double threshold = 0);

    // The probability, as an expression in t, that the path is taken and completed by time t
    // (see PathExpression); a path longer than the walk's limit is refused.
    Expolynomial pathExpression(const Path& path);

    // The transitions of `state` that can fire with the timers aged `ages`, transitions with
    // more timers first. A transition with several timers is enabled when all its timers have
    // the same remaining time; it then disables every other transition of those timers. Two of
    // them may fire at the same instant: the walk decides whether that tie can happen.
    std::vector<std::uint64_t> enabledTransitions(std::uint64_t state, const TimerAges& ages) const;

    // The ages after `transition` fires: every running timer has aged by the firing's elapsed
    // time (the deterministic remaining time of its first timer, or the variable `name`), and the
    // triggering timers are stopped.
    TimerAges fire(const TimerAges& ages, std::uint64_t transition, const std::string& name) const;

    // How many path expressions the latest computeSmsMatrix computed.
    std::uint64_t pathsWalked() const { return pathsWalked_; }

private:
    // Walks on from `state`, entered at the end of `path` with the expression `expression`.
    void explore(std::uint64_t state, Path& path, const TimerAges& ages, const Expolynomial& expression);
    // The expressions of `path` extended by the firing of each of the `enabled` transitions
    // (PathExpression::fired), each computed when first asked for.
    struct FiredExpressions {
        Path& path;
        const std::vector<std::uint64_t>& enabled;
        std::vector<std::optional<Expolynomial>> expressions;
    };
    const Expolynomial& firedExpression(FiredExpressions& fired, std::size_t i);
    // Fails with EndlessCycle when `state`, about to be expanded at the end of `path`, closes a
    // cycle of the path that the walk would follow without end.
    void rejectEndlessCycle(std::uint64_t state, const Path& path) const;
    // Whether the steps path[from], ..., path[end - 1], which leave pathStates_[from] and come
    // back to it, can be taken again and again without end (see the definition).
    bool repeatsWithoutEnd(const Path& path, std::size_t from) const;
    // Runs `compute` with the term budget, and says what to do when an expression outgrows it.
    template <typename Compute>
    auto withinTermLimit(Compute compute);
    void requireMatrixWithinTermLimit(std::uint64_t size) const;
    KernelMatrix walkSmsMatrix(const Rational& timeBound, double threshold, bool collectTruncated);
    RenewalProcess walkRenewalProcess(bool downStatesAbsorb, const Rational& timeBound, double threshold);
    void walkRow(std::uint64_t state);
    // The value of a path's expression at the time bound, summed term by term in 113-bit binary
    // floating point and rounded to double (beyond the double range: infinity or zero).
    double valueAtTimeBound(const Expolynomial& expression);
    // Adds to the sojourn row the probability of being in `state` at the end of the path
    // (`reached`: the path's expression) with none of the enabled transitions fired yet.
    void addSojourn(std::uint64_t state, const Expolynomial& reached, FiredExpressions& fired);
    void addTo(std::uint64_t column, const Expolynomial& expression);
    // Fails when two of the enabled transitions of `state` fire at the same instant and both
    // extend the path with a non-zero expression.
    void rejectPossibleTies(std::uint64_t state, FiredExpressions& fired, const TimerAges& ages);
    // Whether some destination of the i-th enabled transition extends the path with a non-zero
    // expression.
    bool canFire(FiredExpressions& fired, std::size_t i);

    const Gsms& model_;
    const std::size_t maxPathLength_;
    const std::size_t maxTerms_;
    const HeldBudget held_;
    // While standard error is a terminal and a walk has taken more than a second: the paths
    // walked and the memory held, on a line that is erased when the walk ends.
    void showProgress();
    std::chrono::steady_clock::time_point walkStart_;
    std::chrono::steady_clock::time_point lastShown_;
    bool progressShown_ = false;
    bool progressOnTerminal_ = false;
    std::uint64_t heldAtWalkStart_ = 0;
    void endProgress();
    std::vector<std::uint64_t> smsIndex_;
    std::uint64_t smsCount_ = 0;

    // The walk.
    Rational timeBound_;
    ExponentialValues exponentialsAtBound_;  // exp of the exponent constants met at the time bound
    double threshold_ = 0;
    bool collectTruncated_ = false;
    std::uint64_t truncatedColumn_ = 0;  // where collected cut-off paths go
    bool cutLongPaths_ = false;          // a path longer than the limit is cut off, not refused
    std::uint64_t currentRow_ = 0;
    std::uint64_t walkCounter_ = 0;
    KernelMatrix matrix_;
    std::uint64_t pathsWalked_ = 0;
    // Where the walk stops, and the column of each such GSMS state.
    std::vector<bool> stops_;
    std::vector<std::uint64_t> columns_;
    std::vector<std::vector<Expolynomial>>* sojourn_ = nullptr;  // filled only by computeRenewalProcess
    // The states expanded along the current path (the start first) and their timer ages, for
    // recognising a cycle that nothing ends; only when no time bound can cut the walk off.
    std::vector<std::uint64_t> pathStates_;
    std::vector<const TimerAges*> pathAges_;
    bool rejectCycles_ = false;
    // The row being walked, by column, while computeRenewalProcess walks it.
    bool sparseRow_ = false;
    std::map<std::uint64_t, Expolynomial> rowEntries_;
    std::map<std::uint64_t, Expolynomial> rowSojourn_;

    PathExpression expressionOf_;  // the expression of every path the walk meets
};

template <typename Compute>
auto ConversionContext::withinTermLimit(Compute compute) {
    const TermLimitScope budget(maxTerms_, held_);
    try {
        return compute();
    } catch (const TermLimitExceeded& e) {
        const char* limit = e.kind() == TermLimitExceeded::Kind::Memory ? "memory limit"
                            : e.kind() == TermLimitExceeded::Kind::Time ? "time limit"
                                                                        : "term limit";
        throw WalkLimitExceeded(e.what(), std::string("; give a positive time bound and threshold so that long paths "
                                                      "are cut off, a shorter path, or a higher ") + limit);
    }
}

}  // namespace drova
