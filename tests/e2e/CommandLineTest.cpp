// The command line of drova itself: --help of drova and of each subcommand, --version, and the
// suggestions for misspelt subcommands and options.

#include "RunDrova.hpp"

#include <gtest/gtest.h>

namespace {

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(CommandLine, HelpShowsUsageEveryOptionAndAnExample) {
    const DrovaRun top = runDrova({"--help"});
    EXPECT_EQ(top.status, 0);
    for (const char* part : {"Usage: drova [OPTIONS] SUBCOMMAND", "--version", "check", "konv", "sim", "int",
                             "Examples:\n  drova check examples/machine.gsms\n"})
        EXPECT_TRUE(contains(top.out, part)) << part << " in\n" << top.out;

    struct Expected {
        const char* command;
        std::vector<const char*> parts;
    };
    const Expected commands[] = {
        {"check", {"Usage: drova check [OPTIONS] MODEL", "Examples:\n  drova check examples/machine.gsms\n"}},
        {"konv",
         {"Usage: drova konv [OPTIONS] MODEL", "--path", "--dest", "--time-bound", "--threshold", "--collect",
          "drova konv MODEL --time-bound X --threshold Y [--collect]",
          "Example:\n  drova konv examples/machine.gsms --path 1,2 --dest 1,1\n"}},
        {"int", {"Usage: drova int [OPTIONS] FILE", "Example:\n  drova int tests/data/int/worked-example-short.json\n"}},
        {"sim",
         {"Usage: drova sim [OPTIONS] MODEL", "--runs", "--horizon", "--seed",
          "Example:\n  drova sim examples/machine.gsms --runs 10 --horizon 1000 --seed 1\n"}},
    };
    for (const Expected& expected : commands) {
        const DrovaRun run = runDrova({expected.command, "--help"});
        EXPECT_EQ(run.status, 0) << expected.command;
        for (const char* part : expected.parts)
            EXPECT_TRUE(contains(run.out, part)) << part << " in\n" << run.out;
    }
}

TEST(CommandLine, VersionIsPrinted) {
    const DrovaRun run = runDrova({"--version"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.rfind("drova ", 0), 0u) << run.out;
}

TEST(CommandLine, MisspeltWordsGetASuggestion) {
    const std::string machine = std::string(DROVA_SOURCE_DIR) + "/examples/machine.gsms";
    const auto suggestion = [](const std::vector<std::string>& args) {
        const DrovaRun run = runDrova(args);
        EXPECT_EQ(run.status, 2);
        return run.lastErrLine();
    };
    EXPECT_EQ(suggestion({"chek", machine}), "Did you mean \"check\"?");
    EXPECT_EQ(suggestion({"knov", machine}), "Did you mean \"konv\"?");
    EXPECT_EQ(suggestion({"konv", machine, "--treshold", "0", "--time-bound", "0"}), "Did you mean \"--threshold\"?");
    EXPECT_EQ(suggestion({"konv", machine, "--path", "1", "--dets=1"}), "Did you mean \"--dest\"?");
    EXPECT_EQ(suggestion({"sim", machine, "--runs", "1", "--horizon", "1", "--seeds", "2"}), "Did you mean \"--seed\"?");
    // Nothing close: CLI11's message stays the last line.
    EXPECT_EQ(suggestion({"simulate-everything"}), "Run with --help for more information.");
    EXPECT_EQ(suggestion({"check", machine, "--model"}), "Run with --help for more information.");
}

}  // namespace
