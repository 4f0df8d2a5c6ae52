#include "measures/StateGraph.hpp"


namespace drova::measures {

std::vector<bool> reachableFrom(const Successors& successors, std::size_t start) {
    std::vector<bool> reached(successors.size(), false);
    std::vector<std::size_t> pending{start};
    reached[start] = true;
    while (!pending.empty()) {
        const std::size_t i = pending.back();
        pending.pop_back();
        for (std::size_t j : successors[i])
            if (!reached[j]) {
                reached[j] = true;
                pending.push_back(j);
            }
    }
    return reached;
}

std::vector<bool> canReach(const Successors& successors, const std::vector<bool>& targets,
                           const std::vector<bool>& passable) {
    const std::size_t n = successors.size();
    Successors predecessors(n);
    for (std::size_t i = 0; i < n; ++i)
        if (passable[i])
            for (std::size_t j : successors[i]) predecessors[j].push_back(i);
    std::vector<bool> reaches = targets;
    std::vector<std::size_t> pending;
    for (std::size_t i = 0; i < n; ++i)
        if (targets[i]) pending.push_back(i);
    while (!pending.empty()) {
        const std::size_t j = pending.back();
        pending.pop_back();
        for (std::size_t i : predecessors[j])
            if (!reaches[i]) {
                reaches[i] = true;
                pending.push_back(i);
            }
    }
    return reaches;
}

std::vector<std::vector<std::size_t>> closedClasses(const Successors& successors, const std::vector<bool>& within) {
    // A class is closed when every state reachable from one of its states is in the class, that
    // is when it equals the set reachable from any of its members. The graphs are small (one node
    // per SMS state), so the quadratic test by reachability is clear and fast enough.
    const std::size_t n = successors.size();
    std::vector<std::vector<bool>> reach(n);
    for (std::size_t i = 0; i < n; ++i)
        if (within[i]) reach[i] = reachableFrom(successors, i);
    std::vector<bool> assigned(n, false);
    std::vector<std::vector<std::size_t>> classes;
    for (std::size_t i = 0; i < n; ++i) {
        if (!within[i] || assigned[i]) continue;
        bool closed = true;
        std::vector<std::size_t> members;
        for (std::size_t j = 0; j < n; ++j) {
            if (!reach[i][j]) continue;
            if (!reach[j][i]) closed = false;
            members.push_back(j);
        }
        if (!closed) continue;
        for (std::size_t j : members) assigned[j] = true;
        classes.push_back(std::move(members));
    }
    return classes;
}

}  // namespace drova::measures
