#pragma once
// While standard error is a terminal, a call that takes more than a second shows a line rewritten
// every second and erased at the end. A module's call is one indivisible step for the host, so
// for it the line counts time; where the runs done are counted (the threaded simulation), it
// shows them with their rate and the time left.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace drova::cli {

class ProgressLine {
public:
    // runsDone: the count of runs done, read while the line lives; null: time only.
    explicit ProgressLine(std::int64_t runs, const std::atomic<std::int64_t>* runsDone = nullptr);
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

private:
    void watch(std::int64_t runs);

    const std::atomic<std::int64_t>* runsDone_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool done_ = false;
    bool shown_ = false;
    std::thread watcher_;
};

}  // namespace drova::cli
