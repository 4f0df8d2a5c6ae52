// Transient state probabilities and availability: against the matrix exponential, an exact
// series around the jumps of a non-Markovian model, and the long-run limit.

#include "CheckedMachine.hpp"
#include "MeasuresTestSupport.hpp"
#include "NeumannSeries.hpp"

#include "measures/SteadyState.hpp"
#include "measures/TransientProbabilities.hpp"

#include <gtest/gtest.h>
#include <unsupported/Eigen/MatrixFunctions>

namespace {

using namespace measures_test;
using drova::measures::steadyState;
using drova::measures::transientProbabilities;

TEST(TransientProbabilities, MarkovKernelMatchesTheMatrixExponential) {
    // Two units failing at rate 1/10 each, repaired at rate 1 one at a time; both failed is down.
    const std::vector<std::vector<Rational>> rates = {{0, Rational(1, 5), 0}, {1, 0, Rational(1, 10)}, {0, 1, 0}};
    const SemiMarkovModel model = ctmc(rates, {{"BothUp", false}, {"OneUp", false}, {"Down", true}});
    Eigen::Matrix<long double, 3, 3> q;
    q << -0.2L, 0.2L, 0, 1, -1.1L, 0.1L, 0, 1, -1;
    const std::vector<Rational> times = {Rational(1, 2), 1, 5, 20, 100};
    const auto result = transientProbabilities(model, times);
    for (std::size_t k = 0; k < times.size(); ++k) {
        SCOPED_TRACE("t = " + toText(times[k]));
        const Eigen::Matrix<long double, 3, 3> transition = (q * times[k].convert_to<long double>()).exp();
        for (std::size_t s = 0; s < 3; ++s)
            EXPECT_NEAR(result.states[s][k], transition(0, s), 1e-10 * transition(0, s));
        EXPECT_NEAR(result.availability[k], transition(0, 0) + transition(0, 1), 1e-10);
        EXPECT_NEAR(result.unavailability[k], transition(0, 2), 1e-10 * transition(0, 2));
    }
}

TEST(TransientProbabilities, FollowTheJumpsOfADeterministicCheck) {
    const CheckedMachine machine = checkedMachine();
    const Rational horizon(15, 2);
    // One series per GSMS state s, with forcing E_is (only state s's own sojourn is in s).
    const auto series = [&](std::size_t s) {
        std::vector<Expolynomial> forcing(3, zero());
        forcing[s] = machine.occupancy[s];
        return neumannSeries(machine.kernel, forcing, horizon)[0];
    };
    const Expolynomial upSeries = series(1), downSeries = series(2);

    std::vector<Rational> times = {Rational(1), Rational(3) - Rational(1, 1000000000000), 3, Rational(7, 2)};
    for (int check : {5, 7})
        for (const Rational& offset : {Rational(-1, 1000000000), Rational(0), Rational(1, 1000000000)})
            times.push_back(Rational(check) + offset);
    times.push_back(horizon);
    const auto result = transientProbabilities(machine.model, times);
    for (std::size_t k = 0; k < times.size(); ++k) {
        SCOPED_TRACE("t = " + toText(times[k]));
        const double warmup = valueAt(machine.occupancy[0], times[k]);  // nothing returns to the warm-up
        const double up = valueAt(upSeries, times[k]);
        const double down = valueAt(downSeries, times[k]);
        EXPECT_NEAR(warmup + up + down, 1.0, 1e-14);  // the reference is consistent
        EXPECT_NEAR(result.states[0][k], warmup, 1e-10 * warmup);
        EXPECT_NEAR(result.states[1][k], up, 1e-10 * up);
        EXPECT_NEAR(result.states[2][k], down, 1e-10 * down);
        EXPECT_NEAR(result.availability[k], warmup + up, 1e-10 * (warmup + up));
        EXPECT_NEAR(result.unavailability[k], down, 1e-10 * down);
    }
    // Nothing can be down before the first check: exactly 0, not merely small.
    EXPECT_EQ(result.unavailability[1], 0.0);
    EXPECT_EQ(result.unavailability[2], 0.0);
    EXPECT_EQ(result.availability[1], 1.0);
}

TEST(TransientProbabilities, AvailabilityTendsToTheSteadyState) {
    const SemiMarkovModel model = checkedMachine().model;
    const double longRun = steadyState(model).availability;
    const auto result = transientProbabilities(model, {Rational(200)});
    EXPECT_NEAR(result.availability[0], longRun, 1e-11);
}

}  // namespace
