// drova sim at scale: the philox stream gives the same bytes for any number of threads (and,
// with drova-mpi, of processes); the matlab stream stays the default; the statistics of the
// runs; Ctrl-C during a threaded run.

#include "InterruptDrova.hpp"
#include "RunDrova.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <sys/wait.h>
#include <thread>

namespace {

const std::string Redundant = std::string(DROVA_SOURCE_DIR) + "/examples/redundant.gsms";

DrovaRun sim(const std::string& model, std::vector<std::string> options) {
    options.insert(options.begin(), {"sim", model});
    return runDrova(options);
}

// The mean time to failure of two units (rate 1/1000 each) with one deterministic repair of
// length 24: (3 - 2g) / (2 lambda (1 - g)), g = exp(-24/1000).
double textbookMttf() {
    const double lambda = 1.0 / 1000.0, g = std::exp(-24.0 / 1000.0);
    return (3.0 - 2.0 * g) / (2.0 * lambda * (1.0 - g));
}

std::vector<std::string> withThreads(std::vector<std::string> options, int threads) {
    options.insert(options.end(), {"--stream", "philox", "--threads", std::to_string(threads)});
    return options;
}

}  // namespace

TEST(SimScale, ThreadCountDoesNotChangeAByte) {
    const std::vector<std::vector<std::string>> outputs = {
        {},
        {"--summary", "--times", "1000,10000,15000"},
        {"--json", "--times", "5000"},
        {"--csv", "-"},
    };
    for (const auto& output : outputs) {
        // Four chunks of runs; about half the runs pass the horizon.
        std::vector<std::string> options = {"--runs", "1000", "--horizon", "20000", "--seed", "9"};
        options.insert(options.end(), output.begin(), output.end());
        const DrovaRun one = sim(Redundant, withThreads(options, 1));
        ASSERT_EQ(one.status, 0) << one.err;
        ASSERT_GT(one.out.size(), 100u);
        for (int threads : {2, 3}) {
            const DrovaRun many = sim(Redundant, withThreads(options, threads));
            EXPECT_EQ(many.status, 0) << many.err;
            EXPECT_EQ(many.out, one.out) << threads << " threads, " << testing::PrintToString(output);
        }
    }
    // The threads default to the cores; the seed picks other streams.
    EXPECT_EQ(sim(Redundant, {"--runs", "1000", "--horizon", "20000", "--seed", "9", "--stream", "philox"}).out,
              sim(Redundant, withThreads({"--runs", "1000", "--horizon", "20000", "--seed", "9"}, 2)).out);
    EXPECT_NE(sim(Redundant, withThreads({"--runs", "50", "--horizon", "inf", "--seed", "8"}, 2)).out,
              sim(Redundant, withThreads({"--runs", "50", "--horizon", "inf", "--seed", "9"}, 2)).out);
}

TEST(SimScale, MatlabStreamStaysTheDefault) {
    const std::vector<std::string> base = {"--runs", "40", "--horizon", "inf", "--seed", "3"};
    const DrovaRun plain = sim(Redundant, base);
    ASSERT_EQ(plain.status, 0) << plain.err;
    std::vector<std::string> named = base;
    named.insert(named.end(), {"--stream", "matlab", "--threads", "1"});
    EXPECT_EQ(sim(Redundant, named).out, plain.out);
    EXPECT_NE(sim(Redundant, withThreads(base, 1)).out, plain.out);

    const std::vector<std::vector<std::string>> usages = {
        {"--stream", "matlab", "--threads", "2"},
        {"--threads", "2"},
        {"--stream", "mt"},
        {"--stream", "philox", "--threads", "0"},
        {"--stream", "philox", "--threads", "two"},
        {"--times", "5"},
        {"--summary", "--json"},
        {"--summary", "--times", "5,x"},
        {"--json", "--times", "nan"},
        {"--json", "--csv", "-"},
    };
    for (const auto& usage : usages) {
        std::vector<std::string> options = {"--runs", "2", "--horizon", "1"};
        options.insert(options.end(), usage.begin(), usage.end());
        DrovaRun run = sim(Redundant, options);
        EXPECT_EQ(run.status, 2) << testing::PrintToString(usage);
        EXPECT_EQ(run.out, "") << testing::PrintToString(usage);
    }
}

TEST(SimScale, SummaryMeanAgreesWithTheTextbookMttf) {
    for (const char* stream : {"matlab", "philox"}) {
        DrovaRun run = sim(Redundant, {"--runs", "2000", "--horizon", "inf", "--stream", stream, "--json", "--times",
                                       "1000,1e9"});
        ASSERT_EQ(run.status, 0) << run.err;
        const nlohmann::json summary = nlohmann::json::parse(run.out);
        EXPECT_EQ(summary["runs"], 2000);
        EXPECT_EQ(summary["reached"], 2000);
        EXPECT_TRUE(summary["horizon"].is_null());
        EXPECT_EQ(summary["stream"], stream);
        const double mean = summary["mean"], error = summary["standardError"];
        EXPECT_NEAR(mean, textbookMttf(), 4 * error) << stream;
        // The standard error of an exponential-like time is about mean / sqrt(runs).
        EXPECT_NEAR(error, textbookMttf() / std::sqrt(2000.0), 0.1 * error) << stream;
        EXPECT_NEAR(summary["confidenceInterval"][0].get<double>(), mean - 1.959963984540054 * error, 1e-9 * mean);
        // By 1000, about 1 - exp(-2 * 1000 / 1000 * 0.024): a few percent, inside its interval.
        const nlohmann::json& early = summary["failureProbability"][0];
        EXPECT_EQ(early["time"], 1000.0);
        EXPECT_LE(early["interval"][0].get<double>(), early["estimate"].get<double>());
        EXPECT_GE(early["interval"][1].get<double>(), early["estimate"].get<double>());
        EXPECT_EQ(summary["failureProbability"][1]["estimate"], 1.0);

        // The text summary carries the same figures.
        if (std::string(stream) != "matlab") continue;
        DrovaRun text = sim(Redundant, {"--runs", "2000", "--horizon", "inf", "--stream", stream, "--summary"});
        char meanLine[80];
        std::snprintf(meanLine, sizeof meanLine, "mean time to the first down state: %.6g\n", mean);
        EXPECT_TRUE(text.out.starts_with("runs: 2000\nreached a down state: 2000 (horizon inf)\n")) << text.out;
        EXPECT_NE(text.out.find(meanLine), std::string::npos) << text.out;
    }
}

TEST(SimScale, CsvFileBesideTheSummary) {
    const std::string path = testing::TempDir() + "drova-sim-times.csv";
    const std::vector<std::string> base = {"--runs", "300", "--horizon", "20000"};
    std::vector<std::string> options = base;
    options.insert(options.end(), {"--summary", "--csv", path});
    DrovaRun run = sim(Redundant, options);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(run.out.starts_with("runs: 300\n"));
    EXPECT_EQ(readWholeFile(path), "time\n" + sim(Redundant, base).out);
    std::remove(path.c_str());

    options = base;
    options.insert(options.end(), {"--csv", "/nonexistent-dir/times.csv"});
    DrovaRun unwritable = sim(Redundant, options);
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_EQ(unwritable.lastErrLine(), "Cannot write the CSV file /nonexistent-dir/times.csv");
}

TEST(SimScale, PhiloxStreamFailsAsTheModuleDoes) {
    // A decoding error (found by the module's entry) and a run-time one (found in a run).
    for (const char* model : {"sim/three-parameters.json", "sim/state-out-of-range.json"}) {
        const DrovaRun matlab = sim(testData(model), {"--runs", "2", "--horizon", "10"});
        ASSERT_EQ(matlab.status, 1);
        for (int threads : {1, 3}) {
            const DrovaRun philox = sim(testData(model), withThreads({"--runs", "2", "--horizon", "10"}, threads));
            EXPECT_EQ(philox.status, 1) << model;
            EXPECT_EQ(philox.out, "");
            EXPECT_EQ(philox.lastErrLine(), matlab.lastErrLine()) << model;
        }
    }
    DrovaRun negative = sim(Redundant, withThreads({"--runs", "-3", "--horizon", "1"}, 2));
    EXPECT_EQ(negative.status, 1);
    EXPECT_EQ(negative.lastErrLine(), "The size -3 must not be negative. (EMLRT:runTime:NonNegativeCheck)");
}

// The handler is in place once the module's checks are done; the threads get a moment to start.
TEST(SimScale, InterruptEndsAThreadedRunCleanly) {
    const std::optional<DrovaRun> run = runDrovaInterrupted(
        {"sim", testData("sim/zero-delay-cycle.json"), "--runs", "100000", "--horizon", "inf", "--stream", "philox",
         "--threads", "3"},
        std::chrono::milliseconds(100));
    ASSERT_TRUE(run) << "drova sim did not end after the interrupt";
    EXPECT_EQ(run->status, 1);
    EXPECT_EQ(run->lastErrLine(), "Operation interrupted by the user. (EMLRT:runTime:UserInterrupt)");
}
