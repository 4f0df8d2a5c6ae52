// The walk that builds the SMS kernel: numbering, truncation and collection, the choice of the
// transitions that fire, the ageing of timers, the failures, and the meaning of the kernel.

#include "ConvertTestSupport.hpp"

#include "convert/KernelMatrixText.hpp"

#include <gtest/gtest.h>

#include <cmath>

using namespace drova;

namespace {

std::string kernelText(const std::string& model, const Rational& timeBound = 0, double threshold = 0,
                       bool collect = false) {
    const Gsms gsms = konvModel(model);
    return kernelMatrixText(ConversionContext(gsms).computeSmsMatrix(timeBound, threshold, collect));
}

TEST(SmsMatrix, StatesOfTheSmsAreNumberedInIndexOrder) {
    // Up, Fresh1..Fresh3 are states of the SMS; Busy2 and Busy3 (unknown repair age) are not.
    const Gsms model = konvModel("redundant3-deterministic.gsms");
    const ConversionContext context(model);
    EXPECT_EQ(context.smsIndex(), (std::vector<std::uint64_t>{0, 1, 2, 3, 4, 4}));
    EXPECT_EQ(context.smsCount(), 4u);
    // No state of the SMS: no rows.
    EXPECT_EQ(kernelText("no-sms.gsms"), "[]");
    EXPECT_EQ(kernelText("no-sms.gsms", 0, 0, true), "[0 \n]");
}

TEST(SmsMatrix, StateWithoutOutgoingTransitionsHasAZeroRowButReceivesPaths) {
    // End has an unknown timer age and no outgoing transition: a state of the SMS, not an error.
    EXPECT_EQ(kernelText("one-step.gsms"), "[0 0 1-1*exp(-2*t) \n0 0 1*heaviside(t-3) \n0 0 0 \n]");
}

TEST(SmsMatrix, SingleNonZeroTermGoesOnWalking) {
    // Start --Deg(5)--> Wait leaves the lone term heaviside(t-5); the walk must go on to End.
    EXPECT_EQ(kernelText("lone-heaviside.gsms"),
              "[0 -1*exp(sym(5))*exp(-1*t)*heaviside(t-5)+1*heaviside(t-5) \n0 0 \n]");
}

TEST(SmsMatrix, TruncationCutsAtStatesOutsideTheSms) {
    // Threshold 1 lies above every value at t = 1: every path is cut at DownRepairA/B.
    const std::string direct = "1*exp(-3/sym(125))*heaviside(t-24)";
    const std::string upRow = "0 1/sym(2)-1/sym(2)*exp(-1/sym(500)*t) 1/sym(2)-1/sym(2)*exp(-1/sym(500)*t) ";
    EXPECT_EQ(kernelText("examples/redundant.gsms", 1, 1, false),
              "[" + upRow + "\n" + direct + " 0 0 \n" + direct + " 0 0 \n]");
    const std::string cut =
        "1-1*exp(-3/sym(125))*heaviside(t-24)-1*exp(-1/sym(1000)*t)+1*exp(-1/sym(1000)*t)*heaviside(t-24)";
    EXPECT_EQ(kernelText("examples/redundant.gsms", 1, 1, true),
              "[" + upRow + "0 \n" + direct + " 0 0 " + cut + " \n" + direct + " 0 0 " + cut + " \n0 0 0 0 \n]");
    // Time bound 0: nothing is cut, whatever the threshold.
    const std::string throughDown = "-1*exp(-3/sym(125))*heaviside(t-24)+1*heaviside(t-24)";
    EXPECT_EQ(kernelText("examples/redundant.gsms", 0, 1, true),
              "[" + upRow + "0 \n" + direct + " 0 " + throughDown + " 0 \n" + direct + " " + throughDown +
                  " 0 0 \n0 0 0 0 \n]");
}

TEST(SmsMatrix, CollectedPathsKeepTheirMass) {
    // Loop forever on Exp(2) in Busy: cut paths go to the last column, and the row still sums to 1.
    const Gsms model = konvModel("self-loop.gsms");
    ConversionContext context(model);
    const KernelMatrix kernel = context.computeSmsMatrix(1, 1e-3, true);
    ASSERT_EQ(kernel.size(), 3u);
    EXPECT_NEAR(valueOf(kernel[0][1], 1000) + valueOf(kernel[0][2], 1000), 1, 1e-15);
    EXPECT_EQ(text(kernel[0][2]).rfind("64/sym(15625)", 0), 0u) << text(kernel[0][2]);  // (2/5)^6 at infinity
    EXPECT_GT(context.pathsWalked(), 6u);
}

TEST(SmsMatrix, PathLengthIsLimitedForEveryTimeBound) {
    // Loop never ends in a state of the SMS and its deterministic paths never vanish: without a
    // time bound that cuts them off (none, or a threshold below 0) the cycle is refused at once.
    const Gsms model = konvModel("deterministic-cycle.gsms");
    const std::string endless =
        "The walk met a cycle through states outside the SMS that it would follow without end: state 1 (Loop) -> "
        "state 1 (Loop); give a positive time bound and threshold so that long paths are cut off";
    EXPECT_EQ(failure<std::invalid_argument>([&] { ConversionContext(model, 20).computeSmsMatrix(0, 0, false); }),
              endless);
    EXPECT_EQ(failure<std::invalid_argument>([&] { ConversionContext(model, 20).computeSmsMatrix(5, -1, false); }),
              endless);
    // Loop of Deg(1) steps that a Deg(61/2) timer running through it ends after 29 rounds: a cycle
    // that ends, walked to its end, or stopped by the length of its paths.
    const Gsms bounded = konvModel("bounded-cycle.gsms");
    EXPECT_EQ(text(ConversionContext(bounded).computeSmsMatrix(0, 0, false)[0][1]), "1*heaviside(t-61/sym(2))");
    EXPECT_EQ(failure<std::invalid_argument>([&] { ConversionContext(bounded, 20).computeSmsMatrix(0, 0, false); }),
              "A path of more than 20 steps was met; give a positive time bound and threshold so that long paths are "
              "cut off");
    // At t = 5 the paths of six steps or more are worth 0 and are cut.
    const KernelMatrix kernel = ConversionContext(model, 20).computeSmsMatrix(5, 0, true);
    EXPECT_EQ(text(kernel[0][1]), "1*heaviside(t-6)");
}

TEST(SmsMatrix, SeveralDeterministicTimersFireTogetherWhenTheirRemainingTimesAgree) {
    // Start: Deg(5) timers 0 and 1; transitions 0 (timer 0), 1 (timer 1), 2 (both).
    const Gsms model = konvModel("joined-deterministic.gsms");
    const ConversionContext context(model);
    const TimerAges equal{LinearForm(), LinearForm()};
    EXPECT_EQ(context.enabledTransitions(0, equal), (std::vector<std::uint64_t>{2}));
    const TimerAges unequal{LinearForm(), LinearForm(Rational(1))};
    EXPECT_EQ(context.enabledTransitions(0, unequal), (std::vector<std::uint64_t>{1, 0}));
    const TimerAges symbolic{LinearForm(std::string("t3")), LinearForm(std::string("t3"))};
    EXPECT_EQ(context.enabledTransitions(0, symbolic), (std::vector<std::uint64_t>{2}));
    EXPECT_EQ(kernelText("joined-deterministic.gsms"),
              "[0 0 0 1*heaviside(t-5) \n0 0 0 0 \n0 0 0 0 \n0 0 0 0 \n]");
}

TEST(SmsMatrix, TransitionsFiringAtTheSameInstantAreRejected) {
    const std::string need = " fire at the same instant; simultaneous deterministic firings need one transition with "
                             "several timers";
    // Two transitions on one exponential timer.
    EXPECT_EQ(failure<std::invalid_argument>([] { kernelText("same-timer.gsms"); }),
              "Transitions 0 and 1 of state 0" + need);
    // Two deterministic timers with equal remaining times and no transition joining them.
    EXPECT_EQ(failure<std::invalid_argument>([] { kernelText("equal-deterministic.gsms"); }),
              "Transitions 0 and 1 of state 0" + need);
    const Gsms model = konvModel("equal-deterministic.gsms");
    const ConversionContext context(model);
    EXPECT_EQ(context.enabledTransitions(0, {LinearForm(Rational(1)), LinearForm()}),
              (std::vector<std::uint64_t>{1, 0}));
    // Unequal remaining times: the joined transition is not enabled, the single ones fire apart.
    const Gsms joined = konvModel("joined-deterministic.gsms");
    EXPECT_EQ(failure<std::invalid_argument>(
                  [&] { ConversionContext(joined).enabledTransitions(0, {LinearForm(std::string("t1")), LinearForm()}); }),
              "no error");
}

TEST(SmsMatrix, SeveralTimersMustAllBeDeterministic) {
    EXPECT_EQ(failure<std::invalid_argument>([] { kernelText("several-timers-exponential.gsms"); }),
              "Transition 0 has several timers, so all its timers must be deterministic");
}

TEST(SmsMatrix, FiringAgesTheRunningTimers) {
    // Timers: 0 Deg(5), 1 Deg(5); transition 0 fires on timer 0.
    const Gsms model = konvModel("joined-deterministic.gsms");
    const ConversionContext context(model);
    // A deterministic timer fires after its delay minus its age.
    const TimerAges fired = context.fire({LinearForm(Rational(2)), LinearForm(std::string("t1"))}, 0, "t9");
    EXPECT_EQ(fired[0], std::nullopt);
    EXPECT_EQ(fired[1], LinearForm({{"t1", 1}}, 3));
    // A drawn delay fires after the fresh variable.
    const Gsms race = konvModel("race.gsms");
    const TimerAges raced = ConversionContext(race).fire({LinearForm(), LinearForm(Rational(1))}, 0, "t9");
    EXPECT_EQ(raced[0], std::nullopt);
    EXPECT_EQ(raced[1], LinearForm({{"t9", 1}}, 1));
    EXPECT_EQ(failure<std::bad_optional_access>([&] { context.fire({std::nullopt, LinearForm()}, 0, "t9"); }),
              "Timer 0 is not running where transition 0 needs its age");
}

// Without truncation, and with no cycle outside the SMS, a kernel row holds the distribution
// functions of where the process goes next: at a large t they add up to 1.
TEST(SmsMatrix, RowsSumToOneAtLargeTimes) {
    for (const char* name : {"examples/machine.gsms", "examples/maintenance.gsms", "examples/redundant.gsms",
                             "redundant3-deterministic.gsms", "redundant3-uniform.gsms", "race.gsms",
                             "lone-heaviside.gsms", "one-step.gsms", "joined-deterministic.gsms",
                             "examples/assembly.gsms", "joined-outruns-uniform.gsms", "tie-unreachable.gsms"}) {
        const Gsms model = konvModel(name);
        ConversionContext context(model);
        const KernelMatrix kernel = context.computeSmsMatrix(0, 0, false);
        for (std::uint64_t state = 0; state < model.stateCount(); ++state) {
            if (!model.isSmsState(state) || model.outgoingOf(state).empty()) continue;
            double sum = 0;
            for (const Expolynomial& entry : kernel[context.smsIndex()[state]]) sum += valueOf(entry, 1000000);
            EXPECT_NEAR(sum, 1, 1e-12) << name << " state " << state;
        }
    }
}

}  // namespace

namespace {

TEST(SmsMatrix, TheComputationKeepsWithinItsBudget) {
    const Gsms selfLoop = konvModel("self-loop.gsms");
    const std::string advice =
        "; give a positive time bound and threshold so that long paths are cut off, a shorter path, or a higher "
        "term limit";
    // Without a time bound the walk round the loop would never end: it is refused at once.
    EXPECT_EQ(failure<std::invalid_argument>([&] { ConversionContext(selfLoop, 1000, 2000).computeSmsMatrix(0, 0, false); }),
              "The walk met a cycle through states outside the SMS that it would follow without end: state 1 (Busy) -> "
              "state 1 (Busy); give a positive time bound and threshold so that long paths are cut off");
    // A long path round the loop, in the path form.
    Path loops{{0, 0}};
    for (int i = 0; i < 12; ++i) loops.push_back({1, 0});
    EXPECT_NE(failure<std::invalid_argument>([&] { ConversionContext(selfLoop, 1000, 1000).pathExpression(loops); })
                  .find(advice),
              std::string::npos);
    // The walk holds what its budget allows, and takes no longer than its time limit when it has one.
    const std::string held = failure<std::invalid_argument>(
        [&] { ConversionContext(selfLoop, 1000, DefaultTermLimit, HeldBudget{1 << 20, 0}).pathExpression(loops); });
    EXPECT_EQ(held, "The computation held more than 1 MB of memory (the memory limit); give a positive time bound and "
                    "threshold so that long paths are cut off, a shorter path, or a higher memory limit");
    const std::string slow = failure<std::invalid_argument>(
        [&] { ConversionContext(selfLoop, 1000, DefaultTermLimit, HeldBudget{std::uint64_t{1} << 40, 1e-3}).pathExpression(loops); });
    EXPECT_EQ(slow, "The computation took more than 0.001 seconds (the time limit); give a positive time bound and "
                    "threshold so that long paths are cut off, a shorter path, or a higher time limit");
    // The path form has the walk's length limit.
    EXPECT_EQ(failure<std::invalid_argument>([&] { ConversionContext(selfLoop, 12).pathExpression(loops); }),
              "The path has 13 steps, more than the limit of 12");
    // The kernel's entries are counted before they are made: 4 states of the SMS, 16 entries.
    EXPECT_EQ(failure<std::invalid_argument>(
                  [] { ConversionContext(konvModel("redundant3-uniform.gsms"), 1000, 15).computeSmsMatrix(0, 0, false); }),
              "The kernel of 4 states would have 16 entries, more than the limit of 15 terms");
}

}  // namespace
