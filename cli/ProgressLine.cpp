#include "cli/ProgressLine.hpp"

#include <chrono>
#include <cstdio>
#include <unistd.h>

namespace drova::cli {

ProgressLine::ProgressLine(std::int64_t runs) {
    if (isatty(STDERR_FILENO) != 1) return;
    watcher_ = std::thread([this, runs] { watch(runs); });
}

ProgressLine::~ProgressLine() {
    if (!watcher_.joinable()) return;
    {
        std::lock_guard lock(mutex_);
        done_ = true;
    }
    wake_.notify_one();
    watcher_.join();
    if (shown_) std::fputs("\r\033[K", stderr);
}

void ProgressLine::watch(std::int64_t runs) {
    std::unique_lock lock(mutex_);
    for (int seconds = 1; !wake_.wait_for(lock, std::chrono::seconds(1), [this] { return done_; }); ++seconds) {
        std::fprintf(stderr, "\rdrova sim: %lld runs, %d s (Ctrl-C stops)", static_cast<long long>(runs), seconds);
        std::fflush(stderr);
        shown_ = true;
    }
}

}  // namespace drova::cli
