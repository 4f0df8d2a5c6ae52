// drova sim end to end: exact times from the known generator stream, seeds,
// .gsms input, usage errors, model errors and interruption.

#include "InterruptDrova.hpp"
#include "RunDrova.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <sys/wait.h>
#include <thread>

namespace {

// The first uniforms of the default stream for seeds 0 and 1. Each run of the
// test models draws two: the timer's value, then the destination.
constexpr double SeedZero[] = {0.8147236863931789, 0.9057919370756192, 0.12698681629350606};
constexpr double SeedOne[] = {0.417022004702574, 0.7203244934421581, 0.00011437481734488664};

std::string line(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g\n", value);
    return text;
}

// Exp(0.5): time = -log(u) / 0.5.
std::string expLine(double u) { return line(-std::log(u) / 0.5); }

DrovaRun sim(const std::string& model, std::vector<std::string> options) {
    options.insert(options.begin(), {"sim", testData("sim/" + model)});
    return runDrova(options);
}

TEST(SimCommand, PrintsOneExponentialTimePerRun) {
    const std::string seedZero = expLine(SeedZero[0]) + expLine(SeedZero[2]);
    for (const char* model : {"exp.json", "exp.gsms"}) {
        DrovaRun run = sim(model, {"--runs", "2", "--horizon", "inf"});
        EXPECT_EQ(run.status, 0) << model << ": " << run.err;
        EXPECT_EQ(run.out, seedZero) << model;
        EXPECT_EQ(run.err, "") << model;
    }
    EXPECT_EQ(sim("exp.json", {"--runs", "2", "--horizon", "10", "--seed", "0"}).out, seedZero);
    EXPECT_EQ(sim("exp.json", {"--runs", "2", "--horizon", "100", "--seed", "1"}).out,
              expLine(SeedOne[0]) + expLine(SeedOne[2]));
    // Run 2 (4.13) passes the horizon and is left out; no runs, no lines.
    EXPECT_EQ(sim("exp.json", {"--runs", "2", "--horizon", "1"}).out, expLine(SeedZero[0]));
    DrovaRun none = sim("exp.json", {"--runs", "0", "--horizon", "1"});
    EXPECT_EQ(none.status, 0);
    EXPECT_EQ(none.out, "");
}

TEST(SimCommand, MapsTheTimersOfAGsmsFile) {
    // Uni(1/2, 5/2): (b - a) u + a.
    DrovaRun run = sim("uniform.gsms", {"--runs", "1", "--horizon", "inf"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, line((2.5 - 0.5) * SeedZero[0] + 0.5));

    // Deg(1/10) then Deg((10^400 + 1) / 10^400): the nearest doubles 0.1 and 1.
    // Deterministic timers draw nothing; each run draws only its destinations.
    DrovaRun deterministic = sim("deterministic.gsms", {"--runs", "2", "--horizon", "inf"});
    EXPECT_EQ(deterministic.out, line(0.1 + 1.0) + line(0.1 + 1.0)) << deterministic.err;

    DrovaRun aged = sim("initial-age.gsms", {"--runs", "1", "--horizon", "inf"});
    EXPECT_EQ(aged.status, 1);
    EXPECT_EQ(aged.out, "");
    EXPECT_EQ(aged.lastErrLine(),
              "Timer 0 of the initial state 0 (Up) has age 1/2 on entry; a simulation starts every timer of the "
              "initial state at age 0");
}

TEST(SimCommand, RejectsBadUsage) {
    const std::vector<std::vector<std::string>> usages = {
        {"--runs", "2"},
        {"--horizon", "1"},
        {"--runs", "two", "--horizon", "1"},
        {"--runs", "0x10", "--horizon", "1"},
        {"--runs", "2", "--horizon", "1s"},
        {"--runs", "2", "--horizon", "1", "--seed", "-1"},
        {"--runs", "2", "--horizon", "1", "--seed", "4294967296"},
        {"--runs", "2", "--horizon", "1", "--seed", "+1"},
    };
    for (const auto& usage : usages) {
        DrovaRun run = sim("exp.json", usage);
        EXPECT_EQ(run.status, 2) << testing::PrintToString(usage);
        EXPECT_EQ(run.out, "");
    }
    EXPECT_EQ(sim("exp.json", {"--runs", "1", "--horizon", "1", "--seed", "4294967295"}).status, 0);
}

struct FailingModel {
    const char* file;
    const char* message;
};

void PrintTo(const FailingModel& failing, std::ostream* out) { *out << failing.file; }

const FailingModel FailingModels[] = {
    {"syntax.json",
     "Could not read the JSON model: parse error at line 1, column 31: syntax error while parsing value - "
     "unexpected '}'; expected '[', '{', or a literal"},
    {"missing-key.json", "gsms.Initial: expected the key InitialTimers (the keys are InitialState, InitialTimers)"},
    {"unexpected-key.json",
     "gsms.Comment: unexpected key (expected only Name, States, Initial, Distributions, Transitions)"},
    {"wrong-flag.json", "gsms.States(2).DownState: expected true or false"},
    {"unknown-type.json", "gsms.Distributions(1).type: expected Deg, Exp, Uni or Lognormal, or their values 1 to 4"},
    {"fractional-target.json", "gsms.Transitions(1).Destinations(1).Target: expected an integer"},
    {"negative-rate.json", "gsms.Distributions(1).parameters(1): expected a positive rate"},
    {"reversed-uniform.json",
     "gsms.Distributions(1).parameters(2): expected an upper bound not below the lower bound"},
    {"negative-delay.json", "gsms.Distributions(1).parameters(1): expected a non-negative delay"},
    // Found by the module: message and identifier.
    {"three-parameters.json",
     "gsms.Distributions.parameters must be of size 1x:2, not 1x3. (EMLRT:runTime:SizeMismatch)"},
    {"state-out-of-range.json",
     "Index 3 is out of bounds for gsms.States: the valid range is 1 to 2. (EMLRT:runTime:IndexOutOfBounds)"},
    {"no-such-file.json", "Could not open the file \""},
};

class SimFailure : public testing::TestWithParam<FailingModel> {};

TEST_P(SimFailure, ExitsWithTheMessageAsLastErrorLine) {
    DrovaRun run = sim(GetParam().file, {"--runs", "2", "--horizon", "10"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(run.lastErrLine().starts_with(GetParam().message)) << run.lastErrLine();
}

INSTANTIATE_TEST_SUITE_P(Files, SimFailure, testing::ValuesIn(FailingModels));

TEST(SimCommand, NegativeRunCountIsTheModulesError) {
    DrovaRun run = sim("exp.json", {"--runs", "-3", "--horizon", "1"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.lastErrLine(), "The size -3 must not be negative. (EMLRT:runTime:NonNegativeCheck)");
}

TEST(SimCommand, InterruptEndsAnEndlessCallWithAnError) {
    const std::optional<DrovaRun> run =
        runDrovaInterrupted({"sim", testData("sim/zero-delay-cycle.json"), "--runs", "1", "--horizon", "inf"});
    ASSERT_TRUE(run) << "drova sim did not end after the interrupt";
    EXPECT_EQ(run->status, 1);
    EXPECT_EQ(run->lastErrLine(), "Operation interrupted by the user. (EMLRT:runTime:UserInterrupt)");
}

}  // namespace
