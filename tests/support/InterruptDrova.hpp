#pragma once
// Runs drova as a user would and presses Ctrl-C once it is listening for it.

#include "RunDrova.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <optional>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

// True once the process catches SIGINT (its handler is installed).
inline bool catchesInterrupt(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string entry; std::getline(status, entry);)
        if (entry.starts_with("SigCgt:")) return (std::stoull(entry.substr(7), nullptr, 16) & (1ull << (SIGINT - 1))) != 0;
    return false;
}

// Starts DROVA_BIN with the arguments, sends SIGINT `settle` after its handler is in place, and
// returns its exit status (128 + signal when a signal ended it) and standard error; none when it
// did not end within a minute (it is killed then).
inline std::optional<DrovaRun> runDrovaInterrupted(const std::vector<std::string>& args,
                                                   std::chrono::milliseconds settle = std::chrono::milliseconds(0)) {
    const std::string errPath = testing::TempDir() + "drova-interrupted-" + std::to_string(getpid()) + ".err";
    std::vector<std::string> words{DROVA_BIN};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid < 0) return std::nullopt;
    if (pid == 0) {
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(err, STDERR_FILENO);
        execv(DROVA_BIN, argv.data());
        _exit(127);
    }
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::seconds(60);
    while (!catchesInterrupt(pid) && Clock::now() < deadline) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::this_thread::sleep_for(settle);
    kill(pid, SIGINT);
    int status = 0;
    pid_t ended = 0;
    while ((ended = waitpid(pid, &status, WNOHANG)) == 0 && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (ended == 0) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        std::remove(errPath.c_str());
        return std::nullopt;
    }
    DrovaRun run;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.err = readWholeFile(errPath);
    std::remove(errPath.c_str());
    return run;
}
