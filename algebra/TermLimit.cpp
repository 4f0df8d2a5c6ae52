#include "algebra/TermLimit.hpp"

#include <string>

namespace {

thread_local std::size_t currentLimit = DefaultTermLimit;

}  // namespace

std::size_t termLimit() { return currentLimit; }

TermLimitScope::TermLimitScope(std::size_t limit) : previous_(currentLimit) { currentLimit = limit; }

TermLimitScope::~TermLimitScope() { currentLimit = previous_; }

TermLimitExceeded::TermLimitExceeded(std::size_t limit)
    : std::length_error("An expression grew past the limit of " + std::to_string(limit) + " terms"),
      limit_(limit) {}
