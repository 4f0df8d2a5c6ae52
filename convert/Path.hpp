#pragma once
// The paths of a GSMS that the conversion follows, and the timer ages carried along them.

#include "algebra/LinearForm.hpp"

#include <cstdint>
#include <optional>
#include <vector>

namespace drova {

// One step of a path: a transition and the position of the chosen destination within it.
struct PathStep {
    std::uint64_t transition = 0;
    std::uint64_t destination = 0;

    bool operator==(const PathStep&) const = default;
};
using Path = std::vector<PathStep>;

// One entry per timer of the model: the time a running timer has run, in the variables of the
// walk plus a constant; absent for a timer that is not running.
using TimerAges = std::vector<std::optional<LinearForm>>;

}  // namespace drova
