// drova check: the summary of a model, and the exact message of every way a file can fail.

#include "RunDrova.hpp"

#include <gtest/gtest.h>

namespace {

struct FailingFile {
    const char* file;
    const char* message;
};

void PrintTo(const FailingFile& failing, std::ostream* out) { *out << failing.file; }

// Files under tests/data/check, each a small change to examples/machine.gsms.
const FailingFile FailingFiles[] = {
    // Items that cannot be read
    {"flag-missing-at-end.gsms", "Could not read the flag of state 1 at line 6 (end of file)"},
    {"flag-not-boolean.gsms", "Could not read the flag of state 0 at line 3"},
    {"count-not-a-number.gsms", "Could not read the number of states at line 2"},
    {"count-negative.gsms", "Could not read the number of states at line 2"},
    {"count-beyond-64-bits.gsms", "Could not read the number of states at line 2"},
    {"count-huge.gsms", "Could not read the name of state 2 at line 8 (end of file)"},
    {"source-not-a-number.gsms", "Could not read the source of transition 0 at line 15"},
    {"active-timer-negative.gsms", "Could not read the active timers of state 0 at line 4"},
    {"restarted-line-missing.gsms",
     "Could not read the restarted timers of destination 0 of transition 1 at line 21 (end of file)"},
    // States and the initial state
    {"delay-count.gsms", "There is not a delay for each active timer"},
    {"initial-state-out-of-range.gsms", "State 2 does not exist"},
    {"no-states.gsms", "State 0 does not exist"},
    {"active-timer-out-of-range.gsms", "Active timer 5 of state 0 does not exist"},
    // Timers
    {"timer-kind-unknown.gsms", "Error during parsing of GSMS file: the kind of timer 0 at line 11 is \"Pareto\"; it must be Exp, Deg, Uni, Erl, HypoExp, "
     "HyperExp, Expoly, Weibull, Lognormal, Gamma or Normal"},
    {"timer-parameter-count.gsms", "Error during parsing of GSMS file: Uni timer 0 at line 12 needs 2 parameters (a numerator and "
                                   "a denominator each), but 1 was given"},
    {"exp-rate-zero.gsms", "The rate must be positive"},
    {"deg-delay-negative.gsms", "The delay must be non-negative"},
    {"uni-bounds-reversed.gsms", "Lower bound endpoint must be lesser or equal to upper bound endpoint"},
    {"uni-lower-negative.gsms", "The lower bound must be non-negative"},
    {"uni-bounds-equal.gsms", "The upper bound must greater than the lower bound"},
    // Ages on entry that the timer cannot have while it runs
    {"age-beyond-support-tie.gsms",
     "The age 3/2 of timer 0 (Uni(0, 1/2)) on entering state 0 (A) at line 5 cannot be: a uniform timer has fired by "
     "its upper bound 1/2; give an age the timer can have while it runs, or -1 1 if it is unknown"},
    // Transitions and destinations
    {"source-out-of-range.gsms", "State 2 does not exist"},
    {"triggering-timer-out-of-range.gsms", "Timer 5 does not exist"},
    {"target-out-of-range.gsms", "State 3 does not exist"},
    {"restarted-timer-out-of-range.gsms", "Timer 2 does not exist"},
    {"probability-two-values.gsms", "Error during parsing of GSMS file: the probability of destination 0 of transition 0 at line 17 "
                                   "must be one value (a numerator and a denominator), but 2 were given"},
    {"probability-missing.gsms", "Error during parsing of GSMS file: the probability of destination 0 of transition 0 at line 17 "
                                 "must be one value (a numerator and a denominator), but 0 were given"},
    {"probability-above-one.gsms", "Probability 3/2 not in range [0, 1]"},
    {"probability-negative.gsms", "Probability -1/2 not in range [0, 1]"},
    // Numbers are decimal text only
    {"denominator-zero.gsms", "Integer division by zero"},
    {"hexadecimal.gsms", "Could not parse the string \"0x10\" as a valid rational number."},
    {"denominator-empty.gsms", "Could not parse the string \"5/\" as a valid rational number."},
    {"plus-sign.gsms", "Could not parse the string \"+5\" as a valid rational number."},
    {"number-with-nul.gsms", "Could not parse the string \"10\\x000\" as a valid rational number."},
    // Counts beyond what the file holds fail where the reader falls out of step, and say where
    {"timer-count-beyond-file.gsms",
     "Error during parsing of GSMS file: the kind of timer 2 at line 14 is \"2\"; it must be Exp, Deg, Uni, Erl, HypoExp, HyperExp, "
     "Expoly, Weibull, Lognormal, Gamma or Normal"},
    {"destination-count-beyond-file.gsms",
     "Error during parsing of GSMS file: the probability of destination 1 of transition 0 at line 19 must be one "
     "value (a numerator and a denominator), but 0 were given"},
};

class CheckFailure : public testing::TestWithParam<FailingFile> {};

TEST_P(CheckFailure, ExitsWithTheMessageAsLastErrorLine) {
    const DrovaRun run = runDrova({"check", testData(std::string("check/") + GetParam().file)});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.lastErrLine(), GetParam().message);
    EXPECT_EQ(run.out, "");
}

INSTANTIATE_TEST_SUITE_P(Files, CheckFailure, testing::ValuesIn(FailingFiles),
                         [](const testing::TestParamInfo<FailingFile>& info) {
                             std::string name;
                             for (const char* c = info.param.file; *c && *c != '.'; ++c)
                                 name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
                             return name;
                         });

std::string example(const std::string& file) { return std::string(DROVA_SOURCE_DIR) + "/examples/" + file; }

TEST(Check, PrintsTheSummaryOfTheMachineExample) {
    const DrovaRun run = runDrova({"check", example("machine.gsms")});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              "Model: machine\n"
              "States: 2\n"
              "Timers: 2\n"
              "Transitions: 2\n"
              "Initial state: 0 (Up)\n"
              "Timer 0: Exp(1/100)\n"
              "Timer 1: Deg(5)\n"
              "States of the SMS: 0 (Up), 1 (Down)\n");
    EXPECT_EQ(run.err, "");
}

TEST(Check, LeadingZerosAreDecimal) {
    const DrovaRun run = runDrova({"check", testData("check/leading-zeros.gsms")});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("Timer 0: Exp(1/10)\nTimer 1: Deg(5)\n"), std::string::npos) << run.out;
}

TEST(Check, EveryBundledExampleIsValid) {
    for (const char* file : {"machine.gsms", "redundant.gsms", "maintenance.gsms", "assembly.gsms"}) {
        const DrovaRun run = runDrova({"check", example(file)});
        EXPECT_EQ(run.status, 0) << file << ": " << run.err;
    }
}

TEST(Check, StatesWithAnUnknownAgeAndAWayOutAreNotStatesOfTheSms) {
    const DrovaRun run = runDrova({"check", example("redundant.gsms")});
    EXPECT_NE(run.out.find("\nStates of the SMS: 0 (BothUp), 1 (RepairA), 2 (RepairB)\n"), std::string::npos)
        << run.out;
}

TEST(Check, PathThatCannotBeOpened) {
    for (const std::string& path : {testData("check/no-such-file.gsms"), testData("check"), std::string()}) {
        const DrovaRun run = runDrova({"check", path});
        EXPECT_EQ(run.status, 1) << path;
        EXPECT_EQ(run.lastErrLine(), "Could not open the file \"" + path + "\"") << path;
    }
}

TEST(Check, WarnsOfLikelySlipsButAcceptsTheModel) {
    const DrovaRun below = runDrova({"check", testData("check-warnings/probabilities-below-one.gsms")});
    EXPECT_EQ(below.status, 0) << below.err;
    EXPECT_NE(below.out.find("Transitions: 2\n"), std::string::npos) << below.out;
    EXPECT_EQ(below.err, "Warning: the probabilities of the destinations of transition 0 add up to 1/2, not 1\n");

    const DrovaRun several = runDrova({"check", testData("check-warnings/several-timers-not-deterministic.gsms")});
    EXPECT_EQ(several.status, 0) << several.err;
    EXPECT_EQ(several.err,
              "Warning: transition 0 has several timers, which only deterministic timers can fire together, but "
              "timer 0 is Exp(1/100)\n");
    // The bundled examples give no warning.
    for (const char* file : {"machine.gsms", "redundant.gsms", "maintenance.gsms", "assembly.gsms"})
        EXPECT_EQ(runDrova({"check", example(file)}).err, "") << file;
}

TEST(Check, BadUsageExitsWithTwo) {
    EXPECT_EQ(runDrova({"check"}).status, 2);
    EXPECT_EQ(runDrova({"check", example("machine.gsms"), "extra"}).status, 2);
    EXPECT_EQ(runDrova({"nonsense"}).status, 2);
    EXPECT_EQ(runDrova({}).status, 2);
}

}  // namespace
