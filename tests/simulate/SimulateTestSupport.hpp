#pragma once
// Test support for the simulator: its operations on the classic run time's
// host services, fetched afresh for each call as the module does, so that a
// ScriptedRandom made before the call is what the call draws from; and a
// shorthand for distribution records.

#include "ClassicTestSupport.hpp"

#include "modules/sim/ClassicSimHost.hpp"
#include "simulate/SampleDistStruct.hpp"
#include "simulate/SimModel.hpp"
#include "simulate/SimulateGSMS.hpp"

#include <cstdint>
#include <span>
#include <utility>
#include <vector>

inline std::vector<double> simulateGSMS(std::int64_t simulations, double analysisTime, const SimModel& gsms) {
    sim::ClassicSimHost host;
    return drova::simulateGSMS(simulations, analysisTime, gsms, host);
}

inline MinimumTimerChoice getOutgoingTransWithMinimumTimer(std::span<const std::int64_t> outTrans,
                                                           std::span<const double> timers,
                                                           std::span<const SimTransition> transitions) {
    sim::ClassicSimHost host;
    return drova::getOutgoingTransWithMinimumTimer(outTrans, timers, transitions, host);
}

inline const SimDestination& getDestinationState(const SimTransition& transition) {
    sim::ClassicSimHost host;
    return drova::getDestinationState(transition, host);
}

inline double sampleDistribution(const SimDistribution& dist) {
    sim::ClassicSimHost host;
    return drova::sampleDistribution(dist, host);
}

inline std::vector<double> sampleDistStruct(std::span<const SimDistribution> dists) {
    sim::ClassicSimHost host;
    return drova::sampleDistStruct(dists, host);
}

inline SimDistribution dist(DistType type, std::vector<double> parameters) { return {type, std::move(parameters)}; }
