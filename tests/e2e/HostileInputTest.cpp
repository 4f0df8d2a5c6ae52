// Hostile input: oversized numbers, deep nesting, long paths, costly computations and huge
// models. Each command runs within 2.5 GB and 60 seconds (runDrovaLimited) and must end with
// exit status 1 and a message that says what is wrong and where, or with its answer.

#include "RunDrova.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const std::string Machine = std::string(DROVA_SOURCE_DIR) + "/examples/machine.gsms";
const std::string SelfLoop = testData("konv/self-loop.gsms");
const std::string Digits(100000, '1');

// "a,a,...,a" with `count` items.
std::string repeated(const std::string& item, std::size_t count) {
    std::string list;
    for (std::size_t i = 0; i < count; ++i) list += (i ? "," : "") + item;
    return list;
}

// A file for the duration of a test.
class TemporaryFile {
public:
    TemporaryFile(const std::string& suffix, const std::string& content) {
        char name[] = "/tmp/drova-hostile-XXXXXX";
        const int fd = mkstemp(name);
        if (fd < 0) throw std::runtime_error("mkstemp failed");
        close(fd);
        std::remove(name);
        path_ = std::string(name) + suffix;
        std::ofstream(path_, std::ios::binary) << content;
    }
    ~TemporaryFile() { std::remove(path_.c_str()); }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// A chain S0 -> S1 -> ... -> S(n-1) of exponential steps; the last state is down. Every state
// starts its one timer afresh, so every state is a state of the SMS.
std::string chainModel(std::size_t states) {
    std::string text = "chain\n" + std::to_string(states) + "\n";
    for (std::size_t i = 0; i + 1 < states; ++i) text.append("S").append(std::to_string(i)).append(" 0\n0\n0 1\n");
    text.append("S").append(std::to_string(states - 1)).append(" 1\n\n\n0\n1\nExp\n1 1\n");
    text.append(std::to_string(states - 1)).append("\n");
    for (std::size_t i = 0; i + 1 < states; ++i)
        text.append(std::to_string(i)).append(" 0\n1\n").append(std::to_string(i + 1)).append(" 1 1\n0\n");
    return text;
}

std::string integral(const std::string& distribution) {
    return R"({"Distribution": ")" + distribution + R"(", "Vars": "x", "Var": "x", "A": "0", "B": "t"})";
}

void expectFailure(const DrovaRun& run, const std::string& message) {
    EXPECT_EQ(run.status, 1) << run.err.substr(0, 300);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.lastErrLine(), message);
}

const std::string TermLimitAdvice =
    "; give a positive time bound and threshold so that long paths are cut off, a shorter path, or a higher term "
    "limit";

}  // namespace

TEST(HostileInput, NumbersOfAHundredThousandDigits) {
    const std::string tooLong =
        "The number \"11111111111111111111...\" has 100000 digits, more than the limit of 10000";
    expectFailure(runDrovaLimited({"konv", Machine, "--time-bound", Digits, "--threshold", "0"}), tooLong);
    expectFailure(runDrovaLimited({"konv", Machine, "--time-bound", "0." + Digits, "--threshold", "0"}),
                  "The number \"01111111111111111111...\" has 100001 digits, more than the limit of 10000");
    DrovaRun run = runDrovaLimited({"konv", Machine, "--time-bound", Digits + "x", "--threshold", "0"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err.substr(0, 48), "Not an integer, fraction or decimal: 11111111111");
    EXPECT_LT(run.err.size(), 400u);
    // Ten thousand digits are still read.
    run = runDrovaLimited({"konv", Machine, "--time-bound", std::string(10000, '9'), "--threshold", "0"});
    EXPECT_EQ(run.status, 0) << run.lastErrLine();
    EXPECT_EQ(run.out, "[0 1-1*exp(-1/sym(100)*t) \n1*heaviside(t-5) 0 \n]\n");

    expectFailure(runDrovaLimited({"int", "-"}, R"({"proper": [)" + integral("Exp(" + Digits + ")") + "]}"), tooLong);
    expectFailure(runDrovaLimited({"int", "-"}, R"({"proper": [)" + integral("Exp(1/" + Digits + ")") + "]}"),
                  tooLong);

    // JSON numbers are doubles: beyond their range the number is named by its key path.
    run = runDrovaLimited({"int", "-"}, R"({"proper": [{"Distribution": {"DistributionType": "Exp",
        "RationalParameters": [)" + Digits + R"(], "Symbolic": true}, "Vars": "x", "Var": "x", "A": "0", "B": "t"}]})");
    expectFailure(run,
                  "proper[0].Distribution.RationalParameters[0]: the number 11111111111111111111... (100000 "
                  "characters) is beyond the range of JSON numbers; give it as a string, such as \"3/4\"");
}

TEST(HostileInput, DeepNestingIsRefusedWithItsPath) {
    const std::string nested = std::string(100000, '[') + std::string(100000, ']');
    const std::string twelveLevels = "[0][0][0][0][0][0][0][0][0][0][0][0]...";
    const std::string deep = ": arrays and objects nested more than 100 levels deep";
    expectFailure(runDrovaLimited({"int", "-"}, nested), twelveLevels + deep);
    expectFailure(runDrovaLimited({"int", "-"}, R"({"proper": )" + nested + "}"),
                  "proper[0][0][0][0][0][0][0][0][0][0][0]..." + deep);
    // A hundred levels are allowed, so the format's own message comes.
    const std::string hundred = std::string(99, '[') + std::string(99, ']');
    expectFailure(runDrovaLimited({"int", "-"}, R"({"proper": )" + hundred + "}"),
                  "proper[0]: expected an object {\"Distribution\": ..., \"Vars\": ..., \"Var\": ..., \"A\": ..., "
                  "\"B\": ...}, found " + std::string(57, '[') + "...");

    const TemporaryFile document(".json", R"({"Name": )" + nested + "}");
    expectFailure(runDrovaLimited({"sim", document.path(), "--runs", "1", "--horizon", "1"}),
                  "gsms.Name(1)(1)(1)(1)(1)(1)(1)(1)(1)(1)(1)..." + deep);
    const TemporaryFile overflow(".json", R"({"Name": "m", "States": [{"Name": "Up", "DownState": false,
        "Transitions": [1, 1e400]}]})");
    expectFailure(runDrovaLimited({"sim", overflow.path(), "--runs", "1", "--horizon", "1"}),
                  "gsms.States(1).Transitions(2): the number 1e400 (5 characters) is beyond the range of JSON "
                  "numbers");
}

TEST(HostileInput, LongPathsAndCostlyComputationsEndAtTheirLimits) {
    expectFailure(runDrovaLimited({"konv", SelfLoop, "--path", repeated("2", 1001), "--dest", repeated("1", 1001)}),
                  "The path has 1001 steps, more than the limit of 1000");
    expectFailure(runDrovaLimited({"konv", Machine, "--path", repeated("1,2", 1000), "--dest", repeated("1", 2000)}),
                  "The path has 2000 steps, more than the limit of 1000");
    // The walk round Busy's loop would never end: refused at once, naming the cycle.
    expectFailure(runDrovaLimited({"konv", SelfLoop, "--time-bound", "0", "--threshold", "0"}),
                  "The walk met a cycle through states outside the SMS that it would follow without end: state 1 "
                  "(Busy) -> state 1 (Busy); give a positive time bound and threshold so that long paths are cut off");
    // Twenty rounds of the loop in the path form: its expression grows until the walk holds more than
    // its memory limit, a quarter of what the process may take.
    const DrovaRun held =
        runDrovaLimited({"konv", SelfLoop, "--path", repeated("1", 1).append(",").append(repeated("2", 20)), "--dest",
                         repeated("1", 21)});
    EXPECT_EQ(held.status, 1) << held.lastErrLine();
    EXPECT_EQ(held.out, "");
    EXPECT_EQ(held.lastErrLine().rfind("The computation held more than ", 0), 0u) << held.lastErrLine();
    const std::string memoryAdvice =
        " MB of memory (the memory limit); give a positive time bound and threshold so that long paths are cut off, a "
        "shorter path, or a higher memory limit";
    EXPECT_NE(held.lastErrLine().find(memoryAdvice), std::string::npos) << held.lastErrLine();
    // A time limit, when given, ends it sooner.
    expectFailure(runDrovaLimited({"konv", SelfLoop, "--path", repeated("1", 1).append(",").append(repeated("2", 20)),
                                   "--dest", repeated("1", 21), "--max-time", "0.5"}),
                  "The computation took more than 0.5 seconds (the time limit); give a positive time bound and "
                  "threshold so that long paths are cut off, a shorter path, or a higher time limit");

    std::string objects;
    for (int i = 0; i < 3000; ++i) objects += (i ? "," : "") + integral("Exp(1)");
    expectFailure(runDrovaLimited({"int", "-"}, R"({"proper": [)" + objects + "]}"),
                  "The computation produced more than 5000000 terms (10 times the limit of 500000 terms); give fewer "
                  "integrals, or integrals over fewer variables, or a higher term limit");
}

TEST(HostileInput, TheTermLimitIsAnOption) {
    // (1 - exp(-t))^3: its integrals produce fewer than 80 terms, but more than 60.
    const std::string cube = R"({"proper": [)" + repeated(integral("Exp(1)"), 3) + "]}";
    const DrovaRun unlimited = runDrovaLimited({"int", "-"}, cube);
    EXPECT_EQ(unlimited.status, 0) << unlimited.err;
    EXPECT_EQ(unlimited.out, "-1*exp(-3*t)+3*exp(-2*t)+1-3*exp(-1*t)\n");
    DrovaRun run = runDrovaLimited({"int", "-", "--max-terms", "8"}, cube);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, unlimited.out);
    expectFailure(runDrovaLimited({"int", "-", "--max-terms", "6"}, cube),
                  "The computation produced more than 60 terms (10 times the limit of 6 terms); give fewer integrals, "
                  "or integrals over fewer variables, or a higher term limit");

    expectFailure(runDrovaLimited({"konv", Machine, "--time-bound", "0", "--threshold", "0", "--max-terms", "3"}),
                  "The kernel of 2 states would have 4 entries, more than the limit of 3 terms");
    run = runDrovaLimited({"konv", Machine, "--path", "1,2", "--dest", "1,1", "--max-terms", "4"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "-1*exp(1/sym(20))*exp(-1/sym(100)*t)*heaviside(t-5)+1*heaviside(t-5)\n");
    // The walk is not limited by the terms it produced, only by the size of each expression.
    expectFailure(runDrovaLimited({"konv", Machine, "--path", "1,2", "--dest", "1,1", "--max-terms", "3"}),
                  "An expression grew past the limit of 3 terms" + TermLimitAdvice);
    run = runDrovaLimited({"konv", Machine, "--path", "1", "--dest", "1", "--max-terms", "0"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err.substr(0, 59), "--max-terms: Value 0 not in range 1 to 9223372036854775807\n");
}

TEST(HostileInput, HugeModels) {
    const TemporaryFile chain(".gsms", chainModel(100000));
    expectFailure(runDrovaLimited({"konv", chain.path(), "--time-bound", "0", "--threshold", "0"}),
                  "The kernel of 100000 states would have 10000000000 entries, more than the limit of 500000 terms");
    // The mapping to the simulator takes each transition once; one run walks the whole chain.
    const DrovaRun run = runDrovaLimited({"sim", chain.path(), "--runs", "1", "--horizon", "inf"});
    EXPECT_EQ(run.status, 0) << run.lastErrLine();
    EXPECT_EQ(run.out.back(), '\n');
}

TEST(HostileInput, NamesThatTheSimulatorCannotTakeAreNamedWithTheirLine) {
    const TemporaryFile model(".gsms", "single\n2\nUp 0\n0\n0 1\ncaf\xC3\xA9 1\n\n\n0\n1\nExp\n1 2\n1\n0 0\n1\n1 1 1\n\n");
    expectFailure(runDrovaLimited({"sim", model.path(), "--runs", "1", "--horizon", "1"}),
                  "The name of state 1 at line 6, \"caf\\xC3\\xA9\", is not ASCII text; the simulator takes ASCII "
                  "names only");
}

TEST(HostileInput, TheWalksBudgetIsCheckedAsAnOption) {
    for (const char* size : {"0", "12X", "-5M", ""}) {
        const DrovaRun run = runDrovaLimited({"konv", Machine, "--time-bound", "0", "--threshold", "0", "--max-memory", size});
        EXPECT_EQ(run.status, 2) << size;
        EXPECT_NE(run.err.find("--max-memory"), std::string::npos) << run.err;
    }
    for (const char* seconds : {"0", "-1", "soon", "inf"}) {
        const DrovaRun run = runDrovaLimited({"reliability", Machine, "--times", "1", "--max-time", seconds});
        EXPECT_EQ(run.status, 2) << seconds;
        EXPECT_NE(run.err.find("--max-time"), std::string::npos) << run.err;
    }
    // Room enough: the answer is the same as without the options.
    const DrovaRun plain = runDrovaLimited({"availability", Machine, "--times", "10"});
    const DrovaRun limited =
        runDrovaLimited({"availability", Machine, "--times", "10", "--max-memory", "64M", "--max-time", "100"});
    EXPECT_EQ(limited.status, 0) << limited.err;
    EXPECT_EQ(limited.out, plain.out);
}
