#pragma once
// The host's random numbers.
//
// The host's generator reproduces the default stream of the MATLAB session:
// the 32-bit Mersenne Twister MT19937, seeded with init_genrand(5489) for
// seed 0 and init_genrand(S) for any other seed S. A uniform number takes two
// 32-bit outputs x1, x2 and is ((x1 >> 5) * 2^26 + (x2 >> 6)) / 2^53; like the
// host's rand it lies strictly between 0 and 1, so an exact 0 is discarded
// and drawn again (once in 2^53 draws).
//
// Normal numbers come from the same uniform stream by the Marsaglia polar
// method: draw u1, u2, let v1 = 2 u1 - 1, v2 = 2 u2 - 1 and s = v1^2 + v2^2;
// while s >= 1 or s == 0 draw a fresh pair; the number is
// v1 * sqrt(-2 ln(s) / s). The second value the method yields is not kept, so
// the generator's whole state is the uniform stream.

#include <cstddef>
#include <cstdint>
#include <random>

namespace drova {

// A source of the host's random numbers. Tests substitute their own.
class ClassicRandomSource {
public:
    virtual ~ClassicRandomSource() = default;
    // A uniform number strictly between 0 and 1.
    virtual double uniform() = 0;
    // A standard normal number; by default the polar method over uniform().
    virtual double normal();
};

class MersenneTwisterSource final : public ClassicRandomSource {
public:
    explicit MersenneTwisterSource(std::uint32_t seed = 0) { reseed(seed); }
    // Restarts the stream: seed 0 stands for init_genrand(5489).
    void reseed(std::uint32_t seed) { engine_.seed(seed == 0 ? 5489u : seed); }
    double uniform() override;

private:
    // std::mt19937 with 32-bit words: the same generator and the same
    // init_genrand seeding, but five times faster than the 64-bit words
    // std::mt19937 keeps on this platform.
    using Engine = std::mersenne_twister_engine<std::uint32_t, 32, 624, 397, 31, 0x9908b0dfu, 11, 0xffffffffu, 7,
                                                0x9d2c5680u, 15, 0xefc60000u, 18, 1812433253u>;
    Engine engine_;
};

// The source the host currently draws from.
ClassicRandomSource& classicGenerator();
// Restarts the host's own generator with the seed and makes it current.
void classicSeedGenerator(std::uint32_t seed);
// Makes the given source current (nullptr: the host's own generator); returns
// the previously current source. The caller keeps ownership.
ClassicRandomSource* classicUseRandomSource(ClassicRandomSource* source);

// Fill n doubles, in order, with uniform or standard normal numbers.
void classicRandu(double* out, std::size_t n);
void classicRandn(double* out, std::size_t n);
double classicRandu();
double classicRandn();

}  // namespace drova
