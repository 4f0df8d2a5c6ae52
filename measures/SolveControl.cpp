#include "measures/SolveControl.hpp"

#include <algorithm>
#include <utility>

namespace drova::measures {

namespace {

thread_local SolveControl* currentControl = nullptr;

}  // namespace

SolveControl::SolveControl(const std::atomic<bool>* interrupt, std::function<void(const SolveProgress&)> report,
                           std::function<void()> finished, std::chrono::milliseconds quiet)
    : interrupt_(interrupt),
      report_(std::move(report)),
      finished_(std::move(finished)),
      quiet_(quiet),
      previous_(currentControl) {
    currentControl = this;
}

SolveControl::SolveControl(std::chrono::steady_clock::time_point deadline)
    : interrupt_(currentControl ? currentControl->interrupt_ : nullptr),
      report_(currentControl ? currentControl->report_ : std::function<void(const SolveProgress&)>()),
      finished_(currentControl ? currentControl->finished_ : std::function<void()>()),
      quiet_(currentControl ? currentControl->quiet_ : std::chrono::milliseconds(std::chrono::seconds(1))),
      deadline_(deadline),
      previous_(currentControl) {
    currentControl = this;
}

SolveControl::~SolveControl() { currentControl = previous_; }

SolveSteps::SolveSteps(const char* stage, std::size_t states, std::size_t total)
    : control_(currentControl), start_(std::chrono::steady_clock::now()), lastReport_(start_) {
    progress_.stage = stage;
    progress_.states = states;
    progress_.total = total;
}

SolveSteps::~SolveSteps() {
    if (reported_ && control_->finished_) control_->finished_();
}

void SolveSteps::checkAndReport(std::size_t done) {
    if (control_->interrupt_ != nullptr && control_->interrupt_->load(std::memory_order_relaxed))
        throw SolveInterrupted();
    if (!control_->report_ && !control_->deadline_) return;
    const auto now = std::chrono::steady_clock::now();
    if (control_->deadline_ && now > *control_->deadline_) throw SolveTimeLimit();
    if (!control_->report_) return;
    if (now - start_ < control_->quiet_ || (reported_ && now - lastReport_ < std::chrono::milliseconds(250))) return;
    lastReport_ = now;
    progress_.done = done;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    progress_.secondsLeft =
        done == 0 ? -1.0 : seconds * static_cast<double>(progress_.total - std::min(done, progress_.total)) /
                               static_cast<double>(done);
    control_->report_(progress_);
    reported_ = true;
}

}  // namespace drova::measures
