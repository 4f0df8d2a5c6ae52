#include "convert/Path.hpp"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace drova {

TimerAges::TimerAges(std::initializer_list<std::optional<LinearForm>> ages) : size_(ages.size()) {
    std::uint64_t timer = 0;
    for (const std::optional<LinearForm>& age : ages) entries_.emplace_back(timer++, age);
}

namespace {

template <typename Entries>
auto findEntry(Entries& entries, std::uint64_t timer) {
    return std::lower_bound(entries.begin(), entries.end(), timer,
                            [](const TimerAges::Entry& entry, std::uint64_t t) { return entry.first < t; });
}

void requireTimer(std::uint64_t timer, std::size_t size) {
    if (timer >= size)
        throw std::out_of_range("Timer " + std::to_string(timer) + " of " + std::to_string(size) + " timers");
}

}  // namespace

const std::optional<LinearForm>& TimerAges::at(std::uint64_t timer) const {
    static const std::optional<LinearForm> absent;
    requireTimer(timer, size_);
    const auto found = findEntry(entries_, timer);
    return found != entries_.end() && found->first == timer ? found->second : absent;
}

std::optional<LinearForm>& TimerAges::at(std::uint64_t timer) {
    requireTimer(timer, size_);
    const auto found = findEntry(entries_, timer);
    if (found != entries_.end() && found->first == timer) return found->second;
    return entries_.insert(found, Entry(timer, std::nullopt))->second;
}

}  // namespace drova
