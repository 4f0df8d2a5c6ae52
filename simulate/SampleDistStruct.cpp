#include "simulate/SampleDistStruct.hpp"

#include "simulate/SampleTimer.hpp"

namespace drova {

double sampleDistribution(const SimDistribution& dist, SimHost& host) {
    return sampleDistribution(dist, host, host.interruptRequest());
}

double sampleDistribution(const SimDistribution& dist, SimHost& host, const std::atomic<bool>& interrupt) {
    return detail::sampleTimer(dist, host, interrupt);
}

std::vector<double> sampleDistStruct(std::span<const SimDistribution> dists, SimHost& host) {
    std::vector<double> samples(dists.size(), 0.0);
    const std::atomic<bool>& interrupt = host.interruptRequest();
    for (std::size_t i = 0; i < dists.size(); ++i) samples[i] = sampleDistribution(dists[i], host, interrupt);
    return samples;
}

}  // namespace drova
