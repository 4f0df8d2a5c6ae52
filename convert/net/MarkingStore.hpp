#pragma once
// A set of markings of one net, each numbered in the order it was first met. The tokens of all
// markings sit in one array and an open-addressing index finds them, so that millions of
// markings cost little more than their tokens.

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace drova::net {

class MarkingStore {
public:
    explicit MarkingStore(std::size_t places) : places_(places) {}

    // The number of the marking, and whether it was new.
    std::pair<std::uint32_t, bool> insert(const std::vector<std::uint32_t>& marking);
    std::vector<std::uint32_t> at(std::uint32_t index) const {
        const auto first = tokens_.begin() + static_cast<std::ptrdiff_t>(index * places_);
        return {first, first + static_cast<std::ptrdiff_t>(places_)};
    }
    std::size_t size() const { return count_; }
    // The memory the store holds, in bytes.
    std::size_t bytes() const { return tokens_.capacity() * sizeof(std::uint32_t) + slots_.capacity() * sizeof(Slot); }

private:
    struct Slot {
        std::uint32_t index = 0;  // the marking's number plus one; 0: empty
        std::uint32_t hash = 0;
    };
    static std::uint64_t hashOf(const std::uint32_t* tokens, std::size_t places);
    bool equalAt(std::uint32_t index, const std::uint32_t* tokens) const;
    void grow();

    std::size_t places_;
    std::size_t count_ = 0;
    std::vector<std::uint32_t> tokens_;
    std::vector<Slot> slots_;
};

}  // namespace drova::net
