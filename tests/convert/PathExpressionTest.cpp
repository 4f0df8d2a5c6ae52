// The expression of one path: exact texts of small paths, their meaning as distribution
// functions in t, competitors (also on paths that leave a state twice), and the failures.

#include "ConvertTestSupport.hpp"

#include "distributions/Exponential.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <regex>

using namespace drova;

namespace {

TEST(PathExpression, OneExponentialStepIsItsDistributionFunction) {
    // Start --Exp(1)--> Busy, probability 1, nothing competing.
    const Expolynomial e = pathOf(konvModel("self-loop.gsms"), {{0, 0}});
    EXPECT_EQ(text(e), "-1*exp(-1*t)+1");
    for (int time : {0, 1, 3, 10}) EXPECT_NEAR(valueOf(e, time), 1 - std::exp(-time), 1e-15) << time;
}

TEST(PathExpression, BranchProbabilityIsOneFactorOutsideTheIntegrals) {
    // Fresh --Exp(2)--> End with probability 1/2 on each of two destinations.
    const Gsms model = konvModel("one-step.gsms");
    const Expolynomial half = pathOf(model, {{0, 1}});
    EXPECT_EQ(text(half), "-1/sym(2)*exp(-2*t)+1/sym(2)");
    EXPECT_NEAR(valueOf(half, 1), (1 - std::exp(-2.0)) / 2, 1e-15);
    EXPECT_EQ(half, pathOf(model, {{0, 0}}));
}

TEST(PathExpression, DeterministicStepStepsFromZeroToOneAtItsRemainingDelay) {
    const Gsms model = konvModel("one-step.gsms");
    // Aged: Deg(5) entered with age 2 fires after 3.
    const Expolynomial aged = pathOf(model, {{1, 0}});
    EXPECT_EQ(text(aged), "1*heaviside(t-3)");
    EXPECT_EQ(valueOf(aged, Rational(29, 10)), 0);
    EXPECT_EQ(valueOf(aged, Rational(31, 10)), 1);
    // Unknown: the age is absent, so the timer's own distribution is used.
    const Expolynomial unknown = pathOf(model, {{2, 0}});
    EXPECT_EQ(text(unknown), "1*heaviside(t-5)");
    EXPECT_EQ(valueOf(unknown, Rational(49, 10)), 0);
    EXPECT_EQ(valueOf(unknown, Rational(51, 10)), 1);
}

TEST(PathExpression, CompetingTransitionSurvivesTheStep) {
    // Start races Exp(2) to Left against Exp(3) to Right.
    const Gsms model = konvModel("race.gsms");
    EXPECT_EQ(text(pathOf(model, {{0, 0}})), "-2/sym(5)*exp(-5*t)+2/sym(5)");
    EXPECT_EQ(text(pathOf(model, {{1, 0}})), "-3/sym(5)*exp(-5*t)+3/sym(5)");
}

TEST(PathExpression, OnlyTheTimeVariableRemains) {
    const Expolynomial e = pathOf(konvModel("redundant3-uniform.gsms"), {{1, 0}, {3, 0}, {8, 0}});
    EXPECT_FALSE(std::regex_search(text(e), std::regex("t[0-9]"))) << text(e);
    EXPECT_FALSE(e.isZero());
}

TEST(PathExpression, PathThatLeavesAStateTwiceCountsEachCompetitorOnce) {
    // Start --Exp(1)--> Busy; Busy loops on Exp(2) (restarting it) or exits on Exp(3). The path
    // loop-then-exit has probability 2/5 * 3/5 = 6/25; counting the loop's timer as its own
    // competitor would give 2/7 * 3/5 = 6/35.
    const Gsms model = konvModel("self-loop.gsms");
    const Expolynomial loopThenExit = pathOf(model, {{0, 0}, {1, 0}, {2, 0}});
    EXPECT_EQ(text(loopThenExit), "3/sym(10)*exp(-5*t)*t^(1)+6/sym(25)-3/sym(8)*exp(-1*t)+27/sym(200)*exp(-5*t)");
    EXPECT_NEAR(valueOf(loopThenExit, 200), 6.0 / 25, 1e-15);
    // Leaving Busy once: the loop's timer competes with the exit.
    EXPECT_EQ(text(pathOf(model, {{0, 0}, {2, 0}})), "-3/sym(4)*exp(-1*t)+3/sym(20)*exp(-5*t)+3/sym(5)");
}

TEST(PathExpression, Failures) {
    const Gsms model = konvModel("self-loop.gsms");
    EXPECT_EQ(failure<std::out_of_range>([&] { pathOf(model, {}); }), "The path has no steps");
    EXPECT_EQ(failure<std::invalid_argument>([&] { pathOf(model, {{3, 0}}); }), "Transition 3 does not exist");
    EXPECT_EQ(failure<std::invalid_argument>([&] { pathOf(model, {{0, 0}, {3, 0}}); }),
              "Transition 3 does not exist");
    EXPECT_EQ(failure<std::out_of_range>([&] { pathOf(model, {{0, 1}}); }),
              "Destination 1 of transition 0 does not exist");
    // Timer 0 fired on the first step and was not restarted.
    EXPECT_EQ(failure<std::bad_optional_access>([&] { pathOf(model, {{0, 0}, {0, 0}}); }),
              "Timer 0 is not running where transition 0 needs its age");
    EXPECT_EQ(failure<std::invalid_argument>([&] { pathOf(konvModel("several-timers-exponential.gsms"), {{0, 0}}); }),
              "Transition 0 has several timers, so all its timers must be deterministic");
}

TEST(PathExpression, ActiveTimerTheModelLacksIsOutOfRange) {
    Gsms model;
    model.addState("A", false, {0, 4}, {Rational(0), Rational(0)});
    model.addState("B", true, {}, {});
    model.addTimer(Exponential(Rational(1)));
    model.addDestination(model.addTransition(0, {0}), 1, 1, {});
    EXPECT_EQ(failure<std::out_of_range>([&] { pathOf(model, {{0, 0}}); }), "Active timer 4 of state 0 does not exist");
    EXPECT_EQ(failure<std::out_of_range>([&] { ConversionContext(model).computeSmsMatrix(0, 0, false); }),
              "Active timer 4 of state 0 does not exist");
}

}  // namespace
