#include "measures/EarliestEntry.hpp"

#include <functional>
#include <queue>
#include <utility>

namespace drova::measures {

std::vector<std::optional<Rational>> earliestEntry(const ExactKernel& kernel, std::size_t start,
                                                   const std::vector<bool>& passable) {
    // Dijkstra's algorithm with a heap: the cost grows with the number of possible transitions
    // times the logarithm of the number of states.
    const std::size_t n = kernel.size();
    std::vector<std::optional<Rational>> earliest(n);
    std::vector<bool> settled(n, false);
    using Candidate = std::pair<Rational, std::size_t>;
    std::priority_queue<Candidate, std::vector<Candidate>, std::greater<>> pending;
    earliest[start] = Rational(0);
    pending.emplace(Rational(0), start);
    while (!pending.empty()) {
        const auto [time, i] = pending.top();
        pending.pop();
        if (settled[i] || time != *earliest[i]) continue;
        settled[i] = true;
        if (!passable[i]) continue;
        for (const KernelEntry& entry : kernel.row(i)) {
            const std::size_t j = entry.target;
            const Rational arrival = time + *entry.function.firstNonzeroTime();
            if (!earliest[j] || arrival < *earliest[j]) {
                earliest[j] = arrival;
                pending.emplace(arrival, j);
            }
        }
    }
    return earliest;
}

}  // namespace drova::measures
