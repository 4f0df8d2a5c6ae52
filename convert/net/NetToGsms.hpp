#pragma once
// Builds the GSMS of a stochastic Petri net.
//
//     const BuiltNet built = buildGsms(readNet(text, "pumps"));
//     ConversionContext context(built.model);
//
// The states are the tangible markings (those where no immediate transition is enabled), each
// split by which of its enabled non-exponential timers were restarted on entry: a marking entered
// with every such timer fresh is a state of the SMS, and the ages written are right by
// construction (0 when fresh, unknown when carried over; exponential timers are restarted on every
// entry, which their lack of memory allows). A marking is split only where its entries differ.
//
// Semantics: a timed transition's timer starts when it becomes enabled, is discarded when it is
// disabled, and starts afresh after it fires if it is still enabled. Immediate transitions fire
// in zero time, the highest priority first and, among those, by their weights; the markings where
// one is enabled are vanishing. Deterministic transitions that expire at the same instant fire in
// order of priority (a GSMS transition with all their timers), each only if still enabled.

#include "convert/net/PetriNet.hpp"
#include "gsms/Gsms.hpp"

#include <cstdint>
#include <stdexcept>

namespace drova::net {

inline constexpr std::uint64_t DefaultMaxStates = 1000000;

struct NetStatistics {
    std::uint64_t places = 0;
    std::uint64_t transitions = 0;
    std::uint64_t tangibleMarkings = 0;
    std::uint64_t vanishingMarkings = 0;
    std::uint64_t gsmsStates = 0;
    std::uint64_t smsStates = 0;
};

struct BuiltNet {
    Gsms model;
    NetStatistics statistics;
};

// std::invalid_argument for a net without a GSMS: more reachable markings (or GSMS states) than
// `maxStates`, a place whose tokens outgrow 32 bits, a cycle of immediate transitions, or two
// deterministic transitions of equal priority that certainly fire together with outcomes that
// depend on their order.
BuiltNet buildGsms(const PetriNet& net, std::uint64_t maxStates = DefaultMaxStates);

// The name of a marking's state: the marked places with their tokens, "working2_broken1"
// ("empty" when no place holds a token).
std::string markingName(const PetriNet& net, const std::vector<std::uint32_t>& marking);

}  // namespace drova::net
