#include "convert/net/MarkingStore.hpp"

#include <algorithm>
#include <stdexcept>

namespace drova::net {

std::uint64_t MarkingStore::hashOf(const std::uint32_t* tokens, std::size_t places) {
    std::uint64_t hash = 0x9E3779B97F4A7C15ull;
    for (std::size_t i = 0; i < places; ++i) {
        hash ^= tokens[i] + 0x9E3779B97F4A7C15ull + (hash << 6) + (hash >> 2);
        hash *= 0xFF51AFD7ED558CCDull;
    }
    return hash ^ (hash >> 33);
}

bool MarkingStore::equalAt(std::uint32_t index, const std::uint32_t* tokens) const {
    return std::equal(tokens, tokens + places_, tokens_.begin() + static_cast<std::ptrdiff_t>(index * places_));
}

void MarkingStore::grow() {
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(old.empty() ? 1024 : old.size() * 2, Slot{});
    const std::size_t mask = slots_.size() - 1;
    for (const Slot& slot : old) {
        if (slot.index == 0) continue;
        std::size_t at = slot.hash & mask;
        while (slots_[at].index != 0) at = (at + 1) & mask;
        slots_[at] = slot;
    }
}

std::pair<std::uint32_t, bool> MarkingStore::insert(const std::vector<std::uint32_t>& marking) {
    if ((count_ + 1) * 2 > slots_.size()) grow();
    const auto hash = static_cast<std::uint32_t>(hashOf(marking.data(), places_));
    const std::size_t mask = slots_.size() - 1;
    std::size_t at = hash & mask;
    while (slots_[at].index != 0) {
        if (slots_[at].hash == hash && equalAt(slots_[at].index - 1, marking.data())) return {slots_[at].index - 1, false};
        at = (at + 1) & mask;
    }
    if (count_ >= 0xFFFFFFFEu) throw std::length_error("More markings than a store can number");
    const auto index = static_cast<std::uint32_t>(count_++);
    tokens_.insert(tokens_.end(), marking.begin(), marking.end());
    slots_[at] = {index + 1, hash};
    return {index, true};
}

}  // namespace drova::net
