// drova-mpi sim under mpiexec: the same bytes as the threaded drova sim for one and two
// processes, and the same failures. Skipped where drova-mpi is not built (-DDROVA_MPI=ON).

#include "RunDrova.hpp"

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

#ifdef DROVA_MPI_BIN

const std::string Redundant = std::string(DROVA_SOURCE_DIR) + "/examples/redundant.gsms";

// Runs drova-mpi on `processes` processes; standard output and error as runDrova gives them.
DrovaRun mpiSim(int processes, std::vector<std::string> options) {
    char dir[] = "/tmp/drova-mpi-XXXXXX";
    if (!mkdtemp(dir)) throw std::runtime_error("mkdtemp failed");
    const std::string base(dir);
    std::string cmd = shellQuote(DROVA_MPIEXEC);
    cmd.append(" --oversubscribe -n ").append(std::to_string(processes));
    if (geteuid() == 0) cmd.append(" --allow-run-as-root");
    cmd.append(" ").append(shellQuote(DROVA_MPI_BIN)).append(" sim");
    for (const auto& option : options) cmd.append(" ").append(shellQuote(option));
    cmd.append(" </dev/null >").append(base).append("/out 2>").append(base).append("/err");
    const int raw = std::system(cmd.c_str());
    DrovaRun run;
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    run.out = readWholeFile(base + "/out");
    run.err = readWholeFile(base + "/err");
    std::remove((base + "/out").c_str());
    std::remove((base + "/err").c_str());
    rmdir(dir);
    return run;
}

#endif

}  // namespace

TEST(SimMpi, ProcessCountDoesNotChangeAByte) {
#ifndef DROVA_MPI_BIN
    GTEST_SKIP() << "drova-mpi is not built (configure with -DDROVA_MPI=ON)";
#else
    const std::vector<std::vector<std::string>> outputs = {{}, {"--json", "--times", "1000,20000"}};
    for (const auto& output : outputs) {
        std::vector<std::string> options = {Redundant, "--runs", "1001", "--horizon", "60000", "--stream", "philox"};
        options.insert(options.end(), output.begin(), output.end());
        std::vector<std::string> threaded = options;
        threaded.insert(threaded.begin(), "sim");
        threaded.insert(threaded.end(), {"--threads", "2"});
        const DrovaRun expected = runDrova(threaded);
        ASSERT_EQ(expected.status, 0) << expected.err;
        for (int processes : {1, 2}) {
            std::vector<std::string> perProcess = options;
            perProcess.insert(perProcess.end(), {"--threads", processes == 1 ? "3" : "1"});
            const DrovaRun run = mpiSim(processes, perProcess);
            EXPECT_EQ(run.status, 0) << run.err;
            EXPECT_EQ(run.out, expected.out) << processes << " processes";
        }
    }
#endif
}

TEST(SimMpi, FailsAsTheThreadedRun) {
#ifndef DROVA_MPI_BIN
    GTEST_SKIP() << "drova-mpi is not built (configure with -DDROVA_MPI=ON)";
#else
    const std::string model = testData("sim/state-out-of-range.json");
    const DrovaRun expected = runDrova({"sim", model, "--runs", "4", "--horizon", "10", "--stream", "philox"});
    ASSERT_EQ(expected.status, 1);
    const DrovaRun run = mpiSim(2, {model, "--runs", "4", "--horizon", "10", "--stream", "philox"});
    EXPECT_NE(run.status, 0);
    EXPECT_EQ(run.out, "");
    // The first process alone reports it.
    EXPECT_NE(run.err.find(expected.lastErrLine()), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find(expected.lastErrLine()), run.err.rfind(expected.lastErrLine())) << run.err;

    const DrovaRun matlab = mpiSim(2, {model, "--runs", "4", "--horizon", "10"});
    EXPECT_EQ(matlab.status, 2);
    EXPECT_NE(matlab.err.find("--stream matlab runs in one process; use --stream philox"), std::string::npos);
#endif
}
