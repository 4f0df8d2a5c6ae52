#pragma once
// Reachability and closed classes in the graph of possible transitions between SMS states.

#include <cstddef>
#include <vector>

namespace drova::measures {

// successors[i]: the states that can follow state i.
using Successors = std::vector<std::vector<std::size_t>>;

// reachable[i]: state i can be visited starting from `start` (start itself included).
std::vector<bool> reachableFrom(const Successors& successors, std::size_t start);

// result[i]: some state in `targets` can be visited starting from state i (targets included).
// Paths may pass only through states with passable[i] true (targets need not be passable).
std::vector<bool> canReach(const Successors& successors, const std::vector<bool>& targets,
                           const std::vector<bool>& passable);

// The closed communicating classes among the states with within[i] true: strongly connected
// sets that no transition leaves. `within` must be closed itself (no transition leads out of it),
// as a set of reachable states is. Each class lists its states in ascending order; the classes are
// ordered by their smallest state.
std::vector<std::vector<std::size_t>> closedClasses(const Successors& successors, const std::vector<bool>& within);

}  // namespace drova::measures
