#include "measures/EarliestEntry.hpp"

namespace drova::measures {

std::vector<std::optional<Rational>> earliestEntry(const ExactKernel& kernel, std::size_t start,
                                                   const std::vector<bool>& passable) {
    // Dijkstra's algorithm; the graphs have one node per SMS state, so the quadratic form is fine.
    const std::size_t n = kernel.size();
    std::vector<std::optional<Rational>> earliest(n);
    std::vector<bool> settled(n, false);
    earliest[start] = Rational(0);
    for (;;) {
        std::optional<std::size_t> next;
        for (std::size_t i = 0; i < n; ++i)
            if (!settled[i] && earliest[i] && (!next || *earliest[i] < *earliest[*next])) next = i;
        if (!next) break;
        const std::size_t i = *next;
        settled[i] = true;
        if (!passable[i]) continue;
        for (std::size_t j : kernel.successors()[i]) {
            const Rational arrival = *earliest[i] + *kernel.entry(i, j).firstNonzeroTime();
            if (!earliest[j] || arrival < *earliest[j]) earliest[j] = arrival;
        }
    }
    return earliest;
}

}  // namespace drova::measures
