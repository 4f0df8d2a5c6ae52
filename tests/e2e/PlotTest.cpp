// drova plot end to end: the picture is written, and the numbers kept beside it are those of
// drova reliability and drova availability, and of drova sim on the same substreams; the kernel
// against its closed form; the default grid; the checks of the command line; and a machine
// without gnuplot.

#include "RunDrova.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

using nlohmann::json;
namespace fs = std::filesystem;

const std::string redundant = std::string(DROVA_SOURCE_DIR) + "/examples/redundant.gsms";
const std::string machine = std::string(DROVA_SOURCE_DIR) + "/examples/machine.gsms";

// The rows of a kept data file (lines that are not comments), split into numbers; the blocks of
// a kernel's file are separated by empty rows.
std::vector<std::vector<double>> rowsOf(const std::string& text) {
    std::vector<std::vector<double>> rows;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line[0] == '#') continue;
        std::istringstream fields(line);
        std::vector<double> row;
        for (double x; fields >> x;) row.push_back(x);
        rows.push_back(row);
    }
    return rows;
}

std::vector<double> column(const std::vector<std::vector<double>>& rows, std::size_t k) {
    std::vector<double> values;
    for (const auto& row : rows) values.push_back(row.at(k));
    return values;
}

std::string joined(const std::vector<double>& times) {
    std::string text;
    char number[40];
    for (double t : times) {
        std::snprintf(number, sizeof number, "%.17g", t);
        if (!text.empty()) text += ',';
        text += number;
    }
    return text;
}

json jsonOf(const std::vector<std::string>& args) {
    const DrovaRun run = runDrova(args);
    EXPECT_EQ(run.status, 0) << run.err;
    return json::parse(run.out);
}

class Plot : public testing::Test {
protected:
    void SetUp() override {
        char name[] = "/tmp/drova-plot-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        dir = name;
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string file(const std::string& name) const { return dir + "/" + name; }

    std::string dir;
};

TEST_F(Plot, FailurePictureKeepsTheNumbersOfReliabilityAndOfTheSimulation) {
    const std::string png = file("redundant.png");
    const DrovaRun run =
        runDrova({"plot", redundant, "--times", "0:30000:1500", "--sim", "3000", "--output", png, "--keep-data"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "Wrote " + png + "\nKept the data in " + file("redundant.dat") + "\n");
    const std::string picture = readWholeFile(png);
    EXPECT_GT(picture.size(), 10000u);
    EXPECT_EQ(picture.substr(0, 8), "\x89PNG\r\n\x1a\n");

    const auto rows = rowsOf(readWholeFile(file("redundant.dat")));
    ASSERT_EQ(rows.size(), 21u);
    const std::vector<double> times = column(rows, 0);
    EXPECT_EQ(times.back(), 30000);
    // The exact column is drova reliability's F(t), to the last bit.
    const json exact = jsonOf({"reliability", redundant, "--times", joined(times), "--json"});
    EXPECT_EQ(column(rows, 1), exact["failure"].get<std::vector<double>>());
    // The simulated column is drova sim's empirical F(t) on the same substreams.
    const json sim = jsonOf({"sim", redundant, "--runs", "3000", "--horizon", "30000", "--stream", "philox", "--json",
                             "--times", joined(times)});
    std::size_t inside = 0;
    for (std::size_t k = 0; k < rows.size(); ++k) {
        EXPECT_EQ(rows[k][2], sim["failureProbability"][k]["estimate"].get<double>()) << "t = " << times[k];
        EXPECT_EQ(rows[k][3], sim["failureProbability"][k]["interval"][0].get<double>());
        EXPECT_EQ(rows[k][4], sim["failureProbability"][k]["interval"][1].get<double>());
        if (rows[k][3] <= rows[k][1] && rows[k][1] <= rows[k][4]) ++inside;
    }
    // The exact curve lies in the 95% band nearly everywhere (the band's points are not independent).
    EXPECT_GE(inside, 18u);
}

TEST_F(Plot, AvailabilitySvgAgainstAvailabilityAndSimulation) {
    const std::string svg = file("machine.svg");
    const DrovaRun run = runDrova({"plot", machine, "--measure", "availability", "--times", "0:12:0.5", "--sim",
                                   "4000", "--output", svg, "--keep-data", "--seed", "3"});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string picture = readWholeFile(svg);
    EXPECT_NE(picture.find("<svg"), std::string::npos);
    EXPECT_NE(picture.find("machine: availability A(t)"), std::string::npos);

    const auto rows = rowsOf(readWholeFile(file("machine.dat")));
    ASSERT_EQ(rows.size(), 25u);
    const std::vector<double> times = column(rows, 0);
    EXPECT_EQ(times[5], 2.5);
    const json exact = jsonOf({"availability", machine, "--times", joined(times), "--json"});
    EXPECT_EQ(column(rows, 1), exact["availability"].get<std::vector<double>>());
    // A(t) of a machine up for 100 on average and repaired in exactly 5: e^(-t/100) until the first
    // repair can end; the runs, which go on after their repair, agree within 4 standard errors.
    EXPECT_NEAR(rows[4][1], std::exp(-0.02), 1e-15);
    for (const auto& row : rows) {
        const double sigma = std::sqrt(row[1] * (1 - row[1]) / 4000);
        EXPECT_NEAR(row[2], row[1], 4 * sigma + 1e-12) << "t = " << row[0];
        EXPECT_LE(row[3], row[2]);
        EXPECT_GE(row[4], row[2]);
    }
}

TEST_F(Plot, KernelIsAGridOfItsEntries) {
    const DrovaRun run = runDrova({"plot", redundant, "--measure", "kernel", "--times", "0:60:4", "--output",
                                   file("kernel.png"), "--keep-data"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_GT(fs::file_size(file("kernel.png")), 10000u);
    // Nine blocks of 16 times, in row order: BothUp, RepairA, RepairB.
    std::vector<std::vector<std::vector<double>>> blocks(1);
    for (const auto& row : rowsOf(readWholeFile(file("kernel.dat")))) {
        if (row.empty()) {
            if (!blocks.back().empty()) blocks.emplace_back();
        } else {
            blocks.back().push_back(row);
        }
    }
    ASSERT_EQ(blocks.size(), 9u);
    for (std::size_t k = 0; k < 16; ++k) {
        const double t = 4.0 * static_cast<double>(k);
        ASSERT_EQ(blocks[3][k][0], t);
        // Both up: either unit fails first, each at rate 1/1000: (1 - e^(-t/500)) / 2.
        EXPECT_NEAR(blocks[1][k][1], -std::expm1(-t / 500) / 2, 1e-15);
        // RepairA -> BothUp: the repair ends at 24 unless B fails first.
        EXPECT_NEAR(blocks[3][k][1], t >= 24 ? std::exp(-0.024) : 0.0, 1e-15) << "t = " << t;
        EXPECT_EQ(blocks[4][k][1], 0);
    }
}

TEST_F(Plot, DefaultGridCoversFourMeanTimesToFailure) {
    // MTTF 22084.33: 200 steps of at least 441.7, so steps of 500 up to 88500.
    const DrovaRun run = runDrova({"plot", redundant, "--output", file("f.png"), "--keep-data"});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto rows = rowsOf(readWholeFile(file("f.dat")));
    ASSERT_EQ(rows.size(), 178u);
    EXPECT_EQ(rows[1][0], 500);
    EXPECT_EQ(rows.back()[0], 88500);
    EXPECT_EQ(rows[0].size(), 2u);  // no simulation asked for
}

TEST_F(Plot, GridTimesAreTheirDecimals) {
    const DrovaRun run =
        runDrova({"plot", machine, "--times", "0.1:0.7:0.1", "--output", file("g.png"), "--keep-data"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(column(rowsOf(readWholeFile(file("g.dat"))), 0),
              (std::vector<double>{0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7}));
}

TEST_F(Plot, CommandLineChecks) {
    auto failure = [&](const std::vector<std::string>& args) {
        std::vector<std::string> all{"plot", machine, "--output", file("x.png")};
        all.insert(all.end(), args.begin(), args.end());
        return runDrova(all);
    };
    const std::string rule = " (give A:B:STEP, the first and last time and the step, decimals such as 0:1000:10 or "
                             "0:2.5:0.1, with 0 <= A <= B and STEP > 0)";
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    for (const Case& c : std::vector<Case>{
             {{"--times", "0:10"}, "--times: \"0:10\" is not a grid of times" + rule},
             {{"--times", "0:10:-1"}, "--times: \"-1\" is not a time" + rule},
             {{"--times", "0:10:0"}, "--times: the step is 0" + rule},
             {{"--times", "5:1:1"}, "--times: the last time is before the first" + rule},
             {{"--times", "0:1e6:0.01"}, "--times: 0:1e6:0.01 gives 100000001 times; at most 10001 can be drawn"},
         }) {
        const DrovaRun run = failure(c.args);
        EXPECT_EQ(run.status, 1) << c.args[1];
        EXPECT_EQ(run.lastErrLine(), c.message);
    }
    EXPECT_FALSE(fs::exists(file("x.png")));
    const DrovaRun kernelSim = failure({"--measure", "kernel", "--sim", "10"});
    EXPECT_EQ(kernelSim.status, 2);
    EXPECT_EQ(kernelSim.lastErrLine(), "--sim: the kernel is drawn exact only; simulate --measure failure or availability");
    EXPECT_EQ(runDrova({"plot", machine, "--output", file("x.jpg")}).status, 2);
    EXPECT_EQ(failure({"--sim", "0"}).status, 2);
    EXPECT_EQ(failure({"--measure", "mttf"}).status, 2);
    const DrovaRun missing = runDrova({"plot", machine + ".missing"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.lastErrLine(), "Could not open the file \"" + machine + ".missing\"");
}

TEST_F(Plot, ModelsWithoutTheMeasureFailWithTheModulesMessage) {
    const DrovaRun run = runDrova({"plot", std::string(DROVA_TEST_DATA) + "/rel/no-down.gsms", "--output",
                                   file("n.png")});
    EXPECT_EQ(run.status, 1);
    EXPECT_FALSE(run.lastErrLine().empty());
    EXPECT_FALSE(fs::exists(file("n.png")));
}

TEST_F(Plot, GnuplotsOwnFailureIsReportedAndAMissingFolderIsCaughtFirst) {
    // A gnuplot that reads its script and fails as gnuplot does: the message ends its output.
    const std::string fake = file("gnuplot");
    {
        std::ofstream script(fake);
        script << "#!/bin/sh\n/bin/cat > " << file("script.gp") << "\necho 'plot $data' >&2\n"
               << "echo '         line 9: all points y value undefined!' >&2\nexit 1\n";
    }
    fs::permissions(fake, fs::perms::owner_all);
    const DrovaRun run = runDrovaAfter("PATH=" + dir + " ", {"plot", machine, "--output", file("m.png")}, "");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.lastErrLine(), "gnuplot failed: line 9: all points y value undefined!");
    // It was given the whole script, with the data inline and the picture's name quoted.
    const std::string script = readWholeFile(file("script.gp"));
    EXPECT_NE(script.find("set output '" + file("m.png") + "'\n"), std::string::npos);
    EXPECT_NE(script.find("$data << EOD\n# machine: failure probability F(t)\n"), std::string::npos);

    const DrovaRun folder = runDrova({"plot", machine, "--output", file("none/m.png")});
    EXPECT_EQ(folder.status, 1);
    EXPECT_EQ(folder.lastErrLine(),
              "Could not write the file \"" + file("none/m.png") + "\": the folder " + file("none") + " does not exist");
}

TEST_F(Plot, WithoutGnuplotSaysSo) {
    const DrovaRun run = runDrovaAfter("PATH=" + dir + " ", {"plot", machine, "--output", file("m.png")}, "");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.lastErrLine(),
              "drova plot draws with gnuplot, which is not on the PATH; install it (Debian: apt-get install gnuplot-nox)");
    EXPECT_FALSE(fs::exists(file("m.png")));
}

}  // namespace
