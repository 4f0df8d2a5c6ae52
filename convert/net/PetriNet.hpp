#pragma once
// A stochastic Petri net as read from a net file: places with their initial tokens, and
// transitions with their law, arcs, inhibitors, guard, priority and weight. All numbers are exact.

#include "algebra/Rational.hpp"
#include "convert/net/NetExpression.hpp"
#include "distributions/Distribution.hpp"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace drova::net {

struct Arc {
    std::size_t place = 0;
    std::uint32_t count = 0;  // tokens taken or added; for an inhibitor, the count that disables
};

struct NetTransition {
    std::string name;
    // The law of a timed transition; none for an immediate one.
    std::shared_ptr<const Distribution> law;
    bool exponential = false;     // law is Exp: memoryless, its age never matters
    bool infiniteServers = false; // Exp only: the rate times the enabling degree
    std::vector<Arc> inputs, outputs, inhibitors;
    std::optional<Condition> guard;
    std::int64_t priority = 0;
    Rational weight = 1;          // immediate transitions: the choice among those enabled together

    bool immediate() const { return law == nullptr; }
    // A timed transition whose delay is fixed: it can fire at the same instant as another.
    bool deterministic() const { return law && law->fixedDelay().has_value(); }
};

struct PetriNet {
    std::string name;
    std::vector<std::string> places;
    std::vector<std::uint32_t> initialMarking;
    std::vector<NetTransition> transitions;
    std::optional<Condition> down;  // the failed markings; none: no marking is down
};

}  // namespace drova::net
