#include "simulate/SampleDistStruct.hpp"

#include <cmath>
#include <limits>

namespace drova {

double sampleDistribution(const SimDistribution& dist, SimHost& host) {
    return sampleDistribution(dist, host, host.interruptRequest());
}

double sampleDistribution(const SimDistribution& dist, SimHost& host, const std::atomic<bool>& interrupt) {
    constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
    const std::vector<double>& p = dist.parameters;
    const auto count = static_cast<std::int64_t>(p.size());
    double value;
    switch (dist.type) {
    case DistType::Deg:
        if (count != 1) host.parameterCount(dist.type, count);
        value = p[0];
        break;
    case DistType::Exp: {
        if (count != 1) host.parameterCount(dist.type, count);
        double mean = 1.0 / p[0];
        double u = host.uniform();
        value = mean < 0.0 ? NaN : -mean * std::log(u);
        break;
    }
    case DistType::Uni: {
        checkedIndex(host, 1, 1, count, "dist.parameters");
        checkedIndex(host, 2, 1, count, "dist.parameters");
        double u = host.uniform();
        value = (p[1] - p[0]) * u + p[0];
        break;
    }
    default: {
        checkedIndex(host, 1, 1, count, "dist.parameters");
        checkedIndex(host, 2, 1, count, "dist.parameters");
        double z = host.normal();
        double x = p[1] < 0.0 ? NaN : p[1] * z + p[0];
        value = std::exp(x);
        break;
    }
    }
    pollInterrupt(host, interrupt);
    return value;
}

std::vector<double> sampleDistStruct(std::span<const SimDistribution> dists, SimHost& host) {
    std::vector<double> samples(dists.size(), 0.0);
    const std::atomic<bool>& interrupt = host.interruptRequest();
    for (std::size_t i = 0; i < dists.size(); ++i) samples[i] = sampleDistribution(dists[i], host, interrupt);
    return samples;
}

}  // namespace drova
