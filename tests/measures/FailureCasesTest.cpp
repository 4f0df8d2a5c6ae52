// Models for which a measure does not exist, and malformed input, fail with a message saying so.

#include "CheckedMachine.hpp"
#include "MeasuresTestSupport.hpp"

#include "measures/FailureProbability.hpp"
#include "measures/SteadyState.hpp"
#include "measures/TimeToFailure.hpp"
#include "measures/TransientProbabilities.hpp"

#include <gtest/gtest.h>

#include <functional>

namespace {

using namespace measures_test;
using namespace drova::measures;

std::string messageOf(const std::function<void()>& operation) {
    try {
        operation();
    } catch (const std::invalid_argument& e) {
        return e.what();
    }
    return "no error";
}

// Up -> Down after Exp(1), Down -> Up after Exp(1/2), one GSMS state each.
SemiMarkovModel repairable() {
    return ctmc({{0, 1}, {Rational(1, 2), 0}}, {{"Up", false}, {"Down", true}});
}

TEST(FailureCases, FailureMeasuresNeedAReachableDownState) {
    SemiMarkovModel noDown = repairable();
    noDown.states[1].down = false;
    EXPECT_EQ(messageOf([&] { timeToFailure(noDown); }),
              "The model has no down state, so it never fails: the failure probability and the mean time to failure "
              "do not exist");
    SemiMarkovModel unreachable = repairable();
    unreachable.kernel[0][1] = zero();
    EXPECT_EQ(messageOf([&] { failureProbability(unreachable, {Rational(1)}); }),
              "No down state can be entered from state 0 (Up), so the system never fails: the failure probability "
              "and the mean time to failure do not exist");
    EXPECT_EQ(messageOf([&] { failureProbability(repairable(), {Rational(-1, 2)}); }), "The time -1/2 is negative");
    EXPECT_EQ(messageOf([&] { timeToFailure(repairable(), 2); }),
              "The starting state 2 is not an SMS state (there are 2)");
}

TEST(FailureCases, AvailabilityNeedsRepairAndTheSteadyStateAUniqueClosedClass) {
    SemiMarkovModel noRepair = repairable();
    noRepair.kernel[1][0] = zero();
    noRepair.occupancy[1][1] = sum({term(1, "t")});
    const std::string neverLeft =
        "The down state 1 (Down) is never left once entered: availability needs repair out of the down states (use "
        "the failure probability instead)";
    EXPECT_EQ(messageOf([&] { transientProbabilities(noRepair, {Rational(1)}); }), neverLeft);
    EXPECT_EQ(messageOf([&] { steadyState(noRepair); }), neverLeft);

    // Up moves at once to one of two separate repairable pairs.
    SemiMarkovModel split = ctmc({{0, 1, 0, 1, 0}, {0, 0, 1, 0, 0}, {0, 1, 0, 0, 0}, {0, 0, 0, 0, 1}, {0, 0, 0, 1, 0}},
                                 {{"Start", false}, {"A", false}, {"AD", true}, {"B", false}, {"BD", true}});
    EXPECT_EQ(messageOf([&] { steadyState(split); }),
              "The embedded chain has 2 closed classes that can be entered from the initial state ({A, AD} and {B, "
              "BD}): the long run depends on which is entered, so there is no unique steady state");

    SemiMarkovModel lossy = repairable();
    lossy.kernel[0][1] = sum({term(Rational(1, 2), "t"), term(Rational(-1, 2), "t", -1)});
    EXPECT_EQ(messageOf([&] { steadyState(lossy); }),
              "The kernel row of state 0 (Up) sums to 0.500000 at infinity: probability is lost, so the process has "
              "no steady state");

    SemiMarkovModel noOccupancy = repairable();
    noOccupancy.gsmsStates.clear();
    noOccupancy.occupancy.clear();
    EXPECT_EQ(messageOf([&] { transientProbabilities(noOccupancy, {Rational(1)}); }),
              "The model has no GSMS states and occupancy, so its state probabilities and availability cannot be "
              "computed");
}

TEST(FailureCases, MalformedKernelsAndOccupancies) {
    SemiMarkovModel otherVariable = repairable();
    otherVariable.kernel[0][1] = sum({term(1, "x", -1)});
    EXPECT_EQ(messageOf([&] { timeToFailure(otherVariable); }),
              "Kernel entry (0, 1) depends on the variable x; only t is allowed");

    // heaviside(2 - t) is 1 at t = 2 itself: a distribution function cannot drop there.
    SemiMarkovModel leftContinuous = repairable();
    leftContinuous.kernel[0][1] = sum({term(1, "t"), term(-1, "t", 0, 0, {step("t", -1, 2)})});
    EXPECT_EQ(messageOf([&] { timeToFailure(leftContinuous); }),
              "Kernel entry (0, 1) is not right-continuous at t = 2: its value there differs from its limit from the "
              "right");

    SemiMarkovModel growing = repairable();
    growing.kernel[0][1] = sum({term(1, "t", 0, 1)});
    EXPECT_EQ(messageOf([&] { timeToFailure(growing); }),
              "Kernel entry (0, 1) does not settle to a limit as t grows, so it is not a distribution function");

    // Two competing transitions that both end up certain: a walk that forgot the competition.
    SemiMarkovModel overfull = repairable();
    overfull.kernel[0][0] = sum({term(1, "t", 0, 0, {step("t", 1, -5)})});
    EXPECT_EQ(messageOf([&] { failureProbability(overfull, {Rational(1)}); }),
              "The kernel row of state 0 (Up) sums to 2.000000 at infinity, more than 1: it is not a probability "
              "distribution");

    SemiMarkovModel wrongOccupancy = repairable();
    wrongOccupancy.occupancy[0][0] = sum({term(1, "t", -2)});
    EXPECT_EQ(messageOf([&] { steadyState(wrongOccupancy); }),
              "The occupancy of state 0 (Up) does not add up to the probability of not having left it");

    SemiMarkovModel instantLoop = repairable();
    instantLoop.kernel[0][0] = sum({term(1, "t")});
    instantLoop.kernel[0][1] = zero();
    instantLoop.kernel[1][0] = sum({term(1, "t")});
    instantLoop.occupancy[0][0] = zero();
    instantLoop.occupancy[1][1] = zero();
    EXPECT_EQ(messageOf([&] { transientProbabilities(instantLoop, {Rational(1)}); }),
              "The kernel has a cycle of transitions that takes no time and returns with probability 1, so the "
              "process never leaves it");

    SemiMarkovModel shortRow = repairable();
    shortRow.kernel[1].pop_back();
    EXPECT_EQ(messageOf([&] { timeToFailure(shortRow); }), "Row 1 of the kernel has 1 entries but needs 2");
}

}  // namespace
