#pragma once
// The paths of a GSMS that the conversion follows, and the timer ages carried along them.

#include "algebra/LinearForm.hpp"

#include <cstdint>
#include <initializer_list>
#include <utility>
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
//
// Only the entries that were ever given are stored (by timer, ascending): a state has a handful
// of running timers, and a model may have as many timers as states (a net gives one per
// enabling degree), so ages that cost memory per timer of the model would make every step of the
// walk cost as much as the whole model.
class TimerAges {
public:
    using Entry = std::pair<std::uint64_t, std::optional<LinearForm>>;

    TimerAges() = default;
    // `timers` entries, all absent.
    explicit TimerAges(std::size_t timers) : size_(timers) {}
    // Entries 0, 1, ... as listed.
    TimerAges(std::initializer_list<std::optional<LinearForm>> ages);

    std::size_t size() const { return size_; }
    // The entry of `timer`; std::out_of_range past the last timer.
    const std::optional<LinearForm>& at(std::uint64_t timer) const;
    std::optional<LinearForm>& at(std::uint64_t timer);
    const std::optional<LinearForm>& operator[](std::uint64_t timer) const { return at(timer); }
    std::optional<LinearForm>& operator[](std::uint64_t timer) { return at(timer); }

    // The entries stored, by ascending timer (absent ones may be among them).
    std::vector<Entry>& entries() { return entries_; }
    const std::vector<Entry>& entries() const { return entries_; }

private:
    std::vector<Entry> entries_;
    std::size_t size_ = 0;
};

}  // namespace drova
