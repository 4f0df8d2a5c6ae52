// The steady state against closed forms.

#include "CheckedMachine.hpp"
#include "MeasuresTestSupport.hpp"

#include "measures/HighPrecision.hpp"
#include "measures/SteadyState.hpp"

#include <gtest/gtest.h>

namespace {

using namespace measures_test;
using drova::measures::HighPrecision;
using drova::measures::steadyState;

TEST(SteadyState, CheckedMachineMatchesTheRenewalRewardFormula) {
    // Per visit to Up: a run of mean tau = 2 (1 - e^(-1)); it is followed by a repair of mean 2
    // with probability 1 - c, c = e^(-1)/2. The warm-up is transient.
    const HighPrecision c = exp(HighPrecision(-1)) / 2;
    const HighPrecision run = 2 * (1 - exp(HighPrecision(-1)));
    const double availability = (run / (run + (1 - c) * 2)).convert_to<double>();
    const auto result = steadyState(checkedMachine().model);
    EXPECT_NEAR(result.availability, availability, 1e-15);
    EXPECT_NEAR(result.unavailability, 1 - availability, 1e-15);
    EXPECT_EQ(result.states[0], 0.0);
    EXPECT_EQ(result.embedded[0], 0.0);
    EXPECT_NEAR(result.embedded[1], (1 / (2 - c)).convert_to<double>(), 1e-15);
    EXPECT_NEAR(result.meanSojourn[1], run.convert_to<double>(), 1e-15);
    EXPECT_NEAR(result.meanSojourn[2], 2.0, 1e-15);
    EXPECT_TRUE(std::isnan(result.meanSojourn[0]));
}

TEST(SteadyState, MarkovKernelMatchesTheGeneratorsNullVector) {
    // Birth-death chain 0 <-> 1 <-> 2 with rates 1/5, 1/10 up and 1, 1 down: pi proportional to
    // 1, 1/5, 1/50.
    const std::vector<std::vector<Rational>> rates = {{0, Rational(1, 5), 0}, {1, 0, Rational(1, 10)}, {0, 1, 0}};
    const auto result = steadyState(ctmc(rates, {{"BothUp", false}, {"OneUp", false}, {"Down", true}}));
    const double total = 1 + 0.2 + 0.02;
    EXPECT_NEAR(result.states[0], 1 / total, 1e-15);
    EXPECT_NEAR(result.states[1], 0.2 / total, 1e-15);
    EXPECT_NEAR(result.states[2], 0.02 / total, 1e-15);
    EXPECT_NEAR(result.availability, 1.2 / total, 1e-15);
}

TEST(SteadyState, DeterministicCycleGivesTheTimeAverage) {
    // Up for exactly 1, down for exactly 2, without occupancy: the SMS flags decide.
    SemiMarkovModel model;
    model.states = {{"Up", false}, {"Down", true}};
    model.kernel = {{zero(), sum({term(1, "t", 0, 0, {step("t", 1, -1)})})},
                    {sum({term(1, "t", 0, 0, {step("t", 1, -2)})}), zero()}};
    const auto result = steadyState(model);
    EXPECT_NEAR(result.availability, 1.0 / 3, 1e-15);
    EXPECT_NEAR(result.smsTimeFractions[1], 2.0 / 3, 1e-15);
    EXPECT_TRUE(result.states.empty());
}

}  // namespace
