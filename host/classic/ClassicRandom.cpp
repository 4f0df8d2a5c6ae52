#include "host/classic/ClassicRandom.hpp"

#include <cmath>

namespace drova {

namespace {

MersenneTwisterSource hostGenerator;
ClassicRandomSource* currentSource = &hostGenerator;

}  // namespace

double ClassicRandomSource::normal() {
    for (;;) {
        double v1 = 2.0 * uniform() - 1.0;
        double v2 = 2.0 * uniform() - 1.0;
        double s = v1 * v1 + v2 * v2;
        if (s < 1.0 && s != 0.0) return v1 * std::sqrt(-2.0 * std::log(s) / s);
    }
}

double MersenneTwisterSource::uniform() {
    for (;;) {
        std::uint32_t x1 = engine_() >> 5;
        std::uint32_t x2 = engine_() >> 6;
        double u = (x1 * 67108864.0 + x2) * (1.0 / 9007199254740992.0);
        if (u != 0.0) return u;
    }
}

ClassicRandomSource& classicGenerator() { return *currentSource; }

void classicSeedGenerator(std::uint32_t seed) {
    hostGenerator.reseed(seed);
    currentSource = &hostGenerator;
}

ClassicRandomSource* classicUseRandomSource(ClassicRandomSource* source) {
    ClassicRandomSource* previous = currentSource;
    currentSource = source != nullptr ? source : &hostGenerator;
    return previous;
}

void classicRandu(double* out, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) out[i] = currentSource->uniform();
}

void classicRandn(double* out, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) out[i] = currentSource->normal();
}

double classicRandu() { return currentSource->uniform(); }
double classicRandn() { return currentSource->normal(); }

}  // namespace drova
