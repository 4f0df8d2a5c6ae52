// The Monte Carlo runs with chosen random numbers: order of draws, selection
// of the firing transition, stopping and restarting timers, the horizon, and
// the errors that end the call.

#include "SimulateTestSupport.hpp"

#include "host/classic/ClassicChecks.hpp"
#include "host/classic/ClassicRuntime.hpp"
#include "simulate/SimulateGSMS.hpp"

#include <cmath>
#include <limits>

using namespace drova;

namespace {

constexpr double Inf = std::numeric_limits<double>::infinity();
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

using Ids = std::vector<std::int64_t>;

// States 1 .. n-1 as given, plus a last state "Down".
SimModel model(std::vector<Ids> outgoing, Ids initialTimers, std::vector<SimDistribution> timers,
               std::vector<SimTransition> transitions) {
    SimModel m;
    for (Ids& out : outgoing) m.States.push_back({"S", false, std::move(out)});
    m.States.push_back({"Down", true, {}});
    m.Initial = {1, std::move(initialTimers)};
    m.Distributions = std::move(timers);
    m.Transitions = std::move(transitions);
    return m;
}

// One timer: state 1 goes down when it expires.
SimModel oneTimer(SimDistribution timer) {
    return model({{1}}, {1}, {std::move(timer)}, {{1, {1}, {{2, 1.0, {}}}}});
}

}  // namespace

TEST(SimulateGSMS, EachRunDrawsItsTimerThenItsDestination) {
    ScriptedRandom draws({U(std::exp(-1.0)), U(0.9), U(0.5), U(0.1)});
    std::vector<double> times = simulateGSMS(2, Inf, oneTimer(dist(DistType::Exp, {2.0})));
    ASSERT_EQ(times.size(), 2u);
    EXPECT_DOUBLE_EQ(times[0], 0.5);
    EXPECT_DOUBLE_EQ(times[1], -std::log(0.5) / 2.0);
    EXPECT_TRUE(draws.finished());
}

TEST(SimulateGSMS, DrawsFollowInitialTimersThenDestinationThenNewTimers) {
    // State 1 waits for timer 2 (Deg 1); r = 0.3 against 0.3 / 0.7 picks the
    // second destination, state 2, which restarts timers 4 and 1. State 2 then
    // fires on timer 4 (Uni(0, 4) with u = 0.25, so 1) before timer 3.
    SimModel m = model({{1}, {2, 3}}, {1, 2, 3},
                       {dist(DistType::Exp, {1.0}), dist(DistType::Deg, {1.0}), dist(DistType::Lognormal, {0.0, 1.0}),
                        dist(DistType::Uni, {0.0, 4.0})},
                       {{1, {2}, {{3, 0.3, {}}, {2, 0.7, {4, 1}}}}, {2, {4}, {{3, 1.0, {}}}}, {2, {3}, {{3, 1.0, {}}}}});
    ScriptedRandom draws({U(std::exp(-10.0)), N(5.0), U(0.3), U(0.25), U(std::exp(-10.0)), U(0.5)});
    EXPECT_EQ(simulateGSMS(1, Inf, m), std::vector<double>{2.0});
    EXPECT_EQ(draws.drawn, "unuuuu");
}

TEST(SimulateGSMS, DestinationIsTheFirstWhoseCumulativeProbabilityExceedsTheDraw) {
    SimTransition t{1, {1}, {{7, 0.3, {}}, {8, 0.7, {}}}};
    ScriptedRandom draws({U(0.3), U(0.2999999), U(0.99)});
    EXPECT_EQ(getDestinationState(t).Target, 8);
    EXPECT_EQ(getDestinationState(t).Target, 7);
    EXPECT_EQ(getDestinationState(t).Target, 8);
}

TEST(SimulateGSMS, HorizonCensorsOnlyTimesStrictlyBeyondIt) {
    SimModel m = oneTimer(dist(DistType::Deg, {2.0}));
    {
        ScriptedRandom draws({U(0.5)});
        EXPECT_EQ(simulateGSMS(1, 2.0, m), std::vector<double>{2.0});
    }
    {
        ScriptedRandom draws({U(0.5)});
        EXPECT_EQ(simulateGSMS(1, NaN, m), std::vector<double>{2.0});
    }
    for (double horizon : {1.999, -1.0}) {
        ScriptedRandom noDraws;  // a censored transition draws no destination
        EXPECT_TRUE(simulateGSMS(3, horizon, m).empty());
    }
    // An infinite timer value reaches the down state at +Inf: dropped like a censored run.
    ScriptedRandom draws({U(0.5), U(0.5)});
    EXPECT_TRUE(simulateGSMS(1, Inf, oneTimer(dist(DistType::Exp, {0.0}))).empty());
    EXPECT_EQ(draws.drawn, "uu");
}

TEST(SimulateGSMS, InitialDownStateGivesZerosWithoutDrawing) {
    SimModel m = oneTimer(dist(DistType::Exp, {1.0}));
    m.Initial.InitialState = 2;
    ScriptedRandom noDraws;
    EXPECT_EQ(simulateGSMS(3, 1.0, m), std::vector<double>(3, 0.0));
    EXPECT_TRUE(simulateGSMS(0, 1.0, m).empty());
    m.Initial.InitialState = 5;
    EXPECT_EQ(expectClassicError([&] { simulateGSMS(0, 1.0, m); }).parameters(),
              (std::vector<std::string>{"5", "1", "2", "gsms.States"}));
    EXPECT_EQ(expectClassicError([&] { simulateGSMS(-1, 1.0, m); }).identifier(), ClassicNonNegativeErrorId);
}

TEST(GetOutgoingTransWithMinimumTimer, StoppedTimersAreIgnoredAndTiesGoToTheFirstListed) {
    const std::vector<SimTransition> transitions = {
        {1, {1, 2}, {}}, {1, {3}, {}}, {1, {4, 5}, {}}, {1, {}, {}}, {1, {2, 1}, {}}, {1, {6}, {}}};
    std::vector<double> timers = {2.0, NaN, NaN, NaN, NaN};
    auto pick = [&](Ids out) { return getOutgoingTransWithMinimumTimer(out, timers, transitions); };

    MinimumTimerChoice c = pick({2, 1});  // transition 2 has only stopped timers
    EXPECT_EQ(c.minTrans, 1);
    EXPECT_EQ(c.minTimer, 2.0);
    EXPECT_EQ(pick({5}).minTimer, 2.0);  // a leading NaN does not hide the running timer
    EXPECT_FALSE(pick({2, 3}).minTrans);
    c = pick({});
    EXPECT_FALSE(c.minTrans);
    EXPECT_EQ(c.minTimer, 0.0);

    timers = {3.0, 5.0, 3.0, NaN, NaN};
    EXPECT_EQ(pick({1}).minTimer, 5.0);  // waits for the later of its running timers
    timers[1] = NaN;
    EXPECT_EQ(pick({1, 2}).minTrans, 1);
    EXPECT_EQ(pick({2, 1}).minTrans, 2);
    timers[2] = 1.0;
    EXPECT_EQ(pick({1, 2}).minTrans, 2);

    EXPECT_EQ(expectClassicError([&] { pick({1, 9}); }).parameters(),
              (std::vector<std::string>{"9", "1", "6", "transitions"}));
    EXPECT_EQ(expectClassicError([&] { pick({6}); }).parameters(), (std::vector<std::string>{"6", "1", "5", "timers"}));
    EXPECT_EQ(expectClassicError([&] { pick({1, 4}); }).identifier(), "Coder:toolbox:eml_min_or_max_varDimZero");
}

TEST(SimulateGSMS, EveryTimerThatRunsOutStopsAndTheOthersKeepRunning) {
    // Timers 1 and 2 both run out at time 1, when transition 1 fires: timer 2
    // stops, so state 2 can only fire on timer 3, at time 3.
    SimModel m = model({{1}, {2, 3}}, {1, 2, 3},
                       {dist(DistType::Deg, {1.0}), dist(DistType::Deg, {1.0}), dist(DistType::Deg, {3.0})},
                       {{1, {1}, {{2, 1.0, {}}}}, {2, {2}, {{3, 1.0, {}}}}, {2, {3}, {{3, 1.0, {}}}}});
    ScriptedRandom draws({U(0.5), U(0.5)});
    EXPECT_EQ(simulateGSMS(1, Inf, m), std::vector<double>{3.0});
}

TEST(SimulateGSMS, NewTimersOverwriteRunningOnesAndALaterEntryWins) {
    // Timer 1 starts at 9; at time 1 it is restarted twice, at 9 and then 1.
    SimModel m = model({{1}, {2}}, {1, 2}, {dist(DistType::Uni, {0.0, 10.0}), dist(DistType::Deg, {1.0})},
                       {{1, {2}, {{2, 1.0, {1, 1}}}}, {2, {1}, {{3, 1.0, {}}}}});
    ScriptedRandom draws({U(0.9), U(0.5), U(0.9), U(0.1), U(0.5)});
    EXPECT_EQ(simulateGSMS(1, Inf, m), std::vector<double>{2.0});
    EXPECT_TRUE(draws.finished());
}

TEST(SimulateGSMS, UnchosenDestinationsEndTheCallWithTheirIdentifiers) {
    std::vector<std::string> warnings;
    ClassicWarningHandler previous =
        setClassicWarningHandler([&](const std::string& id, const std::string&) { warnings.push_back(id); });
    struct Case { std::vector<SimDestination> dests; double r; std::string_view id; std::size_t warned; };
    const Case cases[] = {
        {{{2, 0.5, {}}}, 0.7, "Coder:FE:PotentialVectorVector", 0},
        {{{2, 0.2, {}}, {2, 0.3, {}}}, 0.6, "MATLAB:legacy_two_part:needMoreRhsOutputs", 1},
        {{{2, NaN, {}}, {2, 1.0, {}}}, 0.1, "MATLAB:legacy_two_part:needMoreRhsOutputs", 1},
        {{}, 0.1, "MATLAB:legacy_two_part:needMoreRhsOutputs", 0},
    };
    for (const Case& c : cases) {
        warnings.clear();
        ScriptedRandom draws({U(c.r)});
        SimTransition t{1, {1}, c.dests};
        EXPECT_EQ(expectClassicError([&] { getDestinationState(t); }).identifier(), c.id);
        EXPECT_EQ(warnings.size(), c.warned);
        EXPECT_TRUE(draws.finished());
    }
    setClassicWarningHandler(previous);
}

TEST(SimulateGSMS, BadIndicesInTheModelNameTheirArray) {
    SimModel badInitial = oneTimer(dist(DistType::Exp, {1.0}));
    badInitial.Initial.InitialTimers = {1, 9};
    SimModel badTarget = oneTimer(dist(DistType::Exp, {1.0}));
    badTarget.Transitions[0].Destinations[0].Target = 0;
    SimModel badNew = model({{1}}, {1}, {dist(DistType::Deg, {1.0})}, {{1, {1}, {{1, 1.0, {7}}}}});
    {
        ScriptedRandom noDraws;  // every listed timer is checked before the first draw
        EXPECT_EQ(expectClassicError([&] { simulateGSMS(1, Inf, badInitial); }).parameters(),
                  (std::vector<std::string>{"9", "1", "1", "timers"}));
    }
    ScriptedRandom draws({U(0.5), U(0.5), U(0.5)});
    EXPECT_EQ(expectClassicError([&] { simulateGSMS(1, Inf, badTarget); }).parameters(),
              (std::vector<std::string>{"0", "1", "2", "gsms.States"}));
    EXPECT_EQ(expectClassicError([&] { simulateGSMS(1, Inf, badNew); }).parameters(),
              (std::vector<std::string>{"7", "1", "1", "timers"}));
}

TEST(SimulateGSMS, AnInterruptEndsAnEndlessCycleOfZeroDelays) {
    struct InterruptingSource : ClassicRandomSource {
        int draws = 0;
        double uniform() override {
            if (++draws == 100000) classicRequestInterrupt();
            return 0.5;
        }
    } source;
    ClassicRandomSource* previous = classicUseRandomSource(&source);
    SimModel cycle = model({{1}}, {1}, {dist(DistType::Uni, {0.0, 0.0})}, {{1, {1}, {{1, 1.0, {1}}}}});
    EXPECT_EQ(expectClassicError([&] { simulateGSMS(1, Inf, cycle); }).identifier(), ClassicInterruptErrorId);
    classicUseRandomSource(previous);
    EXPECT_LE(source.draws, 100002);
    EXPECT_FALSE(classicInterruptFlag()->load());
}
