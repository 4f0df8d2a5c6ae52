#include "simulate/SampleDistStruct.hpp"

#include "host/classic/ClassicChecks.hpp"
#include "host/classic/ClassicRandom.hpp"
#include "host/classic/ClassicRuntime.hpp"

#include <cmath>

double sampleDistribution(const SimDistribution& dist) {
    return sampleDistribution(dist, classicGenerator(), *classicInterruptFlag());
}

double sampleDistribution(const SimDistribution& dist, ClassicRandomSource& random,
                          const std::atomic<bool>& interrupt) {
    const std::vector<double>& p = dist.parameters;
    const auto count = static_cast<std::int64_t>(p.size());
    double value;
    switch (dist.type) {
    case DistType::Deg:
        classicCheckAssignmentSize(1, count);
        value = p[0];
        break;
    case DistType::Exp: {
        if (count != 1) classicRaise("MATLAB:dimagree");
        double mean = 1.0 / p[0];
        double u = random.uniform();
        value = mean < 0.0 ? classicNaN() : -mean * std::log(u);
        break;
    }
    case DistType::Uni: {
        classicIndexCheck(1, 1, count, "dist.parameters");
        classicIndexCheck(2, 1, count, "dist.parameters");
        double u = random.uniform();
        value = (p[1] - p[0]) * u + p[0];
        break;
    }
    default: {
        classicIndexCheck(1, 1, count, "dist.parameters");
        classicIndexCheck(2, 1, count, "dist.parameters");
        double z = random.normal();
        double x = p[1] < 0.0 ? classicNaN() : p[1] * z + p[0];
        value = std::exp(x);
        break;
    }
    }
    classicPollInterrupt(interrupt);
    return value;
}

std::vector<double> sampleDistStruct(std::span<const SimDistribution> dists) {
    std::vector<double> samples(dists.size(), 0.0);
    ClassicRandomSource& random = classicGenerator();
    const std::atomic<bool>& interrupt = *classicInterruptFlag();
    for (std::size_t i = 0; i < dists.size(); ++i) samples[i] = sampleDistribution(dists[i], random, interrupt);
    return samples;
}
