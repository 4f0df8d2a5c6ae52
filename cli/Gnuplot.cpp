#include "cli/Gnuplot.hpp"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <string_view>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace drova::cli {

namespace {

// Closes the descriptor when it goes.
struct Descriptor {
    int fd = -1;
    ~Descriptor() { close(); }
    void close() {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
};

// gnuplot ends its report of an error with the message itself, after an echo of the command.
std::string lastLine(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    std::string line = text.substr(text.rfind('\n') == std::string::npos ? 0 : text.rfind('\n') + 1);
    return line.erase(0, std::min(line.find_first_not_of(' '), line.size()));
}

}  // namespace

std::optional<std::filesystem::path> findGnuplot() {
    const char* path = std::getenv("PATH");
    if (path == nullptr) return std::nullopt;
    std::stringstream folders(path);
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        // An empty entry is the current folder.
        std::filesystem::path candidate(folder.empty() ? std::string_view(".") : std::string_view(folder));
        candidate /= "gnuplot";
        std::error_code error;
        if (std::filesystem::is_regular_file(candidate, error) && ::access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return std::nullopt;
}

std::string gnuplotMissingMessage() {
    return "drova plot draws with gnuplot, which is not on the PATH; install it (Debian: apt-get install gnuplot-nox)";
}

void runGnuplot(const std::filesystem::path& gnuplot, const std::string& script) {
    int input[2];
    if (::pipe(input) != 0) throw std::runtime_error(std::string("Could not start gnuplot: ") + std::strerror(errno));
    Descriptor readEnd{input[0]}, writeEnd{input[1]};
    ::fcntl(writeEnd.fd, F_SETFD, FD_CLOEXEC);
    // gnuplot's messages go to a file of their own, read once it has ended: its warnings are
    // dropped, and the last line of an error (which makes it exit with status 1) is reported.
    std::FILE* messages = std::tmpfile();
    if (messages == nullptr) throw std::runtime_error(std::string("Could not start gnuplot: ") + std::strerror(errno));
    struct Closer {
        std::FILE* file;
        ~Closer() { std::fclose(file); }
    } closer{messages};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, readEnd.fd, STDIN_FILENO);
    // Nothing it writes to standard output is wanted (a picture without a file would go there).
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, ::fileno(messages), STDERR_FILENO);
    std::string program = gnuplot.string();
    std::vector<char*> arguments{program.data(), nullptr};
    pid_t child = 0;
    const int spawned = ::posix_spawn(&child, program.c_str(), &actions, nullptr, arguments.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) throw std::runtime_error("Could not start " + program + ": " + std::strerror(spawned));
    readEnd.close();

    // A gnuplot that stops reading early (it failed) must not end drova with SIGPIPE.
    struct sigaction ignore {}, previous{};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGPIPE, &ignore, &previous);
    std::size_t written = 0;
    while (written < script.size()) {
        const ssize_t n = ::write(writeEnd.fd, script.data() + written, script.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        written += static_cast<std::size_t>(n);
    }
    writeEnd.close();
    ::sigaction(SIGPIPE, &previous, nullptr);

    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    std::string said;
    std::rewind(messages);
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, messages)) > 0;) said.append(buffer, n);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || written < script.size())
        throw std::runtime_error("gnuplot failed" + (said.empty() ? std::string() : ": " + lastLine(said)));
}

std::string gnuplotString(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) {
        if (c == '\'') quoted += "''";
        else if (static_cast<unsigned char>(c) < 0x20) quoted += ' ';
        else quoted += c;
    }
    return quoted + "'";
}

}  // namespace drova::cli
