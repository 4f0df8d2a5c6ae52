#pragma once
// The simulator's model: the plain records the structure `gsms` is decoded
// into, once per call. The simulation only reads them. Every index stored in
// the model is 1-based and refers to a position in the model's own lists;
// indices are checked where they are used, so a record may hold any value.
// Field names are those of the MATLAB structure.

#include <cstdint>
#include <string>
#include <vector>

namespace drova {

// Kind of a timer's distribution, held as its integer value. The first four are the members of
// the MATLAB enumeration, the only ones the module takes; the others come from GSMS files and are
// drawn by the runs on keyed substreams only (numbered from 101, apart from the values a record
// may hold by mistake). Any value not listed is sampled as Lognormal.
enum class DistType : std::int32_t {
    Deg = 1,
    Exp = 2,
    Uni = 3,
    Lognormal = 4,
    Erlang = 101,    // [k, rate]
    HypoExp = 102,   // [r1, r2, ...]
    HyperExp = 103,  // [p1, r1, p2, r2, ...]
    Expoly = 104,    // [low, high (inf: none), then per term of F(x) - F(low) = sum c x^k exp(r x): c, k, r and
                   //  the bounds a, b of x within which the term counts]
    Weibull = 105,   // [shape, scale]
    Gamma = 106,     // [shape, rate]
    Normal = 107,    // [mean, sd], truncated at 0
};

// The kinds beyond the enumeration's four.
inline bool isGsmsOnlyType(DistType type) {
    return static_cast<std::int32_t>(type) >= 101 && static_cast<std::int32_t>(type) <= 107;
}

// The members of DistType by name, in the order of their values: the one table of the names
// that hosts, documents and the MATLAB enumeration use.
struct DistTypeMember {
    const char* name;
    DistType type;
};
inline constexpr DistTypeMember DistTypeMembers[] = {
    {"Deg", DistType::Deg}, {"Exp", DistType::Exp}, {"Uni", DistType::Uni}, {"Lognormal", DistType::Lognormal}};

struct SimDestination {
    std::int64_t Target = 0;         // position in States of the state entered
    double Probability = 0.0;        // summed in list order to choose the destination
    std::vector<std::int64_t> New;   // positions in Distributions of the timers (re)started
};

struct SimTransition {
    std::int64_t Source = 0;                    // validated, not used: the states' lists govern
    std::vector<std::int64_t> Distributions;    // timers whose expiry the transition waits for
    std::vector<SimDestination> Destinations;   // possible outcomes
};

struct SimDistribution {
    DistType type = DistType::Deg;
    std::vector<double> parameters;  // at most two when decoded; counts are checked when sampled
};

struct SimInitial {
    std::int64_t InitialState = 0;              // position in States where every run starts
    std::vector<std::int64_t> InitialTimers;    // timers started at time 0
};

struct SimState {
    std::string Name;                         // not used
    bool DownState = false;                   // entering it ends a run and records its time
    std::vector<std::int64_t> Transitions;    // outgoing transitions, in tie-breaking order
};

struct SimModel {
    std::string Name;  // not used
    std::vector<SimState> States;
    SimInitial Initial;
    std::vector<SimDistribution> Distributions;  // timer k draws from entry k
    std::vector<SimTransition> Transitions;
};

}  // namespace drova
