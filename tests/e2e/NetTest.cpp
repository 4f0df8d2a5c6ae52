// Nets end to end: every example written as a net gives the hand-written GSMS's kernel bytes and
// measures; drova check counts a net's markings and states; drova build writes a GSMS that
// reads back to the same measures; a net's failures are reported with their place in the file;
// and a net's F(t) agrees with drova sim of the same net.

#include "RunDrova.hpp"
#include "SimulatedFailures.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

namespace {

using nlohmann::json;

std::string example(const std::string& name) { return std::string(DROVA_SOURCE_DIR) + "/examples/" + name; }

json jsonOf(const std::vector<std::string>& args) {
    const DrovaRun run = runDrova(args);
    EXPECT_EQ(run.status, 0) << run.err;
    return run.status == 0 ? json::parse(run.out) : json();
}

TEST(Net, EveryExampleAsANetGivesTheHandWrittenResults) {
    for (const std::string name : {"machine", "redundant", "maintenance", "assembly"}) {
        const std::string gsms = example(name + ".gsms"), net = example(name + ".toml");
        const DrovaRun written = runDrova({"konv", gsms, "--time-bound", "0", "--threshold", "0"});
        const DrovaRun built = runDrova({"konv", net, "--time-bound", "0", "--threshold", "0"});
        ASSERT_EQ(built.status, 0) << name << ": " << built.err;
        EXPECT_EQ(built.out, written.out) << name;

        for (const std::string measure : {"reliability", "availability"}) {
            json a = jsonOf({measure, gsms, "--json"});
            json b = jsonOf({measure, net, "--json"});
            // The states are named by their markings; every other value is the same.
            a.erase("states");
            b.erase("states");
            ASSERT_EQ(a.size(), b.size()) << name << " " << measure;
            for (auto it = a.begin(); it != a.end(); ++it) {
                if (it->is_array()) {
                    ASSERT_EQ(it->size(), b[it.key()].size());
                    for (std::size_t k = 0; k < it->size(); ++k)
                        EXPECT_NEAR((*it)[k].get<double>(), b[it.key()][k].get<double>(), 1e-12)
                            << name << " " << measure << " " << it.key() << "[" << k << "]";
                } else if (it->is_number()) {
                    EXPECT_NEAR(it->get<double>(), b[it.key()].get<double>(), 1e-12 * std::max(1.0, std::abs(it->get<double>())))
                        << name << " " << measure << " " << it.key();
                } else {
                    EXPECT_EQ(*it, b[it.key()]);
                }
            }
        }
    }
}

TEST(Net, CheckCountsTheNetAndSummarisesItsGsms) {
    const DrovaRun run = runDrova({"check", example("pumps.toml")});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              "Places: 2\nNet transitions: 2\nTangible markings: 4\nVanishing markings: 0\nGSMS states: 5\n"
              "States of the SMS (count): 3\nModel: pumps\nStates: 5\nTimers: 4\nTransitions: 8\n"
              "Initial state: 0 (working3)\nTimer 0: Exp(1/2000)\nTimer 1: Deg(48)\nTimer 2: Exp(3/2000)\n"
              "Timer 3: Exp(1/1000)\nStates of the SMS: 0 (working3), 1 (working2_broken1), 4 (working1_broken2)\n");
    EXPECT_EQ(run.err, "");
}

TEST(Net, BuildWritesAGsmsWithTheSameMeasures) {
    char dir[] = "/tmp/drova-net-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string written = std::string(dir) + "/pumps.gsms";
    const DrovaRun build = runDrova({"build", example("pumps.toml"), "-o", written});
    ASSERT_EQ(build.status, 0) << build.err;
    EXPECT_EQ(build.out, "Wrote " + written + " (5 states)\n");
    const DrovaRun toStdout = runDrova({"build", example("pumps.toml")});
    EXPECT_EQ(toStdout.out, readWholeFile(written));
    EXPECT_EQ(runDrova({"availability", written, "--json"}).out, runDrova({"availability", example("pumps.toml"), "--json"}).out);
    // The long run of the pumps with the running repair's age right (cf. the slipped-age model).
    EXPECT_NEAR(jsonOf({"availability", written, "--json"})["steady_availability"].get<double>(), 0.998300627538, 1e-12);
    std::remove(written.c_str());

    const DrovaRun notANet = runDrova({"build", example("machine.gsms")});
    EXPECT_EQ(notANet.status, 1);
    EXPECT_EQ(notANet.lastErrLine(), "drova build reads a net file (.toml); \"" + example("machine.gsms") +
                                         "\" is not one (a GSMS file is already a GSMS)");
    const DrovaRun unwritable = runDrova({"build", example("pumps.toml"), "-o", std::string(dir) + "/no/such/folder.gsms"});
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_EQ(unwritable.lastErrLine(), "Could not write the file \"" + std::string(dir) + "/no/such/folder.gsms\"");
    rmdir(dir);
}

TEST(Net, MistakesAndLimitsInEveryCommand) {
    const std::string bad = testData("net/bad-guard.toml");
    for (const std::string command : {"check", "konv", "reliability", "availability", "build"}) {
        std::vector<std::string> args{command, bad};
        if (command == "konv") args.insert(args.end(), {"--time-bound", "0", "--threshold", "0"});
        const DrovaRun run = runDrova(args);
        EXPECT_EQ(run.status, 1) << command;
        EXPECT_EQ(run.lastErrLine(), "transitions.repair.guard (line 14, column 26): unknown place \"brokn\" (did you mean \"broken\"?)")
            << command;
    }
    const DrovaRun limited = runDrova({"check", example("pumps.toml"), "--max-states", "3"});
    EXPECT_EQ(limited.status, 1);
    EXPECT_EQ(limited.lastErrLine().rfind("The net has more than 3 reachable markings", 0), 0u) << limited.lastErrLine();
}

// F(t) of the standby net against the share of drova sim's runs of the same net failed by t.
TEST(Net, AgreesWithSimulationOfTheSameNet) {
    const int runs = DrovaSanitized ? 10000 : 100000;
    const std::string model = testData("net/standby.toml");
    const json exact = jsonOf({"reliability", model, "--times", "100,300,1000", "--json"});
    const SimulatedFailures sim = simulateFailures(model, runs, "28");
    ASSERT_EQ(sim.run.status, 0) << sim.run.lastErrLine();
    const std::vector<double> at = exact["times"].get<std::vector<double>>();
    for (std::size_t k = 0; k < at.size(); ++k) {
        const double f = exact["failure"][k].get<double>();
        EXPECT_NEAR(sim.shareBy(at[k]), f, 4 * std::sqrt(f * (1 - f) / runs)) << "t = " << at[k];
    }
}

}  // namespace
