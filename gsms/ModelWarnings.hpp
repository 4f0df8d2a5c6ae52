#pragma once
// What a GSMS file allows but is most likely a slip, as one message per finding (without the
// "Warning: " that the commands put before it). The model stays valid; the findings are about
// answers that would silently be other than the modeller meant.

#include "gsms/Gsms.hpp"

#include <string>
#include <vector>

namespace drova {

// Ages on entry that contradict the transitions into the state: a timer that is active in the
// target of a destination, not restarted there and not exponential, keeps the age it had, so a
// known age declared for it in the target is the modeller's guess, and the exact route takes it
// for the truth (the simulator follows the timer itself). A declared age equal to the one the
// model itself fixes (the timer's known age in the source plus the fixed remaining time of a
// deterministic firing) is no finding. States without outgoing transitions are skipped: no
// timer fires there.
std::vector<std::string> ageWarnings(const Gsms& model);

// Every finding, per transition in index order: its probabilities not adding up to 1, several
// triggering timers of which one is not deterministic, and then the ages of ageWarnings.
std::vector<std::string> modelWarnings(const Gsms& model);

}  // namespace drova
