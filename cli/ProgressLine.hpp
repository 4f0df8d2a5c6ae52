#pragma once
// While standard error is a terminal, a call that takes more than a second shows a line with
// the elapsed time, rewritten every second and erased at the end. A module's call is one
// indivisible step for the host, so the line counts time, not runs.

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace drova::cli {

class ProgressLine {
public:
    explicit ProgressLine(std::int64_t runs);
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

private:
    void watch(std::int64_t runs);

    std::mutex mutex_;
    std::condition_variable wake_;
    bool done_ = false;
    bool shown_ = false;
    std::thread watcher_;
};

}  // namespace drova::cli
