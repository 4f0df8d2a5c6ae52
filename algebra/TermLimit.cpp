#include "algebra/TermLimit.hpp"

#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace drova {

namespace {

using Clock = std::chrono::steady_clock;

// The produced terms (by weight) between two checks of a held budget: a check costs about a
// microsecond, a term at least a few tens of nanoseconds.
constexpr std::uint64_t CheckInterval = 4096;
constexpr int MemoryCheckSpacing = 50;

struct HeldScope {
    HeldBudget budget;
    std::uint64_t heldAtStart = 0;
    Clock::time_point start;
    // Asking the allocator what it holds costs time in proportion to its free lists, which grow
    // with the heap: the next such question waits MemoryCheckSpacing times as long as the latest
    // one took, so that the checks never take more than about 2% of the computation.
    Clock::time_point nextMemoryCheck{};
};

thread_local HeldScope* heldScope = nullptr;

std::string megabytes(std::uint64_t bytes) {
    return std::to_string((bytes + (1u << 20) - 1) >> 20) + " MB";
}

std::string secondsText(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", seconds);
    return text;
}

// "512M", "2G", "1048576": bytes; none for any other text.
std::optional<std::uint64_t> sizeOf(const std::string& text) {
    if (text.empty()) return std::nullopt;
    std::size_t end = 0;
    while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
    if (end == 0 || end > 15) return std::nullopt;
    std::uint64_t value = std::stoull(text.substr(0, end));
    const std::string unit = text.substr(end);
    if (unit == "K" || unit == "k") value <<= 10;
    else if (unit == "M" || unit == "m") value <<= 20;
    else if (unit == "G" || unit == "g") value <<= 30;
    else if (!unit.empty()) return std::nullopt;
    return value;
}

std::uint64_t defaultHeldBytes() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGE_SIZE);
    std::uint64_t machine = pages > 0 && pageSize > 0 ? static_cast<std::uint64_t>(pages) * pageSize : (std::uint64_t{4} << 30);
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        machine = std::min<std::uint64_t>(machine, limit.rlim_cur);
    return machine / 4;
}

}  // namespace

namespace term_budget {
thread_local std::size_t limit = DefaultTermLimit;
thread_local std::uint64_t produced = 0;
thread_local std::uint64_t producedLimit = UINT64_MAX;
}  // namespace term_budget

std::size_t termLimit() { return term_budget::limit; }

std::optional<std::uint64_t> parseMemorySize(const std::string& text) { return sizeOf(text); }

HeldBudget heldBudgetFromEnvironment() {
    HeldBudget budget;
    budget.maxHeldBytes = defaultHeldBytes();
    if (const char* memory = std::getenv("DROVA_MAX_MEMORY"); memory && *memory) {
        const std::optional<std::uint64_t> bytes = sizeOf(memory);
        if (!bytes || *bytes == 0)
            throw std::invalid_argument("DROVA_MAX_MEMORY must be a size such as 512M or 2G, not \"" +
                                        std::string(memory).substr(0, 40) + "\"");
        budget.maxHeldBytes = *bytes;
    }
    if (const char* time = std::getenv("DROVA_MAX_TIME"); time && *time) {
        char* end = nullptr;
        const double seconds = std::strtod(time, &end);
        if (end == time || *end != '\0' || !std::isfinite(seconds) || seconds <= 0)
            throw std::invalid_argument("DROVA_MAX_TIME must be a positive number of seconds, not \"" +
                                        std::string(time).substr(0, 40) + "\"");
        budget.maxSeconds = seconds;
    }
    return budget;
}

#if defined(__SANITIZE_ADDRESS__)
#define DROVA_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define DROVA_ADDRESS_SANITIZER 1
#endif
#endif

#ifdef DROVA_ADDRESS_SANITIZER
// The sanitizer's allocator replaces the C library's, whose statistics then stay empty; it
// counts what it holds itself.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();

std::uint64_t heldBytes() { return __sanitizer_get_current_allocated_bytes(); }
#else
std::uint64_t heldBytes() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}
#endif

TermLimitScope::TermLimitScope(std::size_t limit)
    : previousLimit_(term_budget::limit),
      previousProduced_(term_budget::produced),
      previousProducedLimit_(term_budget::producedLimit),
      previousHeld_(heldScope) {
    term_budget::limit = limit;
    term_budget::produced = 0;
    heldScope = nullptr;
    const std::uint64_t wide = limit;
    term_budget::producedLimit = wide > UINT64_MAX / ProducedTermsPerLimitTerm ? UINT64_MAX
                                                                                : wide * ProducedTermsPerLimitTerm;
}

TermLimitScope::TermLimitScope(std::size_t limit, const HeldBudget& held) : TermLimitScope(limit) {
    heldScope = new HeldScope{held, heldBytes(), Clock::now()};
    term_budget::producedLimit = CheckInterval;
}

TermLimitScope::~TermLimitScope() {
    delete heldScope;
    term_budget::limit = previousLimit_;
    term_budget::produced = previousProduced_;
    term_budget::producedLimit = previousProducedLimit_;
    heldScope = static_cast<HeldScope*>(previousHeld_);
}

void producedLimitReached() {
    if (!heldScope) throw TermLimitExceeded(term_budget::limit, true);
    HeldScope& scope = *heldScope;
    const Clock::time_point checked = Clock::now();
    if (checked >= scope.nextMemoryCheck) {
        const std::uint64_t now = heldBytes();
        const Clock::time_point answered = Clock::now();
        scope.nextMemoryCheck = answered + MemoryCheckSpacing * (answered - checked);
        const std::uint64_t held = now > scope.heldAtStart ? now - scope.heldAtStart : 0;
        if (held > scope.budget.maxHeldBytes)
            throw TermLimitExceeded(TermLimitExceeded::Kind::Memory,
                                    "The computation held more than " + megabytes(scope.budget.maxHeldBytes) +
                                        " of memory (the memory limit)");
    }
    if (scope.budget.maxSeconds > 0) {
        const double elapsed = std::chrono::duration<double>(checked - scope.start).count();
        if (elapsed > scope.budget.maxSeconds)
            throw TermLimitExceeded(TermLimitExceeded::Kind::Time, "The computation took more than " +
                                                                       secondsText(scope.budget.maxSeconds) +
                                                                       " seconds (the time limit)");
    }
    term_budget::producedLimit = term_budget::produced + CheckInterval;
}

TermLimitExceeded::TermLimitExceeded(std::size_t limit, bool produced)
    : std::length_error(produced ? "The computation produced more than " +
                                       std::to_string(static_cast<std::uint64_t>(limit) * ProducedTermsPerLimitTerm) +
                                       " terms (" + std::to_string(ProducedTermsPerLimitTerm) +
                                       " times the limit of " + std::to_string(limit) + " terms)"
                                 : "An expression grew past the limit of " + std::to_string(limit) + " terms"),
      limit_(limit),
      kind_(produced ? Kind::Produced : Kind::Expression) {}

TermLimitExceeded::TermLimitExceeded(Kind kind, const std::string& message)
    : std::length_error(message), limit_(term_budget::limit), kind_(kind) {}

}  // namespace drova
