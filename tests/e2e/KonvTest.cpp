// drova konv: the texts of the loaded Drovakonv module on standard output, its failures as the
// last line of standard error, and the usage errors of the command line.

#include "RunDrova.hpp"

#include <gtest/gtest.h>

namespace {

const std::string machine = std::string(DROVA_SOURCE_DIR) + "/examples/machine.gsms";
const std::string machineKernel = "[0 1-1*exp(-1/sym(100)*t) \n1*heaviside(t-5) 0 \n]\n";

std::string konvData(const std::string& name) { return testData("konv/" + name); }

void expectOutput(const std::vector<std::string>& args, const std::string& out) {
    const DrovaRun run = runDrova(args);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, out);
    EXPECT_EQ(run.err, "");
}

void expectFailure(const std::vector<std::string>& args, const std::string& message) {
    const DrovaRun run = runDrova(args);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.lastErrLine(), message);
}

TEST(Konv, PathVariantPrintsTheExpression) {
    expectOutput({"konv", machine, "--path", "1,2", "--dest", "1,1"},
                 "-1*exp(1/sym(20))*exp(-1/sym(100)*t)*heaviside(t-5)+1*heaviside(t-5)\n");
}

TEST(Konv, MatrixVariantPrintsTheKernel) {
    expectOutput({"konv", machine, "--time-bound", "0", "--threshold", "0"}, machineKernel);
    expectOutput({"konv", konvData("no-sms.gsms"), "--time-bound", "0", "--threshold", "0"}, "[]\n");
    expectOutput({"konv", konvData("lone-heaviside.gsms"), "--time-bound", "0", "--threshold", "0", "--collect"},
                 "[0 -1*exp(sym(5))*exp(-1*t)*heaviside(t-5)+1*heaviside(t-5) 0 \n0 0 0 \n0 0 0 \n]\n");
}

TEST(Konv, TimeBoundIsReadExactly) {
    // Start --Exp(1)--> Busy is worth 1 - exp(-x) at the time bound x: cut at or below 0.28.
    const std::string cut = "[0 0 1-1*exp(-1*t) \n0 0 0 \n0 0 0 \n]\n";
    const std::string model = konvData("self-loop.gsms");
    for (const char* bound : {"0.3", "3/10", "-1/3"})
        expectOutput({"konv", model, "--time-bound", bound, "--threshold", "0.28", "--collect"}, cut);
    for (const char* bound : {"1/3", "0.34", "1"}) {
        const DrovaRun run = runDrova({"konv", model, "--time-bound", bound, "--threshold", "0.28", "--collect"});
        EXPECT_EQ(run.status, 0) << bound;
        EXPECT_NE(run.out, cut) << bound;
    }
}

TEST(Konv, FailuresEndWithTheModulesMessage) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"konv", konvData("none.gsms"), "--path", "1", "--dest", "1"},
          {"konv", konvData("none.gsms"), "--time-bound", "0", "--threshold", "0"},
          {"konv", testData("konv"), "--time-bound", "0", "--threshold", "0"}})
        expectFailure(args, "Could not open the file \"" + args[1] + "\"");
    expectFailure({"konv", testData("check/uni-bounds-equal.gsms"), "--time-bound", "0", "--threshold", "0"},
                  "The upper bound must greater than the lower bound");
    expectFailure({"konv", machine, "--path", "", "--dest", ""}, "The path has no steps");
    expectFailure({"konv", konvData("equal-deterministic.gsms"), "--time-bound", "0", "--threshold", "0"},
                  "Transitions 0 and 1 of state 0 fire at the same instant; simultaneous deterministic firings need "
                  "one transition with several timers");
    expectFailure({"konv", konvData("several-timers-exponential.gsms"), "--path", "1", "--dest", "1"},
                  "Transition 0 has several timers, so all its timers must be deterministic");
}

TEST(Konv, PathStepsAreCheckedInTheNumbersTheUserWrote) {
    expectFailure({"konv", machine, "--path", "0", "--dest", "1"},
                  "--path: step 1 is transition 0, but the transitions are numbered 1 to 2");
    expectFailure({"konv", machine, "--path=1,-1", "--dest", "1,1"},
                  "--path: step 2 is transition -1, but the transitions are numbered 1 to 2");
    expectFailure({"konv", machine, "--path", "1,3", "--dest", "1,1"},
                  "--path: step 2 is transition 3, but the transitions are numbered 1 to 2");
    expectFailure({"konv", machine, "--path", "1", "--dest", "2"},
                  "--dest: step 1 takes destination 2 of transition 1, which has 1 destination (number 1)");
    expectFailure({"konv", machine, "--path", "2,1", "--dest", "1,0"},
                  "--dest: step 2 takes destination 0 of transition 1, which has 1 destination (number 1)");
    expectFailure({"konv", testData("check-warnings/probabilities-below-one.gsms"), "--path", "1", "--dest", "3"},
                  "--dest: step 1 takes destination 3 of transition 1, which has 2 destinations (numbered 1 to 2)");
    // Lists of different lengths are a wrong command line.
    const DrovaRun run = runDrova({"konv", machine, "--path", "1,2", "--dest", "1"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("--path has 2 steps but --dest has 1 destination; give one destination per step\n"),
              std::string::npos)
        << run.err;
    // A model that cannot be read is reported by the module, as before.
    expectFailure({"konv", testData("check/uni-bounds-equal.gsms"), "--path", "9", "--dest", "1"},
                  "The upper bound must greater than the lower bound");
}

TEST(Konv, BadUsageExitsWithTwo) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"konv"},
             {"konv", machine},
             {"konv", machine, "--path", "1"},
             {"konv", machine, "--time-bound", "1"},
             {"konv", machine, "--collect"},
             {"konv", machine, "--path", "1", "--dest", "1", "--time-bound", "1", "--threshold", "0"},
             {"konv", machine, "--path", "1,x", "--dest", "1"},
             {"konv", machine, "--path", "1,,2", "--dest", "1"},
             {"konv", machine, "--path", "99999999999999999999", "--dest", "1"},
             {"konv", machine, "--time-bound", "1/0", "--threshold", "0"},
             {"konv", machine, "--time-bound", "1e3", "--threshold", "0"},
             {"konv", machine, "--time-bound", "1", "--threshold", "small"},
         }) {
        const DrovaRun run = runDrova(args);
        EXPECT_EQ(run.status, 2) << args.back();
        EXPECT_EQ(run.out, "") << args.back();
    }
}

}  // namespace
