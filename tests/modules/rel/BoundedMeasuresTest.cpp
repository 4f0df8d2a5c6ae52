// The transient measures of models that never regenerate, from a walk cut off at the latest time:
// independent units with fixed repair times against their closed form, a loss system with
// deterministic service against a simulation written here, the bound itself (it must contain the
// error and reach the tolerance), and the long run of a process absorbed in an up state.

#include "formats/ModelFile.hpp"
#include "modules/rel/GsmsMeasures.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <map>
#include <sstream>
#include <fstream>
#include <cstdlib>
#include <random>

using namespace drova;

namespace {

Gsms fileOf(const std::string& name) {
    const std::string path = std::string(DROVA_TEST_DATA) + "/bounds/" + name;
    std::ifstream in(path);
    return readModel(in, path);
}

std::size_t stateNamed(const Gsms& model, const std::string& name) {
    for (std::size_t s = 0; s < model.stateCount(); ++s)
        if (model.state(s).name == name) return s;
    ADD_FAILURE() << "no state " << name;
    return 0;
}

// The probability that a unit, up for Exp(1) and repaired in exactly 1, is down at t (up at 0):
// the k-th failure starts the k-th repair, which ends k - 1 after the sum of k Exp(1) up times,
// so U(t) = sum over k of [Erl_k(t - (k - 1)) - Erl_k(t - k)].
double erlang(int k, double x) {
    if (x <= 0) return 0;
    double term = 1, sum = 1;
    for (int i = 1; i < k; ++i) sum += term *= x / i;
    return 1 - std::exp(-x) * sum;
}

double unitDown(double t) {
    double down = 0;
    for (int k = 1; t - (k - 1) > 0; ++k) down += erlang(k, t - (k - 1)) - erlang(k, t - k);
    return down;
}

std::vector<Rational> timesOf(const std::vector<double>& times) {
    std::vector<Rational> exact;
    for (double t : times) exact.push_back(rel::timeOfDouble(t));
    return exact;
}

// The path expressions of these models grow steeply with the time bound (two units: 0.1 s for a
// bound of 3, 4 s for 4, over a minute for 5), so the times stay where the walk takes seconds.
const std::vector<double> unitTimes{0.5, 1, 1.5, 2, 3};

// The exact walk of the two-unit and loss models never finishes: it gets half the time limit
// before the cut-off walks take over. The sanitizer build walks some twenty times slower.
#if defined(__SANITIZE_ADDRESS__)
constexpr const char* TimeLimit = "80";
#else
constexpr const char* TimeLimit = "8";
#endif

class BoundedMeasures : public ::testing::Test {
protected:
    void SetUp() override { setenv("DROVA_MAX_TIME", TimeLimit, 1); }
    void TearDown() override { unsetenv("DROVA_MAX_TIME"); }
};

// Every state of n independent units against the product of U and 1 - U: inside [value, value +
// bound] up to rounding, and the bound within the tolerance.
void expectIndependentUnits(const Gsms& model, int n, const std::vector<double>& times,
                            const std::vector<std::string>& names, const std::vector<std::vector<bool>>& downs) {
    const rel::GsmsAvailability a = rel::availabilityOf(model, timesOf(times));
    EXPECT_EQ(a.limitReached, "");
    EXPECT_NE(a.notComputed.find("estimate them with drova sim"), std::string::npos) << a.notComputed;
    EXPECT_TRUE(std::isnan(a.steadyAvailability));
    ASSERT_EQ(a.errorBound.size(), times.size());
    for (std::size_t k = 0; k < times.size(); ++k) {
        const double u = unitDown(times[k]), bound = a.errorBound[k];
        EXPECT_LE(bound, 1e-10);
        double allDown = 1;
        for (std::size_t v = 0; v < names.size(); ++v) {
            double truth = 1;
            for (int unit = 0; unit < n; ++unit) truth *= downs[v][unit] ? u : 1 - u;
            const double value = a.states[stateNamed(model, names[v])][k];
            EXPECT_GE(value, truth - bound - 1e-13) << names[v] << " at " << times[k];
            EXPECT_LE(value, truth + 1e-13) << names[v] << " at " << times[k];
        }
        for (int unit = 0; unit < n; ++unit) allDown *= u;
        EXPECT_NEAR(a.availability[k], 1 - allDown, bound + 1e-13) << times[k];
    }
}

TEST_F(BoundedMeasures, TwoIndependentUnitsMatchTheClosedForm) {
    const Gsms model = fileOf("two-units-fixed-repair.toml");
    // Net markings named by their marked places; every variant of a marking counts.
    std::vector<std::string> names;
    std::vector<std::vector<bool>> downs;
    for (std::size_t s = 0; s < model.stateCount(); ++s) {
        const std::string& name = model.state(s).name;
        names.push_back(name);
        downs.push_back({name.find("down1") != std::string::npos, name.find("down2") != std::string::npos});
    }
    // Add up the variants: compare the sums per marking.
    const rel::GsmsAvailability a = rel::availabilityOf(model, timesOf(unitTimes));
    EXPECT_EQ(a.limitReached, "");
    EXPECT_TRUE(std::isnan(a.steadyAvailability));
    for (std::size_t k = 0; k < unitTimes.size(); ++k) {
        const double u = unitDown(unitTimes[k]), bound = a.errorBound[k];
        EXPECT_LE(bound, 1e-10);
        std::map<std::pair<bool, bool>, double> byMarking;
        for (std::size_t s = 0; s < names.size(); ++s) byMarking[{downs[s][0], downs[s][1]}] += a.states[s][k];
        for (const auto& [marking, value] : byMarking) {
            const double truth = (marking.first ? u : 1 - u) * (marking.second ? u : 1 - u);
            EXPECT_GE(value, truth - bound - 1e-13) << unitTimes[k];
            EXPECT_LE(value, truth + 1e-13) << unitTimes[k];
        }
        EXPECT_NEAR(a.availability[k], 1 - u * u, bound + 1e-13);
    }
    // F(t): both down at once; the walk stops at that state, so it is exact and the mean exists.
    const rel::GsmsReliability r = rel::reliabilityOf(model, timesOf({1, 10}));
    EXPECT_EQ(r.notComputed, "");
    EXPECT_TRUE(std::isfinite(r.mttf));
}

TEST_F(BoundedMeasures, ThreeIndependentUnitsMatchTheClosedForm) {
    const Gsms model = fileOf("three-units-fixed-repair.gsms");
    std::vector<std::string> names;
    std::vector<std::vector<bool>> downs;
    for (int v = 0; v < 8; ++v) {
        names.push_back(std::string("D") + char('0' + (v >> 2 & 1)) + char('0' + (v >> 1 & 1)) + char('0' + (v & 1)));
        downs.push_back({(v >> 2 & 1) == 1, (v >> 1 & 1) == 1, (v & 1) == 1});
    }
    expectIndependentUnits(model, 3, {0.5, 1}, names, downs);
}

TEST_F(BoundedMeasures, DownStatesBeyondTheCutGiveFailureZeroWithinTheBound) {
    // By t = 0.1 no repair can end, so F = (1 - e^-0.1)^3, about 8.6e-4. A coarse walk cuts off
    // every way to the all-down state: F is then 0 up to a bound that holds it, not "never fails".
    const Gsms model = fileOf("three-units-fixed-repair.gsms");
    const double truth = std::pow(1 - std::exp(-0.1), 3);
    const rel::GsmsReliability coarse = rel::reliabilityOf(model, timesOf({0.1}), std::nullopt, 0.5);
    EXPECT_EQ(coarse.failure, std::vector<double>{0});
    EXPECT_GE(coarse.errorBound[0], truth);
    EXPECT_LE(coarse.errorBound[0], 0.5);
    const rel::GsmsReliability fine = rel::reliabilityOf(model, timesOf({0.1}));
    EXPECT_NEAR(fine.failure[0], truth, 1e-13 + fine.errorBound[0]);
}

TEST_F(BoundedMeasures, ReliabilityOfThreeUnitsIsBoundedAndNeedsNoMean) {
    // Down only when all three are down: F(t) = P(all down by t) is not a product, but F(t) >=
    // U(t)^3 and F grows; R = 1 - F within the bound.
    const Gsms model = fileOf("three-units-fixed-repair.gsms");
    const std::vector<double> times{0.5, 1, 2};
    const rel::GsmsReliability r = rel::reliabilityOf(model, timesOf(times));
    EXPECT_TRUE(std::isnan(r.mttf));
    EXPECT_NE(r.notComputed.find("The mean time to failure is not computed"), std::string::npos) << r.notComputed;
    for (std::size_t k = 0; k < times.size(); ++k) {
        EXPECT_LE(r.errorBound[k], 1e-10);
        EXPECT_GE(r.failure[k] + r.errorBound[k], std::pow(unitDown(times[k]), 3) - 1e-13);
        EXPECT_NEAR(r.failure[k] + r.reliability[k], 1, r.errorBound[k] + 1e-12);
        if (k > 0) {
            EXPECT_GT(r.failure[k], r.failure[k - 1]);
        }
    }
    // Without times there is nothing a cut-off walk can give: the exact walk's failure stands.
    EXPECT_THROW(rel::reliabilityOf(model, {}), std::invalid_argument);
}

TEST_F(BoundedMeasures, ALooseToleranceGivesALargerBoundThatStillHolds) {
    const Gsms model = fileOf("three-units-fixed-repair.gsms");
    const rel::GsmsAvailability a = rel::availabilityOf(model, timesOf({1.5}), std::nullopt, 0.5);
    ASSERT_EQ(a.errorBound.size(), 1u);
    EXPECT_GT(a.errorBound[0], 1e-3);
    EXPECT_LE(a.errorBound[0], 0.5);
    const double u = unitDown(1.5);
    const double truth = u * u * u;
    const double value = a.states[stateNamed(model, "D111")][0];
    EXPECT_LE(value, truth + 1e-13);
    EXPECT_GE(value + a.errorBound[0], truth - 1e-13);
}

// The loss system by plain simulation: arrivals Exp(1), two servers of service exactly 1, an
// arrival lost when both are busy; the number busy at each time.
std::vector<std::array<double, 3>> simulatedLoss(const std::vector<double>& times, int runs) {
    std::mt19937_64 random(20261210);
    std::exponential_distribution<double> arrival(1.0);
    std::vector<std::array<double, 3>> counts(times.size(), {0, 0, 0});
    for (int run = 0; run < runs; ++run) {
        double now = 0, end1 = -1, end2 = -1;  // when each server's service ends
        std::vector<std::pair<double, double>> services;
        for (;;) {
            now += arrival(random);
            if (now > times.back()) break;
            if (end1 <= now) {
                end1 = now + 1;
                services.emplace_back(now, end1);
            } else if (end2 <= now) {
                end2 = now + 1;
                services.emplace_back(now, end2);
            }
        }
        for (std::size_t k = 0; k < times.size(); ++k) {
            int busy = 0;
            for (const auto& [from, to] : services) busy += from <= times[k] && times[k] < to ? 1 : 0;
            counts[k][busy] += 1;
        }
    }
    for (auto& row : counts)
        for (double& c : row) c /= runs;
    return counts;
}

TEST_F(BoundedMeasures, LossSystemWithDeterministicServiceMatchesASimulation) {
    const Gsms model = fileOf("loss-two-servers.toml");
    const std::vector<double> times{0.5, 1, 2, 3};
    const rel::GsmsAvailability a = rel::availabilityOf(model, timesOf(times));
    const int runs = 100000;
    const auto simulated = simulatedLoss(times, runs);
    for (std::size_t k = 0; k < times.size(); ++k) {
        EXPECT_LE(a.errorBound[k], 1e-10);
        std::array<double, 3> exact{0, 0, 0};
        for (std::size_t s = 0; s < model.stateCount(); ++s) {
            const std::string& name = model.state(s).name;
            const int busy = (name.find("busy1") != std::string::npos) + (name.find("busy2") != std::string::npos);
            exact[busy] += a.states[s][k];
        }
        for (int busy = 0; busy < 3; ++busy) {
            const double p = simulated[k][busy];
            const double error = std::sqrt(std::max(p * (1 - p), 1e-6) / runs);
            EXPECT_NEAR(exact[busy], p, 4 * error + a.errorBound[k]) << busy << " busy at " << times[k];
        }
        EXPECT_NEAR(a.availability[k], 1 - exact[2], a.errorBound[k] + 1e-12);
    }
}

TEST_F(BoundedMeasures, RegenerativeModelsKeepExactValuesAndZeroBounds) {
    std::ifstream in(std::string(DROVA_SOURCE_DIR) + "/examples/redundant.gsms");
    const Gsms model = readModel(in, "redundant.gsms");
    const rel::GsmsAvailability a = rel::availabilityOf(model, timesOf({10, 1000}));
    EXPECT_EQ(a.errorBound, (std::vector<double>{0, 0}));
    EXPECT_EQ(a.notComputed, "");
    EXPECT_TRUE(std::isfinite(a.steadyAvailability));
    const rel::GsmsReliability r = rel::reliabilityOf(model, timesOf({10}));
    EXPECT_EQ(r.errorBound, (std::vector<double>{0}));
}

TEST_F(BoundedMeasures, AnAbsorbingUpStateGivesTheLongRunFromAbsorption) {
    const Gsms model = fileOf("absorbing-up-state.gsms");
    const std::vector<double> times{0.5, 2};
    const rel::GsmsAvailability a = rel::availabilityOf(model, timesOf(times));
    const std::size_t up = stateNamed(model, "Up"), end = stateNamed(model, "End");
    for (std::size_t k = 0; k < times.size(); ++k) {
        EXPECT_NEAR(a.states[up][k], std::exp(-times[k]), 1e-14);
        EXPECT_NEAR(a.states[end][k], 1 - std::exp(-times[k]), 1e-14);
        EXPECT_NEAR(a.availability[k], 1, 1e-14);
    }
    EXPECT_DOUBLE_EQ(a.steadyAvailability, 1);
    EXPECT_DOUBLE_EQ(a.steadyStates[end], 1);
    EXPECT_DOUBLE_EQ(a.steadyStates[up], 0);
}

TEST_F(BoundedMeasures, AbsorptionSplitsBetweenAnUpEndAndARepairCycle) {
    // From Start: to End (never left, up) with probability 1/4, else into a cycle Up <-> Down with
    // Exp(1) up times and Exp(3) repairs (long-run availability 3/4 inside it).
    const std::string text = "name = \"split\"\n[places]\nstart = 1\nend = 0\nup = 0\ndown = 0\n"
                             "[transitions.stop]\ndistribution = \"Exp(1)\"\ninputs = { start = 1 }\noutputs = { end = 1 }\n"
                             "[transitions.go]\ndistribution = \"Exp(3)\"\ninputs = { start = 1 }\noutputs = { up = 1 }\n"
                             "[transitions.fail]\ndistribution = \"Exp(1)\"\ninputs = { up = 1 }\noutputs = { down = 1 }\n"
                             "[transitions.repair]\ndistribution = \"Exp(3)\"\ninputs = { down = 1 }\noutputs = { up = 1 }\n"
                             "[measures]\ndown = \"down == 1\"\n";
    std::istringstream in(text);
    const Gsms model = readModel(in, "split.toml");
    const rel::GsmsAvailability a = rel::availabilityOf(model, timesOf({1}));
    EXPECT_NEAR(a.steadyAvailability, 0.25 + 0.75 * 0.75, 1e-15);
    EXPECT_NEAR(a.steadyStates[stateNamed(model, "end1")], 0.25, 1e-15);
    EXPECT_NEAR(a.steadyStates[stateNamed(model, "down1")], 0.75 * 0.25, 1e-15);
    EXPECT_EQ(a.steadyStates[stateNamed(model, "start1")], 0);
}

}  // namespace
