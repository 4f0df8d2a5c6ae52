#pragma once
// Runs the drova command as a user would and captures what it prints.

#include <array>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

struct DrovaRun {
    int status = -1;     // exit status of drova
    std::string out;     // standard output
    std::string err;     // standard error
    // The last non-empty line of standard error (the error message on failure).
    std::string lastErrLine() const {
        std::string s = err;
        while (!s.empty() && s.back() == '\n') s.pop_back();
        auto pos = s.rfind('\n');
        return pos == std::string::npos ? s : s.substr(pos + 1);
    }
};

inline std::string shellQuote(const std::string& s) {
    std::string q = "'";
    for (char c : s) {
        if (c == '\'') q += "'\\''";
        else q += c;
    }
    return q + "'";
}

inline std::string readWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// Runs DROVA_BIN with the arguments after the shell text `prefix`; `input` is given on
// standard input.
inline DrovaRun runDrovaAfter(const std::string& prefix, const std::vector<std::string>& args,
                              const std::string& input) {
    char dir[] = "/tmp/drova-run-XXXXXX";
    if (!mkdtemp(dir)) throw std::runtime_error("mkdtemp failed");
    std::string base(dir);
    {
        std::ofstream in(base + "/in", std::ios::binary);
        in << input;
    }
    std::string cmd = prefix + shellQuote(DROVA_BIN);
    for (const auto& a : args) cmd.append(" ").append(shellQuote(a));
    cmd += " <" + base + "/in >" + base + "/out 2>" + base + "/err";
    int raw = std::system(cmd.c_str());
    DrovaRun run;
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    run.out = readWholeFile(base + "/out");
    run.err = readWholeFile(base + "/err");
    std::remove((base + "/in").c_str());
    std::remove((base + "/out").c_str());
    std::remove((base + "/err").c_str());
    rmdir(dir);
    return run;
}

// Runs DROVA_BIN with the arguments; `input` is given on standard input.
inline DrovaRun runDrova(const std::vector<std::string>& args, const std::string& input = "") {
    return runDrovaAfter("", args, input);
}

#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool DrovaSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool DrovaSanitized = true;
#else
inline constexpr bool DrovaSanitized = false;
#endif
#else
inline constexpr bool DrovaSanitized = false;
#endif

// Runs drova as runDrova does, but with at most 2.5 GB of memory and 60 seconds, so that a
// command that runs away fails its test instead of exhausting the machine: out of time, the
// status is 124 (timeout's). The address-space limit (ulimit -v) cannot hold a sanitizer build,
// whose shadow memory reserves terabytes of addresses: there the sanitizer's own limit on
// resident memory holds instead, the walk's memory limit is set well below it (the sanitizer's
// own bookkeeping at least doubles what the walk holds), and the time is ten times as long.
inline DrovaRun runDrovaLimited(const std::vector<std::string>& args, const std::string& input = "") {
    const std::string prefix = DrovaSanitized
                                   ? "ASAN_OPTIONS=\"$ASAN_OPTIONS:hard_rss_limit_mb=2500\" DROVA_MAX_MEMORY=600M "
                                     "timeout -k 5 600 "
                                   : "ulimit -v 2500000; timeout -k 5 60 ";
    return runDrovaAfter(prefix, args, input);
}

// Path of a file under tests/data.
inline std::string testData(const std::string& relative) { return std::string(DROVA_TEST_DATA) + "/" + relative; }
