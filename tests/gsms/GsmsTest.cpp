#include "Failure.hpp"
#include "gsms/Gsms.hpp"

#include "distributions/Degenerate.hpp"
#include "distributions/Exponential.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

using namespace drova;

namespace {

using Indices = std::vector<std::uint64_t>;
using Delays = std::vector<std::optional<Rational>>;

// Three states, two timers, one transition 0 -> 1 on timer 0.
Gsms smallModel() {
    Gsms model;
    model.addState("A", false, {0, 1}, {Rational(0), Rational(2)});
    model.addState("B", true, {1}, {std::nullopt});
    model.addState("C", false, {}, {});
    model.addTimer(Exponential(Rational(1, 10)));
    model.addTimer(Degenerate(Rational(5)));
    model.addTransition(0, {0});
    return model;
}

TEST(Gsms, StatesRecordWhetherEveryAgeIsKnown) {
    Gsms model = smallModel();
    EXPECT_TRUE(model.state(0).allDelaysKnown);
    EXPECT_FALSE(model.state(1).allDelaysKnown);
    EXPECT_TRUE(model.state(2).allDelaysKnown);
    EXPECT_EQ(failure<std::invalid_argument>([&] { model.addState("D", false, {0, 1}, {Rational(0)}); }),
              "There is not a delay for each active timer");
    EXPECT_EQ(model.stateCount(), 3u);
}

TEST(Gsms, StatesOfTheSms) {
    Gsms model = smallModel();
    EXPECT_TRUE(model.isSmsState(0));   // ages known, with an outgoing transition
    EXPECT_TRUE(model.isSmsState(1));   // an unknown age but no outgoing transition
    EXPECT_TRUE(model.isSmsState(2));   // no active timers at all
    model.addTransition(1, {1});
    EXPECT_FALSE(model.isSmsState(1));  // an unknown age and an outgoing transition
    EXPECT_EQ(failure<std::invalid_argument>([&] { model.isSmsState(3); }), "State 3 does not exist");
}

TEST(Gsms, AddTransitionChecksSourceThenTimersAndChangesNothingOnFailure) {
    Gsms model = smallModel();
    EXPECT_EQ(failure<std::invalid_argument>([&] { model.addTransition(3, {7}); }), "State 3 does not exist");
    EXPECT_EQ(failure<std::invalid_argument>([&] { model.addTransition(0, {1, 2, 3}); }), "Timer 2 does not exist");
    EXPECT_EQ(model.transitionCount(), 1u);
    EXPECT_EQ(model.outgoingOf(0), Indices({0}));

    EXPECT_EQ(model.addTransition(0, {1}), 1u);
    EXPECT_EQ(model.outgoingOf(0), Indices({0, 1}));
    EXPECT_EQ(model.transition(1).source, 0u);
    EXPECT_EQ(model.transition(1).timers, Indices({1}));
    EXPECT_TRUE(model.transition(1).destinations.empty());
    EXPECT_EQ(failure<std::invalid_argument>([&] { model.transition(2); }), "Transition 2 does not exist");
}

TEST(Gsms, AddDestinationChecksInOrder) {
    Gsms model = smallModel();
    EXPECT_EQ(failure<std::invalid_argument>([&] { model.addDestination(1, 9, Rational(2), {9}); }), "Transition 1 does not exist");
    EXPECT_EQ(failure<std::invalid_argument>([&] { model.addDestination(0, 3, Rational(2), {9}); }), "State 3 does not exist");
    EXPECT_EQ(failure<std::invalid_argument>([&] { model.addDestination(0, 1, Rational(2), {1, 2}); }), "Timer 2 does not exist");
    EXPECT_EQ(failure<std::invalid_argument>([&] { model.addDestination(0, 1, Rational(3, 2), {}); }),
              "Probability 3/2 not in range [0, 1]");
    EXPECT_EQ(failure<std::invalid_argument>([&] { model.addDestination(0, 1, Rational(-1, 2), {}); }),
              "Probability -1/2 not in range [0, 1]");
    EXPECT_TRUE(model.transition(0).destinations.empty());

    EXPECT_EQ(model.addDestination(0, 1, Rational(0), {}), 0u);
    EXPECT_EQ(model.addDestination(0, 2, Rational(1), {1, 0}), 1u);
    const GsmsDestination& second = model.transition(0).destinations[1];
    EXPECT_EQ(second.target, 2u);
    EXPECT_EQ(second.probability, 1);
    EXPECT_EQ(second.restartedTimers, Indices({1, 0}));
}

TEST(Gsms, DelayOfUsesTheFirstPositionOfTheTimer) {
    Gsms model;
    model.addState("A", false, {1, 0, 1}, {Rational(4), std::nullopt, Rational(9)});
    model.addTimer(Exponential(Rational(1)));
    model.addTimer(Degenerate(Rational(10)));
    model.addTimer(Degenerate(Rational(10)));
    EXPECT_EQ(model.delayOf(0, 1), Rational(4));
    EXPECT_EQ(model.delayOf(0, 0), std::nullopt);  // unknown age
    EXPECT_EQ(model.delayOf(0, 2), std::nullopt);  // not active
    EXPECT_EQ(failure<std::invalid_argument>([&] { model.delayOf(1, 0); }), "State 1 does not exist");
    EXPECT_EQ(failure<std::invalid_argument>([&] { model.delayOf(0, 3); }), "Timer 3 does not exist");
}

TEST(Gsms, InitialStateMustExist) {
    Gsms model = smallModel();
    model.setInitialState(2);
    EXPECT_EQ(failure<std::invalid_argument>([&] { model.setInitialState(3); }), "State 3 does not exist");
    EXPECT_EQ(model.initialState(), 2u);
}

TEST(Gsms, OutgoingOrderIsByTimerCountAndStable) {
    Gsms model;
    model.addState("A", false, {}, {});
    for (int i = 0; i < 3; ++i) model.addTimer(Degenerate(Rational(1)));
    // Long enough that an unstable sort would be allowed to shuffle equal counts.
    std::vector<std::size_t> timerCounts;
    for (int i = 0; i < 40; ++i) timerCounts.push_back(1 + (i * 7) % 3);
    for (std::size_t count : timerCounts) model.addTransition(0, Indices(count, 0));
    model.orderOutgoing();

    Indices expected;
    for (std::size_t count = 1; count <= 3; ++count)
        for (std::uint64_t t = 0; t < timerCounts.size(); ++t)
            if (timerCounts[t] == count) expected.push_back(t);
    EXPECT_EQ(model.outgoingOf(0), expected);
    EXPECT_TRUE(model.hasFewerTimers(0, 1));   // 1 timer against 2
    EXPECT_FALSE(model.hasFewerTimers(1, 0));
    EXPECT_FALSE(model.hasFewerTimers(0, 3));  // equal counts
    EXPECT_EQ(failure<std::invalid_argument>([&] { model.hasFewerTimers(0, 40); }), "Transition 40 does not exist");
}

}  // namespace
