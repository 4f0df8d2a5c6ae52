#include "cli/ProgressLine.hpp"

#include <chrono>
#include <cstdio>
#include <unistd.h>

namespace drova::cli {

ProgressLine::ProgressLine(std::int64_t runs, const std::atomic<std::int64_t>* runsDone) : runsDone_(runsDone) {
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
        if (runsDone_ == nullptr) {
            std::fprintf(stderr, "\rdrova sim: %lld runs, %d s (Ctrl-C stops)", static_cast<long long>(runs), seconds);
        } else {
            const auto done = runsDone_->load(std::memory_order_relaxed);
            const double rate = static_cast<double>(done) / seconds;
            std::fprintf(stderr, "\r\033[Kdrova sim: %lld of %lld runs, %.3g runs/s", static_cast<long long>(done),
                         static_cast<long long>(runs), rate);
            if (rate > 0) std::fprintf(stderr, ", %.0f s left", static_cast<double>(runs - done) / rate);
            std::fputs(" (Ctrl-C stops)", stderr);
        }
        std::fflush(stderr);
        shown_ = true;
    }
}

}  // namespace drova::cli
