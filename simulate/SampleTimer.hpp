#pragma once
// The drawing of one timer value (simulate/SampleDistStruct.hpp), over any host type: the
// simulation instantiates it for the SimHost interface and for hosts whose draws the compiler
// can see through (final classes), so that a draw costs no call.

#include "simulate/SimHost.hpp"
#include "simulate/SimModel.hpp"

#include <atomic>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace drova::detail {

template <class Host>
double sampleTimer(const SimDistribution& dist, Host& host, const std::atomic<bool>& interrupt) {
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

}  // namespace drova::detail
