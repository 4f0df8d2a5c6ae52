#include "simulate/KeyedRuns.hpp"

#include "simulate/PhiloxStream.hpp"
#include "simulate/SimulateRun.hpp"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <limits>
#include <memory>
#include <mutex>
#include <thread>

namespace drova {

void reportRunFailure(const RunFailure& failure, SimHost& host) {
    switch (failure.kind) {
    case RunFailure::Kind::IndexOutOfBounds:
        host.indexOutOfBounds(failure.index, failure.low, failure.high, failure.list);
    case RunFailure::Kind::NegativeRunCount:
        host.negativeRunCount(failure.index);
    case RunFailure::Kind::TransitionWithoutTimers:
        host.transitionWithoutTimers();
    case RunFailure::Kind::NoDestinationChosen:
        host.noDestinationChosen(static_cast<std::size_t>(failure.index));
    case RunFailure::Kind::ParameterCount:
        host.parameterCount(static_cast<DistType>(failure.low), failure.index);
    case RunFailure::Kind::OutOfMemory:
        break;
    }
    host.outOfMemory();
}

namespace {

// Thrown by a worker's host to end its run: a failure, or the request to stop.
struct FailureSignal {
    RunFailure failure;
};
struct StopSignal {};

// The host of one worker: its keyed stream, its own stop flag as the interrupt request, and
// failures that end the run with a record of what happened.
class WorkerHost final : public SimHost {
public:
    explicit WorkerHost(std::uint32_t seed) : stream_(seed) {}

    void startRun(std::int64_t run) { stream_.startRun(static_cast<std::uint64_t>(run)); }
    double uniform() override { return stream_.uniform(); }
    double normal() override { return stream_.normal(); }
    const std::atomic<bool>& interruptRequest() const override { return stop_; }
    std::atomic<bool>& stopFlag() { return stop_; }

protected:
    void reportInterrupted() override { throw StopSignal{}; }
    void reportIndexOutOfBounds(std::int64_t index, std::int64_t low, std::int64_t high,
                                std::string_view list) override {
        fail({RunFailure::Kind::IndexOutOfBounds, -1, index, low, high, std::string(list)});
    }
    void reportNegativeRunCount(std::int64_t runs) override {
        fail({RunFailure::Kind::NegativeRunCount, -1, runs, 0, 0, {}});
    }
    void reportOutOfMemory() override { fail({RunFailure::Kind::OutOfMemory, -1, 0, 0, 0, {}}); }
    void reportTransitionWithoutTimers() override { fail({RunFailure::Kind::TransitionWithoutTimers, -1, 0, 0, 0, {}}); }
    void reportNoDestinationChosen(std::size_t destinations) override {
        fail({RunFailure::Kind::NoDestinationChosen, -1, static_cast<std::int64_t>(destinations), 0, 0, {}});
    }
    void reportParameterCount(DistType type, std::int64_t count) override {
        fail({RunFailure::Kind::ParameterCount, -1, count, static_cast<std::int64_t>(type), 0, {}});
    }

private:
    [[noreturn]] static void fail(RunFailure failure) { throw FailureSignal{std::move(failure)}; }

    PhiloxStream stream_;
    std::atomic<bool> stop_{false};
};

// Runs are handed out in chunks of consecutive runs, lowest first.
constexpr std::int64_t ChunkRuns = 256;
constexpr std::int64_t NoFailure = std::numeric_limits<std::int64_t>::max();

class KeyedRunner {
public:
    KeyedRunner(std::int64_t runs, double horizon, const SimModel& gsms, std::int64_t initialState,
                const KeyedRunOptions& options, int workers)
        : runs_(runs), horizon_(horizon), gsms_(gsms), initialState_(initialState), options_(options),
          chunks_((runs + ChunkRuns - 1) / ChunkRuns), results_(static_cast<std::size_t>(chunks_)) {
        for (int w = 0; w < workers; ++w) workers_.push_back(std::make_unique<Worker>(options.seed));
    }

    KeyedRunsResult run() {
        std::vector<std::thread> threads;
        for (auto& worker : workers_) threads.emplace_back([this, w = worker.get()] { work(*w); });
        watch();
        for (std::thread& thread : threads) thread.join();

        KeyedRunsResult result;
        for (auto& worker : workers_) {
            result.counts.transitionsTaken += worker->counts.transitionsTaken;
            result.counts.timersSampled += worker->counts.timersSampled;
        }
        if (interrupted_) {
            result.interrupted = true;
        } else if (error_) {
            result.error = error_;
        } else if (failure_) {
            result.failure = failure_;
        } else {
            std::size_t total = 0;
            for (const auto& chunk : results_) total += chunk.size();
            result.times.reserve(total);
            for (const auto& chunk : results_) result.times.insert(result.times.end(), chunk.begin(), chunk.end());
        }
        return result;
    }

private:
    // Each on cache lines of its own: a worker writes its counts and reads its flag all the time.
    struct alignas(64) Worker {
        explicit Worker(std::uint32_t seed) : host(seed) {}
        WorkerHost host;
        std::atomic<std::int64_t> chunkStart{-1};  // first run of the chunk it works on
        SimulationCounts counts;
    };

    void work(Worker& worker) {
        try {
            const detail::RunHost<WorkerHost> call(worker.host);
            std::vector<double> timers(gsms_.Distributions.size());
            struct Publish {
                Worker& worker;
                SimulationCounts counts;
                ~Publish() { worker.counts = counts; }
            } publish{worker, {}};
            for (;;) {
                const std::int64_t chunk = nextChunk_.fetch_add(1);
                if (chunk >= chunks_) break;
                const std::int64_t begin = options_.firstRun + chunk * ChunkRuns;
                const std::int64_t end = begin + std::min(ChunkRuns, runs_ - chunk * ChunkRuns);
                // Published before the failure is read, so that a failure recorded meanwhile
                // either is seen here or sees this chunk and stops it.
                worker.chunkStart.store(begin);
                if (begin > failedRun_.load()) break;
                std::vector<double>& out = results_[static_cast<std::size_t>(chunk)];
                for (std::int64_t r = begin; r < end; ++r) {
                    if (r > failedRun_.load(std::memory_order_relaxed)) return finish();
                    worker.host.startRun(r);
                    try {
                        const double time = detail::simulateRun(horizon_, gsms_, initialState_, timers, call,
                                                                publish.counts);
                        if (time != std::numeric_limits<double>::infinity()) out.push_back(time);
                        call.poll();
                    } catch (FailureSignal& signal) {
                        signal.failure.run = r;
                        recordFailure(std::move(signal.failure));
                        return finish();
                    }
                }
                if (options_.runsDone != nullptr)
                    options_.runsDone->fetch_add(end - begin, std::memory_order_relaxed);
            }
        } catch (const StopSignal&) {
        } catch (...) {
            std::lock_guard lock(mutex_);
            if (!error_) error_ = std::current_exception();
            stopAll();
        }
        finish();
    }

    void finish() {
        std::lock_guard lock(mutex_);
        ++finished_;
        wake_.notify_all();
    }

    void recordFailure(RunFailure failure) {
        std::lock_guard lock(mutex_);
        if (failure_ && failure_->run <= failure.run) return;
        const std::int64_t run = failure.run;
        failure_ = std::move(failure);
        failedRun_.store(run);
        // Workers on later chunks stop now, even in the middle of an endless run.
        for (auto& worker : workers_)
            if (worker->chunkStart.load() > run) worker->host.stopFlag().store(true, std::memory_order_relaxed);
    }

    void stopAll() {
        for (auto& worker : workers_) worker->host.stopFlag().store(true, std::memory_order_relaxed);
    }

    // The calling thread waits for the workers and forwards the host's interrupt request.
    void watch() {
        std::unique_lock lock(mutex_);
        const auto all = static_cast<int>(workers_.size());
        while (!wake_.wait_for(lock, std::chrono::milliseconds(20), [&] { return finished_ == all; })) {
            if (options_.interrupt != nullptr && options_.interrupt->load(std::memory_order_relaxed) &&
                !interrupted_) {
                interrupted_ = true;
                stopAll();
            }
        }
        if (options_.interrupt != nullptr && options_.interrupt->load(std::memory_order_relaxed))
            interrupted_ = true;
    }

    const std::int64_t runs_;
    const double horizon_;
    const SimModel& gsms_;
    const std::int64_t initialState_;
    const KeyedRunOptions& options_;
    const std::int64_t chunks_;
    std::vector<std::vector<double>> results_;  // the reached times of each chunk
    std::vector<std::unique_ptr<Worker>> workers_;
    std::atomic<std::int64_t> nextChunk_{0};
    std::atomic<std::int64_t> failedRun_{NoFailure};

    std::mutex mutex_;
    std::condition_variable wake_;
    int finished_ = 0;
    bool interrupted_ = false;
    std::optional<RunFailure> failure_;
    std::exception_ptr error_;
};

}  // namespace

KeyedRunsResult simulateKeyedRuns(std::int64_t runs, double analysisTime, const SimModel& gsms,
                                  const KeyedRunOptions& options) {
    KeyedRunsResult result;
    if (runs < 0) {
        result.failure = RunFailure{RunFailure::Kind::NegativeRunCount, -1, runs, 0, 0, {}};
        return result;
    }
    const auto stateCount = static_cast<std::int64_t>(gsms.States.size());
    const std::int64_t initialState = gsms.Initial.InitialState;
    if (initialState < 1 || initialState > stateCount) {
        result.failure = RunFailure{RunFailure::Kind::IndexOutOfBounds, -1, initialState, 1, stateCount, "gsms.States"};
        return result;
    }
    if (gsms.States[initialState - 1].DownState) {
        result.times.assign(static_cast<std::size_t>(runs), 0.0);
        return result;
    }
    if (runs == 0) return result;
    const std::int64_t chunks = (runs + ChunkRuns - 1) / ChunkRuns;
    const int workers = static_cast<int>(std::clamp<std::int64_t>(options.threads, 1, chunks));
    return KeyedRunner(runs, analysisTime, gsms, initialState, options, workers).run();
}

}  // namespace drova
