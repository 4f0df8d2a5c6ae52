#include "algebra/TermLimit.hpp"

#include <string>

namespace drova {

namespace term_budget {
thread_local std::size_t limit = DefaultTermLimit;
thread_local std::uint64_t produced = 0;
thread_local std::uint64_t producedLimit = UINT64_MAX;
}  // namespace term_budget

std::size_t termLimit() { return term_budget::limit; }

TermLimitScope::TermLimitScope(std::size_t limit)
    : previousLimit_(term_budget::limit),
      previousProduced_(term_budget::produced),
      previousProducedLimit_(term_budget::producedLimit) {
    term_budget::limit = limit;
    term_budget::produced = 0;
    const std::uint64_t wide = limit;
    term_budget::producedLimit = wide > UINT64_MAX / ProducedTermsPerLimitTerm ? UINT64_MAX
                                                                                : wide * ProducedTermsPerLimitTerm;
}

TermLimitScope::~TermLimitScope() {
    term_budget::limit = previousLimit_;
    term_budget::produced = previousProduced_;
    term_budget::producedLimit = previousProducedLimit_;
}

TermLimitExceeded::TermLimitExceeded(std::size_t limit, bool produced)
    : std::length_error(produced ? "The computation produced more than " +
                                       std::to_string(static_cast<std::uint64_t>(limit) * ProducedTermsPerLimitTerm) +
                                       " terms (" + std::to_string(ProducedTermsPerLimitTerm) +
                                       " times the limit of " + std::to_string(limit) + " terms)"
                                 : "An expression grew past the limit of " + std::to_string(limit) + " terms"),
      limit_(limit) {}

}  // namespace drova
