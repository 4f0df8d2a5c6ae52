#pragma once
// Checked reads of the model and of timer ages shared by the walk and the path expression.

#include "convert/Path.hpp"
#include "gsms/Gsms.hpp"

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

namespace drova {

// A timer whose age is needed is not running: it is not active where the path starts and no
// earlier step restarted it.
class TimerNotRunning : public std::bad_optional_access {
public:
    TimerNotRunning(std::uint64_t timer, std::uint64_t transition);
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

// "t" followed by the counter in decimal: the name of a variable of the walk or of a path.
std::string variableName(std::uint64_t counter);

// The first triggering timer; std::out_of_range for a transition without one.
std::uint64_t firstTimer(const GsmsTransition& transition, std::uint64_t index);

// The destination a step chooses; std::out_of_range for a position past the last.
const GsmsDestination& destinationOf(const GsmsTransition& transition, const PathStep& step);

// The age of `timer`, needed by `transition`: TimerNotRunning when absent.
const LinearForm& ageOf(const TimerAges& ages, std::uint64_t timer, std::uint64_t transition);

// Fails with std::invalid_argument unless every timer of a transition with several timers is
// deterministic: only deterministic timers can expire at one instant.
void requireDeterministicTimers(const Gsms& model, std::uint64_t transition);

// Ages in which every active timer of `state` has the age `ageAt(timer)` and every other timer
// is absent; an active timer that the model lacks fails with std::out_of_range.
template <typename AgeAt>
TimerAges agesOfActiveTimers(const Gsms& model, std::uint64_t state, AgeAt ageAt) {
    TimerAges ages(model.timerCount());
    const GsmsState& entered = model.state(state);
    for (std::size_t position = 0; position < entered.activeTimers.size(); ++position) {
        const std::uint64_t timer = entered.activeTimers[position];
        if (timer >= ages.size())
            throw std::out_of_range("Active timer " + std::to_string(timer) + " of state " + std::to_string(state) +
                                    " does not exist");
        ages[timer] = ageAt(timer);
    }
    return ages;
}

}  // namespace drova
