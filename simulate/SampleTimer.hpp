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

// The value of F(x) - F(low) of an Expoly record's terms, each counted where its bounds hold.
inline double expolyIntegral(const std::vector<double>& p, double x) {
    double total = 0;
    for (std::size_t i = 2; i + 4 < p.size(); i += 5)
        if (x >= p[i + 3] && x <= p[i + 4]) total += p[i] * std::pow(x, p[i + 1]) * std::exp(p[i + 2] * x);
    return total;
}

// The GSMS kinds beyond the enumeration's: each an exact draw from its law (inversion for the
// Expoly density, to the precision of binary floating point).
template <class Host>
double sampleGsmsKind(const SimDistribution& dist, Host& host) {
    const std::vector<double>& p = dist.parameters;
    switch (dist.type) {
    case DistType::Erlang: {
        double total = 0;
        for (double k = 0; k < p[0]; ++k) total -= std::log(host.uniform());
        return total / p[1];
    }
    case DistType::HypoExp: {
        double total = 0;
        for (const double rate : p) total -= std::log(host.uniform()) / rate;
        return total;
    }
    case DistType::HyperExp: {
        const double u = host.uniform();
        std::size_t branch = 0;
        double cumulative = p[0];
        while (branch + 2 < p.size() && !(u < cumulative)) {
            branch += 2;
            cumulative += p[branch];
        }
        return -std::log(host.uniform()) / p[branch + 1];
    }
    case DistType::Expoly: {
        const double u = host.uniform();
        double low = p[0], high = p[1];
        if (std::isinf(high)) {
            high = low + 1;
            while (expolyIntegral(p, high) < u && high < 1e300) high = low + 2 * (high - low);
        }
        for (int i = 0; i < 200 && low < high; ++i) {
            const double middle = low + (high - low) / 2;
            if (middle == low || middle == high) break;
            (expolyIntegral(p, middle) < u ? low : high) = middle;
        }
        return low + (high - low) / 2;
    }
    case DistType::Weibull:
        return p[1] * std::pow(-std::log(host.uniform()), 1 / p[0]);
    case DistType::Gamma: {
        // Marsaglia and Tsang's method; a shape below 1 is raised by one and scaled back by u^(1/shape).
        const double shape = p[0] < 1 ? p[0] + 1 : p[0];
        const double d = shape - 1.0 / 3, c = 1 / std::sqrt(9 * d);
        double value;
        for (;;) {
            const double z = host.normal();
            const double v = 1 + c * z;
            if (v <= 0) continue;
            const double cube = v * v * v;
            if (std::log(host.uniform()) < z * z / 2 + d - d * cube + d * std::log(cube)) {
                value = d * cube;
                break;
            }
        }
        if (p[0] < 1) value *= std::pow(host.uniform(), 1 / p[0]);
        return value / p[1];
    }
    default: {
        // The normal law above 0: plain rejection while that accepts often, otherwise Robert's
        // exponential proposal for the tail beyond the standardised lower end a.
        const double mean = p[0], sd = p[1], a = -mean / sd;
        if (a <= 0.5) {
            for (;;) {
                const double z = host.normal();
                if (z > a) return mean + sd * z;
            }
        }
        const double alpha = (a + std::sqrt(a * a + 4)) / 2;
        for (;;) {
            const double z = a - std::log(host.uniform()) / alpha;
            if (host.uniform() <= std::exp(-(z - alpha) * (z - alpha) / 2)) return mean + sd * z;
        }
    }
    }
}

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
    case DistType::Erlang:
    case DistType::HypoExp:
    case DistType::HyperExp:
    case DistType::Expoly:
    case DistType::Weibull:
    case DistType::Gamma:
    case DistType::Normal:
        value = sampleGsmsKind(dist, host);
        break;
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
