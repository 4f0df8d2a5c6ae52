// Runs on keyed substreams: the stream itself, the same times for any number of threads or
// blocks of runs as one run after the other, failures kept as a sequential call would, and the
// interrupt request; and the runs counted down at given times, against the first passages and the
// transient availability of a Markov unit.

#include "simulate/KeyedRuns.hpp"
#include "simulate/PhiloxStream.hpp"
#include "simulate/SimulateGSMS.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <thread>

using namespace drova;

namespace {

constexpr double Inf = std::numeric_limits<double>::infinity();

// Substream r of a PhiloxStream as a host for the one-call simulation, whose failures throw.
class StreamHost final : public SimHost {
public:
    explicit StreamHost(std::uint32_t seed) : stream(seed) {}
    PhiloxStream stream;
    double uniform() override { return stream.uniform(); }
    double normal() override { return stream.normal(); }
    const std::atomic<bool>& interruptRequest() const override { return flag; }

protected:
    void reportInterrupted() override { throw std::runtime_error("interrupted"); }
    void reportIndexOutOfBounds(std::int64_t index, std::int64_t, std::int64_t, std::string_view) override {
        throw std::out_of_range(std::to_string(index));
    }
    void reportNegativeRunCount(std::int64_t) override { throw std::runtime_error("negative"); }
    void reportOutOfMemory() override { throw std::runtime_error("memory"); }
    void reportTransitionWithoutTimers() override { throw std::runtime_error("no timers"); }
    void reportNoDestinationChosen(std::size_t) override { throw std::runtime_error("no destination"); }
    void reportParameterCount(DistType, std::int64_t) override { throw std::runtime_error("count"); }

private:
    std::atomic<bool> flag{false};
};

// Two units failing at rate 1 (exponential) and a repair of lognormal length, with a uniform
// inspection that may find the system down: every kind of draw.
SimModel repairable() {
    SimModel m;
    m.States = {{"Both", false, {1, 2}}, {"One", false, {3, 4}}, {"Down", true, {}}};
    m.Initial = {1, {1, 2}};
    m.Distributions = {{DistType::Exp, {1.0}}, {DistType::Exp, {1.0}}, {DistType::Lognormal, {-2.0, 0.5}},
                       {DistType::Uni, {0.5, 1.5}}};
    m.Transitions = {
        {1, {1}, {{2, 1.0, {3}}}},
        {1, {2}, {{2, 1.0, {3}}}},
        {2, {1, 2}, {{3, 1.0, {}}}},
        {2, {3}, {{1, 0.9, {1, 2}}, {3, 0.1, {}}}},
    };
    return m;
}

// The times of runs first ... first + runs - 1, each a call of its own on its substream.
std::vector<double> oneByOne(std::int64_t first, std::int64_t runs, double horizon, const SimModel& m,
                             std::uint32_t seed) {
    std::vector<double> times;
    StreamHost host(seed);
    for (std::int64_t r = first; r < first + runs; ++r) {
        host.stream.startRun(static_cast<std::uint64_t>(r));
        for (double t : simulateGSMS(1, horizon, m, host)) times.push_back(t);
    }
    return times;
}

KeyedRunsResult keyed(std::int64_t runs, double horizon, const SimModel& m, std::uint32_t seed, int threads,
                      std::int64_t first = 0, const std::atomic<bool>* interrupt = nullptr) {
    KeyedRunOptions options;
    options.seed = seed;
    options.threads = threads;
    options.firstRun = first;
    options.interrupt = interrupt;
    return simulateKeyedRuns(runs, horizon, m, options);
}

}  // namespace

TEST(PhiloxStream, SubstreamsAreTheGeneratorsBlocksOfSeedAndRun) {
    // Philox2x64-10 of counter {b, r} and key 0x44524F56 * 2^32 + 7, each word shifted to 53 bits.
    PhiloxStream stream(7);
    stream.startRun(0);
    EXPECT_EQ(stream.uniform(), 0.052525787016245551);
    EXPECT_EQ(stream.uniform(), 0.97383291467178978);
    EXPECT_EQ(stream.uniform(), 0.94494523802485142);  // block 1
    stream.startRun(5);
    EXPECT_EQ(stream.uniform(), 0.19208610823998051);
    EXPECT_EQ(stream.uniform(), 0.17586357966075838);
    EXPECT_EQ(stream.uniform(), 0.35575198960512955);
    stream.startRun(0);  // back to the start of run 0, whatever came before
    EXPECT_EQ(stream.uniform(), 0.052525787016245551);
    // Further blocks.
    for (int k = 0; k < 10; ++k) {
        double u = stream.uniform();
        ASSERT_GT(u, 0.0);
        ASSERT_LT(u, 1.0);
    }
}

TEST(KeyedRuns, TimesDoNotDependOnThreadsOrBlocks) {
    const SimModel m = repairable();
    const std::int64_t runs = 1000;  // four chunks and a part
    for (double horizon : {Inf, 1.5}) {
        const std::vector<double> expected = oneByOne(0, runs, horizon, m, 3);
        ASSERT_GT(expected.size(), 100u);
        for (int threads : {1, 2, 3, 8}) {
            KeyedRunsResult result = keyed(runs, horizon, m, 3, threads);
            ASSERT_FALSE(result.failure || result.interrupted || result.error);
            EXPECT_EQ(result.times, expected) << threads << " threads, horizon " << horizon;
        }
        // Blocks of runs, as processes take them, join up to the whole.
        std::vector<double> joined = keyed(333, horizon, m, 3, 2, 0).times;
        for (double t : keyed(667, horizon, m, 3, 3, 333).times) joined.push_back(t);
        EXPECT_EQ(joined, expected);
    }
    EXPECT_NE(keyed(runs, Inf, m, 4, 2).times, oneByOne(0, runs, Inf, m, 3));
}

TEST(KeyedRuns, KeepsTheFailureOfTheLowestFailingRun) {
    // Leaving state 1, a run goes down (most runs), or to state 7 or 8, which do not exist.
    SimModel m;
    m.States = {{"Up", false, {1}}, {"Down", true, {}}};
    m.Initial = {1, {1}};
    m.Distributions = {{DistType::Exp, {1.0}}};
    m.Transitions = {{1, {1}, {{2, 0.998, {}}, {7, 0.001, {}}, {8, 0.001, {}}}}};
    const std::int64_t runs = 20000;

    // The reference: the first run that fails when the runs are simulated one by one.
    std::int64_t firstFailing = -1;
    std::string index;
    StreamHost host(11);
    for (std::int64_t r = 0; r < runs && firstFailing < 0; ++r) {
        host.stream.startRun(static_cast<std::uint64_t>(r));
        try {
            simulateGSMS(1, Inf, m, host);
        } catch (const std::out_of_range& e) {
            firstFailing = r;
            index = e.what();
        }
    }
    ASSERT_GT(firstFailing, 256) << "the failure should not lie in the first chunk";

    for (int threads : {1, 2, 3}) {
        KeyedRunsResult result = keyed(runs, Inf, m, 11, threads);
        ASSERT_TRUE(result.failure) << threads;
        EXPECT_TRUE(result.times.empty());
        EXPECT_EQ(result.failure->run, firstFailing) << threads;
        EXPECT_EQ(result.failure->kind, RunFailure::Kind::IndexOutOfBounds);
        EXPECT_EQ(std::to_string(result.failure->index), index);
        EXPECT_EQ(result.failure->low, 1);
        EXPECT_EQ(result.failure->high, 2);
        EXPECT_EQ(result.failure->list, "gsms.States");
    }
}

TEST(KeyedRuns, CallLevelCases) {
    SimModel m = repairable();
    KeyedRunsResult negative = keyed(-2, Inf, m, 0, 2);
    ASSERT_TRUE(negative.failure);
    EXPECT_EQ(negative.failure->kind, RunFailure::Kind::NegativeRunCount);
    EXPECT_EQ(negative.failure->index, -2);

    EXPECT_TRUE(keyed(0, Inf, m, 0, 4).times.empty());

    m.States[0].DownState = true;
    EXPECT_EQ(keyed(3, Inf, m, 0, 2).times, std::vector<double>(3, 0.0));

    m.Initial.InitialState = 4;
    KeyedRunsResult outside = keyed(3, Inf, m, 0, 2);
    ASSERT_TRUE(outside.failure);
    EXPECT_EQ(outside.failure->kind, RunFailure::Kind::IndexOutOfBounds);
    EXPECT_EQ(outside.failure->index, 4);
}

TEST(KeyedRuns, InterruptRequestEndsEndlessRunsOnEveryThread) {
    // Two states that hand over to each other at once, forever.
    SimModel m;
    m.States = {{"A", false, {1}}, {"B", false, {2}}, {"Down", true, {}}};
    m.Initial = {1, {1}};
    m.Distributions = {{DistType::Deg, {0.0}}, {DistType::Deg, {0.0}}};
    m.Transitions = {{1, {1}, {{2, 1.0, {2}}}}, {2, {2}, {{1, 1.0, {1}}}}};
    std::atomic<bool> interrupt{false};
    std::thread requester([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        interrupt = true;
    });
    KeyedRunsResult result = keyed(4096, Inf, m, 0, 3, 0, &interrupt);
    requester.join();
    EXPECT_TRUE(result.interrupted);
    EXPECT_TRUE(result.times.empty());
}

namespace {

KeyedOccupancyResult occupancy(std::int64_t runs, const std::vector<double>& at, const SimModel& m,
                               std::uint32_t seed, int threads) {
    KeyedRunOptions options;
    options.seed = seed;
    options.threads = threads;
    return simulateKeyedOccupancy(runs, at, m, options);
}

// Up for exactly 1, then down for exactly 1, and so on.
SimModel alternating() {
    SimModel m;
    m.States = {{"Up", false, {1}}, {"Down", true, {2}}};
    m.Initial = {1, {1}};
    m.Distributions = {{DistType::Deg, {1.0}}, {DistType::Deg, {1.0}}};
    m.Transitions = {{1, {1}, {{2, 1.0, {2}}}}, {2, {2}, {{1, 1.0, {1}}}}};
    return m;
}

}  // namespace

TEST(KeyedOccupancy, AbsorbingDownStatesCountTheFirstPassagesByEachTime) {
    // Down is never left in this model: a run is down at t exactly when its first-passage time is
    // at most t, and both come from the same substreams.
    const SimModel m = repairable();
    const std::vector<double> at{0.0, 0.25, 0.5, 1.0, 2.0, 4.0, 8.0};
    const std::int64_t runs = 1000;
    const std::vector<double> times = keyed(runs, Inf, m, 5, 1).times;
    std::vector<std::int64_t> expected;
    for (double t : at) expected.push_back(std::count_if(times.begin(), times.end(), [&](double x) { return x <= t; }));
    ASSERT_GT(expected.back(), expected[2]);
    for (int threads : {1, 2, 3}) {
        const KeyedOccupancyResult result = occupancy(runs, at, m, 5, threads);
        ASSERT_FALSE(result.failure || result.interrupted || result.error);
        EXPECT_EQ(result.down, expected) << threads << " threads";
    }
}

TEST(KeyedOccupancy, RunsGoOnThroughDownStatesAndEachStateHoldsFromItsEntry) {
    // Down on [1, 2), [3, 4), ...; the state entered at an instant is the state at that instant.
    const std::vector<double> at{0.0, 0.5, 1.0, 1.5, 2.0, 2.999, 3.0, 100.5};
    const KeyedOccupancyResult result = occupancy(300, at, alternating(), 0, 2);
    EXPECT_EQ(result.down, (std::vector<std::int64_t>{0, 0, 300, 300, 0, 0, 300, 0}));
    // A run that finds no enabled transition stays where it is, down or up.
    SimModel stuck = alternating();
    stuck.States[1].Transitions.clear();
    EXPECT_EQ(occupancy(10, {0.5, 1.0, 1e9}, stuck, 0, 1).down, (std::vector<std::int64_t>{0, 10, 10}));
    stuck.Initial.InitialTimers.clear();
    EXPECT_EQ(occupancy(10, {0.5, 1.0, 1e9}, stuck, 0, 1).down, (std::vector<std::int64_t>{0, 0, 0}));
}

TEST(KeyedOccupancy, MarkovRepairableUnitMatchesItsTransientAvailability) {
    // Failure rate l, repair rate m: P(down at t) = l / (l + m) (1 - e^(-(l + m) t)).
    const double l = 0.5, mu = 2.0;
    SimModel m;
    m.States = {{"Up", false, {1}}, {"Down", true, {2}}};
    m.Initial = {1, {1}};
    m.Distributions = {{DistType::Exp, {l}}, {DistType::Exp, {mu}}};
    m.Transitions = {{1, {1}, {{2, 1.0, {2}}}}, {2, {2}, {{1, 1.0, {1}}}}};
    const std::vector<double> at{0.1, 0.5, 1.0, 3.0};
    const std::int64_t runs = 20000;
    const KeyedOccupancyResult result = occupancy(runs, at, m, 9, 2);
    ASSERT_EQ(result.down.size(), at.size());
    for (std::size_t k = 0; k < at.size(); ++k) {
        const double p = l / (l + mu) * -std::expm1(-(l + mu) * at[k]);
        const double sigma = std::sqrt(p * (1 - p) / runs);
        EXPECT_NEAR(static_cast<double>(result.down[k]) / runs, p, 4 * sigma) << "t = " << at[k];
    }
    EXPECT_EQ(occupancy(runs, at, m, 9, 1).down, result.down);
}

TEST(KeyedOccupancy, CallLevelCasesAndFailures) {
    const SimModel m = alternating();
    EXPECT_EQ(occupancy(0, {1.0, 2.0}, m, 0, 2).down, (std::vector<std::int64_t>{0, 0}));
    const KeyedOccupancyResult negative = occupancy(-1, {1.0}, m, 0, 2);
    ASSERT_TRUE(negative.failure);
    EXPECT_EQ(negative.failure->kind, RunFailure::Kind::NegativeRunCount);
    EXPECT_TRUE(negative.down.empty());
    // A destination that does not exist, met only after the first down state.
    SimModel broken = alternating();
    broken.Transitions[1].Destinations[0].Target = 5;
    const KeyedOccupancyResult failed = occupancy(600, {0.5, 3.0}, broken, 0, 3);
    ASSERT_TRUE(failed.failure);
    EXPECT_EQ(failed.failure->run, 0);
    EXPECT_EQ(failed.failure->index, 5);
    EXPECT_TRUE(failed.down.empty());
}
