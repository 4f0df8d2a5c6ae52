// drova reliability and drova availability end to end: the redundant system's mean time to
// failure against its closed form, the JSON shapes, the tables, the default times, the models for
// which a measure does not exist, the checks of --times and --from, and F(t) against the
// empirical distribution of drova sim.

#include "InterruptDrova.hpp"
#include "RunDrova.hpp"
#include "SimulatedFailures.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <sstream>

namespace {

using nlohmann::json;

const std::string redundant = std::string(DROVA_SOURCE_DIR) + "/examples/redundant.gsms";
const std::string machine = std::string(DROVA_SOURCE_DIR) + "/examples/machine.gsms";

std::string relData(const std::string& name) { return testData("rel/" + name); }

// The one JSON object that a successful run prints, on one line.
json jsonOf(const std::vector<std::string>& args) {
    const DrovaRun run = runDrova(args);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 1) << run.out;
    return json::parse(run.out);
}

std::vector<std::string> keysOf(const json& object) {
    std::vector<std::string> keys;
    for (const auto& [key, value] : object.items()) keys.push_back(key);
    return keys;
}

void expectFailure(const std::vector<std::string>& args, const std::string& message) {
    const DrovaRun run = runDrova(args);
    EXPECT_EQ(run.status, 1) << args[0] << " " << args[1];
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.lastErrLine(), message);
}

TEST(Reliability, RedundantSystemMeanTimeToFailureIsTheTextbookValue) {
    // Two units failing at rate l = 1/1000, one crew repairing in exactly 24:
    // MTTF = (3 - 2g) / (2 l (1 - g)), g = e^(-24 l).
    const double g = std::exp(-0.024);
    const double textbook = (3 - 2 * g) / (2 * 0.001 * (1 - g));
    const json out = jsonOf({"reliability", redundant, "--times", "0,24,1000,22084.333323733466,100000", "--json"});
    EXPECT_EQ(keysOf(out), (std::vector<std::string>{"error_bound", "failure", "mttf", "never_fails", "times"}));
    EXPECT_NEAR(out["mttf"].get<double>(), textbook, 1e-10 * textbook);
    EXPECT_EQ(out["never_fails"].get<double>(), 0);
    EXPECT_EQ(out["times"], json::parse("[0, 24, 1000, 22084.333323733466, 100000]"));
    const std::vector<double> f = out["failure"].get<std::vector<double>>();
    ASSERT_EQ(f.size(), 5u);
    // Two failures take some time: F is exactly 0 at 0; by 24 both units must fail within 24.
    EXPECT_EQ(f[0], 0);
    EXPECT_GT(f[1], 0);
    EXPECT_LT(f[1], 1e-3);
    EXPECT_TRUE(std::is_sorted(f.begin(), f.end()));
    // Failures come close to a Poisson stream of rate 1/MTTF: F(MTTF) near 1 - 1/e.
    EXPECT_NEAR(f[3], 1 - std::exp(-1), 0.02);
    EXPECT_GT(f[4], 0.98);
}

TEST(Reliability, JsonNumbersCarrySeventeenDigitsAndAnInfiniteMeanIsNull) {
    const DrovaRun run = runDrova({"reliability", machine, "--times", "0.3,50", "--json"});
    EXPECT_EQ(run.status, 0) << run.err;
    // 100 exactly; the time 0.3 in 17 digits; F(t) = 1 - e^(-t/100), each number read back exactly.
    const std::string start = "{\"mttf\": 100, \"never_fails\": 0, \"times\": [0.29999999999999999, 50], \"failure\": [";
    ASSERT_EQ(run.out.substr(0, start.size()), start);
    const json out = json::parse(run.out);
    for (std::size_t k = 0; k < 2; ++k) {
        const double f = out["failure"][k].get<double>();
        char digits[40];
        std::snprintf(digits, sizeof digits, "%.17g", f);
        EXPECT_NE(run.out.find(digits), std::string::npos) << digits;
        EXPECT_NEAR(f, -std::expm1(-std::vector<double>{0.003, 0.5}[k]), 2e-15 * f);
    }
    // Up fails after Exp(1/10) into Down with probability 1/4, and retires otherwise.
    const json retire = jsonOf({"reliability", relData("may-never-fail.gsms"), "--times", "10", "--json"});
    EXPECT_TRUE(retire["mttf"].is_null());
    EXPECT_NEAR(retire["never_fails"].get<double>(), 0.75, 1e-15);
    EXPECT_NEAR(retire["failure"][0].get<double>(), 0.25 * (1 - std::exp(-1)), 1e-15);
}

TEST(Reliability, TableStartStateAndDefaultTimes) {
    const DrovaRun run = runDrova({"reliability", machine, "--times", "100"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              "         t               F(t)               R(t)\n"
              "       100     0.632120558829     0.367879441171\n"
              "Mean time to failure: 100\n");
    // From Down the system has failed at once.
    const json down = jsonOf({"reliability", machine, "--from", "Down", "--times", "0,7", "--json"});
    EXPECT_EQ(down["mttf"], 0);
    EXPECT_EQ(down["failure"], json::parse("[1, 1]"));
    // Without --times: the 1-2-5 series from MTTF/100 (220.8) to 4 MTTF (88337).
    const json defaults = jsonOf({"reliability", redundant, "--json"});
    EXPECT_EQ(defaults["times"], json::parse("[200, 500, 1000, 2000, 5000, 10000, 20000, 50000, 100000]"));
    // For the availability from MTTF/10^4.
    const json machineDefaults = jsonOf({"availability", machine, "--json"});
    EXPECT_EQ(machineDefaults["times"],
              json::parse("[0.01, 0.02, 0.05, 0.1, 0.2, 0.5, 1, 2, 5, 10, 20, 50, 100, 200, 500]"));
    const DrovaRun table = runDrova({"reliability", redundant});
    EXPECT_EQ(table.status, 0) << table.err;
    EXPECT_NE(table.out.find("\n    100000     0.98"), std::string::npos) << table.out;
    EXPECT_NE(table.out.find("Mean time to failure: 22084.3333237\n"), std::string::npos) << table.out;
}

TEST(Availability, RedundantSystemStatesAddUpAndSettle) {
    const json out = jsonOf({"availability", redundant, "--times", "0,10,30,500,100000", "--json"});
    EXPECT_EQ(keysOf(out), (std::vector<std::string>{"availability", "error_bound", "states", "steady_availability", "times"}));
    EXPECT_EQ(keysOf(out["states"]),
              (std::vector<std::string>{"BothUp", "DownRepairA", "DownRepairB", "RepairA", "RepairB"}));
    const std::vector<double> a = out["availability"].get<std::vector<double>>();
    ASSERT_EQ(a.size(), 5u);
    EXPECT_EQ(a[0], 1);
    EXPECT_EQ(out["states"]["DownRepairA"][0], 0);
    for (std::size_t k = 0; k < a.size(); ++k) {
        double up = 0, all = 0;
        for (const char* state : {"BothUp", "RepairA", "RepairB"}) up += out["states"][state][k].get<double>();
        for (const auto& [name, values] : out["states"].items()) all += values[k].get<double>();
        EXPECT_NEAR(up, a[k], 1e-14) << k;
        EXPECT_NEAR(all, 1, 1e-14) << k;
    }
    // Long run: a cycle is Exp(1/500) with both units up, then repairs of 24 until one ends with
    // the other unit up (each repair is followed by another with probability p = 1 - e^(-24/1000));
    // the system is down for the rest of a repair once the other unit has failed, E[(24 - X)^+]
    // with X ~ Exp(1/1000). The transient has settled by 100000.
    const double p = -std::expm1(-0.024);
    const double repairs = 1 / (1 - p);
    const double downPerRepair = 24 - 1000 * p;
    const double unavailability = repairs * downPerRepair / (500 + 24 * repairs);
    const double steady = out["steady_availability"].get<double>();
    EXPECT_NEAR(1 - steady, unavailability, 1e-12 * unavailability);
    EXPECT_NEAR(a[4], steady, 1e-12);

    const DrovaRun table = runDrova({"availability", machine, "--times", "3"});
    EXPECT_EQ(table.status, 0) << table.err;
    EXPECT_EQ(table.out,
              "         t               A(t)                 Up               Down\n"
              "         3     0.970445533549     0.970445533549    0.0295544664515\n"
              "  long run     0.952380952381     0.952380952381     0.047619047619\n"
              "Long-run availability: 0.952380952381\n");
}

TEST(Measures, ModelsWithoutTheMeasureFailWithAMessage) {
    expectFailure({"reliability", relData("no-down.gsms")},
                  "The model has no down state, so it never fails: the failure probability and the mean time to "
                  "failure do not exist");
    expectFailure({"reliability", machine, "--from", "Nowhere"}, "The model has no state named \"Nowhere\"");
    expectFailure({"reliability", testData("konv/one-step.gsms"), "--from", "Unknown"},
                  "The state \"Unknown\" (2) is not a state of the SMS: the ages of its timers on entry are not all "
                  "known, so the measures cannot start there");
    // End, state 3 of the file, is the third state of the SMS: messages give the file's numbers.
    expectFailure({"availability", testData("konv/one-step.gsms"), "--times", "1"},
                  "The down state 3 (End) is never left once entered: availability needs repair out of the down "
                  "states (use the failure probability instead)");
    // Loop repeats itself every 1 for ever: no path from Start ends in a state of the SMS. The walk
    // cut off at the latest time then finds that no down state exists at all.
    expectFailure({"reliability", testData("konv/deterministic-cycle.gsms"), "--times", "1"},
                  "The model has no down state, so it never fails: the failure probability and the mean time to "
                  "failure do not exist");
    for (const char* command : {"reliability", "availability"}) {
        expectFailure({command, testData("konv/no-sms.gsms"), "--times", "1"},
                      "The initial state \"A\" (0) is not a state of the SMS: the ages of its timers on entry are not "
                      "all known, so the measures cannot start there");
        expectFailure({command, testData("konv/none.gsms"), "--times", "1"}, "Path to GSMS file is invalid");
    }
}

TEST(Measures, BadTimesFailWithAMessage) {
    const std::string rule =
        " (give times of at least 0 as decimal numbers, such as 1000, 2.5 or 1e4, separated by commas)";
    for (const char* command : {"reliability", "availability"}) {
        expectFailure({command, machine, "--times", ""}, "--times is empty" + rule);
        expectFailure({command, machine, "--times", "1,,2"}, "--times: \"\" is not a time" + rule);
        expectFailure({command, machine, "--times", "1,x"}, "--times: \"x\" is not a time" + rule);
        expectFailure({command, machine, "--times", "1/3"}, "--times: \"1/3\" is not a time" + rule);
        expectFailure({command, machine, "--times", "inf"}, "--times: \"inf\" is not a time" + rule);
        expectFailure({command, machine, "--times=-5"}, "--times: the time -5 is negative" + rule);
        expectFailure({command, machine, "--times", "1e400"}, "--times: the time 1e400 is out of range" + rule);
        EXPECT_EQ(runDrova({command}).status, 2);
    }
    // A time too far out for the model's grid.
    const DrovaRun far = runDrova({"reliability", redundant, "--times", "1e12"});
    EXPECT_EQ(far.status, 1);
    EXPECT_EQ(far.lastErrLine().rfind("Reaching t = 1000000000000 takes ", 0), 0u) << far.lastErrLine();
}

// F(t) against the share of drova sim's runs that have failed by t, and the mean time to failure
// against their sample mean, within 4 standard errors: three units failing at rates 3/10, 2/10
// and 1/10 (by the number up), one crew, uniform repair time on [1/2, 3/2].
TEST(Reliability, AgreesWithSimulation) {
#ifdef __SANITIZE_ADDRESS__
    const int runs = 10000;
#else
    const int runs = 100000;
#endif
    const std::string model = testData("konv/redundant3-uniform.gsms");
    const json exact = jsonOf({"reliability", model, "--times", "50,200,500", "--json"});
    const SimulatedFailures sim = simulateFailures(model, runs, "15");
    ASSERT_EQ(sim.run.status, 0) << sim.run.lastErrLine();
    const std::vector<double>& times = sim.times;
    ASSERT_EQ(times.size(), static_cast<std::size_t>(runs));

    const std::vector<double> at = exact["times"].get<std::vector<double>>();
    for (std::size_t k = 0; k < at.size(); ++k) {
        const double f = exact["failure"][k].get<double>();
        const double share = sim.shareBy(at[k]);
        EXPECT_GT(f, 0.05);
        EXPECT_LT(f, 0.95);
        EXPECT_NEAR(share, f, 4 * std::sqrt(f * (1 - f) / runs)) << "t = " << at[k];
    }
    double sum = 0, squares = 0;
    for (double t : times) sum += t;
    const double mean = sum / runs;
    for (double t : times) squares += (t - mean) * (t - mean);
    const double standardError = std::sqrt(squares / (runs - 1) / runs);
    EXPECT_NEAR(mean, exact["mttf"].get<double>(), 4 * standardError);
}

// Ctrl-C while the measures are computed: the solver sees it at its next step (here a renewal
// solve of a million cells) and the command ends with the module's interrupt message.
TEST(Measures, InterruptEndsTheSolveCleanly) {
    for (const char* command : {"availability", "reliability"}) {
        SCOPED_TRACE(command);
        const std::optional<DrovaRun> run =
            runDrovaInterrupted({command, relData("three-units-deterministic-repair.toml"), "--times", "24000000"});
        ASSERT_TRUE(run) << "drova did not end after the interrupt";
        EXPECT_EQ(run->status, 1) << run->err;
        EXPECT_EQ(run->lastErrLine(), "Operation interrupted by the user.");
    }
}

}  // namespace
