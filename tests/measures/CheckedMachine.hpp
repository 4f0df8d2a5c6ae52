#pragma once
// A non-Markovian model whose probabilities jump: a machine warms up for exactly 3, then runs;
// it fails at rate 1/2, and a check exactly 2 after each start finds a defect with
// probability 1/2 (down) or restarts the run. A repair takes exactly 2.
// SMS states (and GSMS states, one each): Warmup, Up, Down.

#include "NeumannSeries.hpp"

#include <cmath>

namespace measures_test {

inline const Rational CheckFailureRate{1, 2};

struct CheckedMachine {
    std::vector<std::vector<KernelMeasure>> kernel;
    std::vector<Expolynomial> occupancy;  // of each state in its own GSMS state
    SemiMarkovModel model;
};

inline CheckedMachine checkedMachine() {
    const Rational half(1, 2);
    const Rational rate = CheckFailureRate;
    // Surviving the run to the check, then either outcome: e^(-1) / 2.
    const Term checkOutcome(half, -2 * rate, {}, {}, {});
    CheckedMachine machine;
    machine.kernel.assign(3, std::vector<KernelMeasure>(3));
    machine.kernel[0][1].masses = {{Rational(3), Term(Rational(1))}};
    machine.kernel[1][1].masses = {{Rational(2), checkOutcome}};
    machine.kernel[1][2].density = sum({term(rate, "u", -rate, 0, {step("u", -1, 2)})});
    machine.kernel[1][2].masses = {{Rational(2), checkOutcome}};
    machine.kernel[2][1].masses = {{Rational(2), Term(Rational(1))}};

    machine.occupancy = {sum({term(1, "t"), term(-1, "t", 0, 0, {step("t", 1, -3)})}),
                         sum({term(1, "t", -rate), term(-1, "t", -rate, 0, {step("t", 1, -2)})}),
                         subtract(sum({term(1, "t")}), machine.kernel[2][1].distribution())};

    SemiMarkovModel& model = machine.model;
    model.states = {{"Warmup", false}, {"Up", false}, {"Down", true}};
    model.gsmsStates = model.states;
    model.kernel.assign(3, std::vector<Expolynomial>(3, zero()));
    model.occupancy.assign(3, std::vector<Expolynomial>(3, zero()));
    for (std::size_t i = 0; i < 3; ++i) {
        for (std::size_t j = 0; j < 3; ++j) model.kernel[i][j] = machine.kernel[i][j].distribution();
        model.occupancy[i][i] = machine.occupancy[i];
    }
    return machine;
}

// F(t) in closed form: after the warm-up, run k ends in a restart at the check with probability
// c = e^(-1)/2 each, so F(t) = sum_k c^k G(t - 3 - 2k), G(s) = 1 - e^(-s/2) for s < 2 and
// 1 - e^(-1)/2 from s = 2 on.
inline double checkedMachineFailure(const Rational& t) {
    const long double c = std::exp(-1.0L) / 2;
    long double failure = 0, weight = 1;
    for (Rational s = t - 3; s >= 0; s -= 2, weight *= c) {
        const long double runTime = s.convert_to<long double>();
        failure += weight * (s < 2 ? 1 - std::exp(-runTime / 2) : 1 - c);
    }
    return static_cast<double>(failure);
}

}  // namespace measures_test
