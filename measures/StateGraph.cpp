#include "measures/StateGraph.hpp"

#include <algorithm>


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
    // The strongly connected components by Tarjan's algorithm (iterative, so that long chains of
    // states do not exhaust the stack); a component is closed when no transition leaves it.
    const std::size_t n = successors.size();
    constexpr std::size_t unvisited = static_cast<std::size_t>(-1);
    std::vector<std::size_t> index(n, unvisited), lowLink(n, 0), component(n, unvisited);
    std::vector<bool> onStack(n, false);
    std::vector<std::size_t> stack;
    std::vector<std::vector<std::size_t>> components;
    std::size_t counter = 0;
    struct Frame {
        std::size_t state;
        std::size_t next;  // the position in its successors to visit next
    };
    std::vector<Frame> frames;
    for (std::size_t root = 0; root < n; ++root) {
        if (!within[root] || index[root] != unvisited) continue;
        frames.push_back({root, 0});
        index[root] = lowLink[root] = counter++;
        stack.push_back(root);
        onStack[root] = true;
        while (!frames.empty()) {
            Frame& frame = frames.back();
            const std::size_t v = frame.state;
            if (frame.next < successors[v].size()) {
                const std::size_t w = successors[v][frame.next++];
                if (index[w] == unvisited) {
                    index[w] = lowLink[w] = counter++;
                    stack.push_back(w);
                    onStack[w] = true;
                    frames.push_back({w, 0});
                } else if (onStack[w]) {
                    lowLink[v] = std::min(lowLink[v], index[w]);
                }
                continue;
            }
            if (lowLink[v] == index[v]) {
                std::vector<std::size_t> members;
                for (std::size_t w = unvisited; w != v;) {
                    w = stack.back();
                    stack.pop_back();
                    onStack[w] = false;
                    component[w] = components.size();
                    members.push_back(w);
                }
                components.push_back(std::move(members));
            }
            frames.pop_back();
            if (!frames.empty()) lowLink[frames.back().state] = std::min(lowLink[frames.back().state], lowLink[v]);
        }
    }
    std::vector<std::vector<std::size_t>> classes;
    for (std::size_t c = 0; c < components.size(); ++c) {
        bool closed = true;
        for (std::size_t v : components[c])
            for (std::size_t w : successors[v])
                if (component[w] != c) closed = false;
        if (!closed) continue;
        std::sort(components[c].begin(), components[c].end());
        classes.push_back(std::move(components[c]));
    }
    std::sort(classes.begin(), classes.end(),
              [](const std::vector<std::size_t>& a, const std::vector<std::size_t>& b) { return a.front() < b.front(); });
    return classes;
}

}  // namespace drova::measures
