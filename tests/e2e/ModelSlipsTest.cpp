// Hand-written models checked for what silently changes an answer, and the first hour of a new
// user: ages on entry that contradict the transitions, ages a timer cannot have, cycles the walk
// would follow without end, walks that hold little but take many paths, and the help, the
// messages and the lists a newcomer types.

#include "RunDrova.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A file under /tmp named NAME in a folder of its own, removed at the end of the test program.
std::string writeTemporary(const std::string& name, const std::string& content) {
    char folder[] = "/tmp/drova-slips-XXXXXX";
    if (!mkdtemp(folder)) throw std::runtime_error("mkdtemp failed");
    const std::string path = std::string(folder) + "/" + name;
    std::ofstream(path, std::ios::binary) << content;
    static std::vector<std::pair<std::string, std::string>> made;
    struct Cleanup {
        ~Cleanup() {
            for (const auto& [file, dir] : made) {
                std::remove(file.c_str());
                rmdir(dir.c_str());
            }
        }
    };
    static Cleanup cleanup;
    made.emplace_back(path, folder);
    return path;
}

const std::string Machine = std::string(DROVA_SOURCE_DIR) + "/examples/machine.gsms";
const std::string MachineJson = std::string(DROVA_SOURCE_DIR) + "/examples/machine.json";
const std::string Redundant = std::string(DROVA_SOURCE_DIR) + "/examples/redundant.gsms";
const std::string SlippedAge = testData("check-warnings/slipped-age.gsms");

// The 2-out-of-3 pumps: TwoDownA is entered by transition 1 with the repair (timer 2) running on.
const std::string SlippedWarning =
    "Warning: state 2 (TwoDownA) declares the age of timer 2 (Deg(48)) on entry as 0, but transition 1 enters it "
    "from state 1 (OneDown) without restarting the timer, and the timer's age then depends on when the transition "
    "fires; write the age as unknown (-1 1) in state 2 (TwoDownA), or restart timer 2 in destination 0 of "
    "transition 1";

std::size_t occurrences(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

TEST(ModelSlips, ASlippedAgeIsAWarningOfEveryCommandThatComputesFromIt) {
    const DrovaRun check = runDrova({"check", SlippedAge});
    EXPECT_EQ(check.status, 0) << check.err;
    EXPECT_EQ(check.err, SlippedWarning + "\n");
    // The answer still comes, on standard output; the warning once on standard error, even where
    // the module is called twice (the default times come from a first call).
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"availability", SlippedAge, "--times", "10"},
          {"reliability", SlippedAge},
          {"konv", SlippedAge, "--time-bound", "0", "--threshold", "0"},
          {"konv", SlippedAge, "--path", "1,2", "--dest", "1,1"}}) {
        const DrovaRun run = runDrova(args);
        EXPECT_EQ(run.status, 0) << args[0] << ": " << run.err;
        EXPECT_NE(run.out, "");
        EXPECT_EQ(occurrences(run.err, SlippedWarning), 1u) << args[0] << ": " << run.err;
    }
    // The long-run availability that the slip gives, against the model written as meant.
    const DrovaRun slipped = runDrova({"availability", SlippedAge, "--times", "10"});
    EXPECT_NE(slipped.out.find("Long-run availability: 0.996634173401\n"), std::string::npos) << slipped.out;
    std::istringstream in(readFile(SlippedAge));
    std::string text, line;
    for (int number = 1; std::getline(in, line); ++number) text += (number == 11 ? "0 1 -1 1" : line) + "\n";
    const std::string meant = writeTemporary("meant.gsms", text);
    const DrovaRun fixed = runDrova({"availability", meant, "--times", "10"});
    EXPECT_EQ(fixed.err, "");
    EXPECT_NE(fixed.out.find("Long-run availability: 0.998300627538\n"), std::string::npos) << fixed.out;
    // The simulator follows the timers themselves: no warning there.
    EXPECT_EQ(runDrova({"sim", SlippedAge, "--runs", "10", "--horizon", "10"}).err, "");
}

TEST(ModelSlips, AnAgeBeyondTheTimersReachIsRefusedWhereverTheModelIsRead) {
    const std::string tie = testData("check/age-beyond-support-tie.gsms");
    const std::string message =
        "The age 3/2 of timer 0 (Uni(0, 1/2)) on entering state 0 (A) at line 5 cannot be: a uniform timer has fired "
        "by its upper bound 1/2; give an age the timer can have while it runs, or -1 1 if it is unknown";
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"check", tie},
          {"konv", tie, "--time-bound", "0", "--threshold", "0"},
          {"reliability", tie, "--times", "1"},
          {"sim", tie, "--runs", "1", "--horizon", "1"}}) {
        const DrovaRun run = runDrova(args);
        EXPECT_EQ(run.status, 1) << args[0];
        EXPECT_EQ(run.out, "") << args[0];
        EXPECT_EQ(run.lastErrLine(), message) << args[0];
    }
}

TEST(ModelSlips, ACycleOutsideTheSmsIsNamedBeforeAnyLimitTrips) {
    const std::string cycle = testData("walk/cycle-outside-sms.gsms");
    const std::string named = "state 1 (D1) -> state 2 (D2) -> state 1 (D1)";
    // The availability at the times asked comes from a walk cut off at the latest one, with its
    // error bound; the long run is not computed.
    const DrovaRun availability = runDrovaLimited({"availability", cycle, "--times", "10"});
    EXPECT_EQ(availability.status, 0) << availability.err;
    EXPECT_NE(availability.out.find("error bound"), std::string::npos) << availability.out;
    EXPECT_NE(availability.out.find("Long-run availability: not computed"), std::string::npos) << availability.out;
    EXPECT_EQ(availability.lastErrLine(),
              "Warning: The long-run values are not computed: the exact walk does not finish, and a walk cut off at "
              "t = 10 says nothing of the time beyond it; estimate them with drova sim");
    // The failure measures stop at the down states D1 and D2: for them the cycle is never walked.
    const DrovaRun reliability = runDrovaLimited({"reliability", cycle, "--times", "10"});
    EXPECT_EQ(reliability.status, 0) << reliability.lastErrLine();
    const DrovaRun konv = runDrovaLimited({"konv", cycle, "--time-bound", "0", "--threshold", "0"});
    EXPECT_EQ(konv.lastErrLine(), "The walk met a cycle through states outside the SMS that it would follow without "
                                  "end: " + named + "; give a positive time bound and threshold so that long paths "
                                  "are cut off");
    // With a time bound the same cycle is cut off, and the kernel comes.
    const DrovaRun cut = runDrovaLimited({"konv", cycle, "--time-bound", "10", "--threshold", "1e-6", "--collect"});
    EXPECT_EQ(cut.status, 0) << cut.lastErrLine();
}

TEST(ModelSlips, ReliabilityWithoutTimesOfAModelThatNeverRegenerates) {
    // Three units with fixed repair times have no mean time to failure: the default times come
    // from the slowest timer (mean 1, so up to t = 5) and are answered with an error bound (a
    // loose tolerance, met by the first cut-off walk, keeps the test short).
    const DrovaRun run = runDrovaLimited({"reliability", testData("bounds/three-units-fixed-repair.gsms"),
                                          "--tolerance", "0.5", "--max-time", "60"});
    EXPECT_EQ(run.status, 0) << run.lastErrLine();
    EXPECT_NE(run.out.find("error bound\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\n         5  "), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Mean time to failure: not computed\n"), std::string::npos) << run.out;
    EXPECT_EQ(run.err.rfind("Warning: The mean time to failure is not computed", 0), 0u) << run.err;
}

TEST(ModelSlips, AWalkOfManyShortPathsFinishesByDefault) {
    // A drawn model whose walk produces millions of terms but never holds more than a few MB. Its
    // exact walk takes half a second, but some twenty times as long in the sanitizer build: the
    // time limit leaves it more than the 10 s after which, with --times, the cut-off walk takes
    // over, so that the mean time to failure is computed in every build.
    const DrovaRun run = runDrovaLimited(
        {"reliability", testData("walk/deep-walk.gsms"), "--times", "1,10", "--max-time", "100"});
    EXPECT_EQ(run.status, 0) << run.lastErrLine();
    EXPECT_NE(run.out.find("Mean time to failure: 4.58765816329\n"), std::string::npos) << run.out;
}

TEST(FirstHour, EveryCommandsHelpEndsWithItsOwnExample) {
    for (const char* command : {"check", "build", "konv", "int", "sim", "reliability", "availability", "plot"}) {
        const DrovaRun run = runDrova({command, "--help"});
        EXPECT_EQ(run.status, 0) << command;
        std::string last = run.out.substr(0, run.out.find_last_not_of('\n') + 1);
        last = last.substr(last.rfind('\n') + 1);
        EXPECT_EQ(last.rfind(std::string("  drova ") + command + " ", 0), 0u) << command << ": " << last;
    }
}

TEST(FirstHour, AJsonModelWhereAGsmsFileIsReadSaysSo) {
    const std::string message = "\"" + MachineJson +
                                "\" is JSON, but this reads GSMS text files (.gsms) and nets (.toml); the JSON form "
                                "of a model is read by drova sim only";
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"reliability", MachineJson, "--times", "1"},
          {"availability", MachineJson, "--times", "1"},
          {"konv", MachineJson, "--path", "1", "--dest", "1"},
          {"check", MachineJson}}) {
        const DrovaRun run = runDrova(args);
        EXPECT_EQ(run.status, 1) << args[0];
        EXPECT_EQ(run.lastErrLine(), message) << args[0];
    }
    // A JSON document under another name is told by its first character.
    const std::string renamed = writeTemporary("machine.model", readFile(MachineJson));
    EXPECT_NE(runDrova({"availability", renamed, "--times", "1"}).lastErrLine().find("is JSON, but this reads GSMS"),
              std::string::npos);
    // drova sim reads it.
    EXPECT_EQ(runDrova({"sim", MachineJson, "--runs", "2", "--horizon", "1"}).status, 0);
}

TEST(FirstHour, TimesMayHaveBlanksAfterTheirCommas) {
    const DrovaRun spaced = runDrova({"reliability", Redundant, "--times", "1000, 8760", "--json"});
    const DrovaRun tight = runDrova({"reliability", Redundant, "--times", "1000,8760", "--json"});
    EXPECT_EQ(spaced.status, 0) << spaced.err;
    EXPECT_EQ(spaced.out, tight.out);
    // An item that is only blanks is still no time.
    const DrovaRun empty = runDrova({"reliability", Redundant, "--times", "1000, "});
    EXPECT_EQ(empty.status, 1);
    EXPECT_EQ(empty.lastErrLine().rfind("--times: \"\" is not a time", 0), 0u) << empty.lastErrLine();
}

TEST(FirstHour, AMisspeltStateGetsASuggestion) {
    EXPECT_EQ(runDrova({"reliability", Redundant, "--times", "1", "--from", "RepairX"}).lastErrLine(),
              "The model has no state named \"RepairX\"; did you mean \"RepairA\"?");
    EXPECT_EQ(runDrova({"reliability", Redundant, "--times", "1", "--from", "Elsewhere"}).lastErrLine(),
              "The model has no state named \"Elsewhere\"");
}

}  // namespace
