#pragma once
// The keyed random numbers of the parallel simulation: every run draws from its own substream,
// a function of the seed and the run's index alone, so that a run's numbers do not depend on
// which thread or process simulates it, nor on the runs before it.
//
// The generator is Philox2x64-10, counter based: block b of run r is
// Philox2x64-10(counter {b, r}, key 0x44524F56 * 2^32 + seed) and gives two 64-bit words, used in
// order. (Two-word blocks: a run starts on a fresh block, and short runs draw only a few words.) A uniform number takes one word x and is (x >> 11) / 2^53; like the MATLAB
// stream's uniforms it lies strictly between 0 and 1 on the grid of 2^-53, so an exact 0 is
// discarded and the next word used. Normal numbers come from these uniforms by the polar method
// of host/classic/ClassicRandom.hpp.

#include <Random123/philox.h>

#include <cmath>
#include <cstdint>

namespace drova {

class PhiloxStream {
public:
    // The key's upper half sets these streams apart from other uses of the generator.
    static constexpr std::uint64_t KeyTag = 0x44524F56ull << 32;

    explicit PhiloxStream(std::uint32_t seed) : key_{{KeyTag | seed}} {}

    // Moves to the start of run `run`'s substream.
    void startRun(std::uint64_t run) {
        counter_ = {{0, run}};
        next_ = Words;
    }

    double uniform() {
        for (;;) {
            if (next_ == Words) {
                block_ = Generator()(counter_, key_);
                ++counter_.v[0];
                next_ = 0;
            }
            const std::uint64_t word = block_.v[next_++];
            const double u = static_cast<double>(word >> 11) * 0x1p-53;
            if (u != 0.0) return u;
        }
    }

    double normal() {
        for (;;) {
            double v1 = 2.0 * uniform() - 1.0;
            double v2 = 2.0 * uniform() - 1.0;
            double s = v1 * v1 + v2 * v2;
            if (s < 1.0 && s != 0.0) return v1 * std::sqrt(-2.0 * std::log(s) / s);
        }
    }

private:
    using Generator = r123::Philox2x64;
    static constexpr unsigned Words = 2;

    Generator::key_type key_;
    Generator::ctr_type counter_{{0, 0}};
    Generator::ctr_type block_{{0, 0}};
    unsigned next_ = Words;
};

}  // namespace drova
