#include "simulate/KeyedRuns.hpp"

#include "simulate/PhiloxStream.hpp"
#include "simulate/SimulateRun.hpp"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <limits>
#include <memory>
#include <mutex>
#include <span>
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

// What the runs record. A job is told how many chunks and workers there are before the runs start;
// run() is called for each run with its chunk and worker, and may write only what belongs to
// those; collect() gathers everything once all runs are done.

// The first-passage times, kept per chunk so that they come back in run order.
class FirstPassageJob {
public:
    using Result = KeyedRunsResult;

    explicit FirstPassageJob(double horizon) : horizon_(horizon) {}
    void prepare(std::int64_t chunks, int /*workers*/) { chunks_.resize(static_cast<std::size_t>(chunks)); }
    void run(const SimModel& gsms, std::int64_t initialState, std::span<double> timers,
             const detail::RunHost<WorkerHost>& call, SimulationCounts& counts, std::int64_t chunk, int /*worker*/) {
        const double time = detail::simulateRun(horizon_, gsms, initialState, timers, call, counts);
        if (time != std::numeric_limits<double>::infinity()) chunks_[static_cast<std::size_t>(chunk)].push_back(time);
    }
    void collect(Result& result) const {
        std::size_t total = 0;
        for (const auto& chunk : chunks_) total += chunk.size();
        result.times.reserve(total);
        for (const auto& chunk : chunks_) result.times.insert(result.times.end(), chunk.begin(), chunk.end());
    }

private:
    const double horizon_;
    std::vector<std::vector<double>> chunks_;
};

// The time each run spends up, kept per chunk so that they come back in run order.
class UpTimeJob {
public:
    using Result = KeyedUpTimeResult;

    explicit UpTimeJob(double horizon) : horizon_(horizon) {}
    void prepare(std::int64_t chunks, int /*workers*/) { chunks_.resize(static_cast<std::size_t>(chunks)); }
    void run(const SimModel& gsms, std::int64_t initialState, std::span<double> timers,
             const detail::RunHost<WorkerHost>& call, SimulationCounts& counts, std::int64_t chunk, int /*worker*/) {
        chunks_[static_cast<std::size_t>(chunk)].push_back(
            detail::simulateUpTimeRun(horizon_, gsms, initialState, timers, call, counts));
    }
    void collect(Result& result) const {
        for (const auto& chunk : chunks_) result.upTimes.insert(result.upTimes.end(), chunk.begin(), chunk.end());
    }

private:
    const double horizon_;
    std::vector<std::vector<double>> chunks_;
};

// The draws of each timer by each time, summed per worker as integers, so that the sums do not
// depend on which worker ran which run.
class DrawCountJob {
public:
    using Result = KeyedDrawCountResult;

    DrawCountJob(std::span<const double> at, std::size_t timers) : at_(at), timers_(timers) {}
    void prepare(std::int64_t /*chunks*/, int workers) {
        const std::size_t size = at_.size() * timers_;
        sum_.assign(static_cast<std::size_t>(workers), std::vector<std::int64_t>(size));
        squares_.assign(static_cast<std::size_t>(workers), std::vector<std::int64_t>(size));
        run_.assign(static_cast<std::size_t>(workers), std::vector<std::int64_t>(size));
    }
    void run(const SimModel& gsms, std::int64_t initialState, std::span<double> timers,
             const detail::RunHost<WorkerHost>& call, SimulationCounts& counts, std::int64_t /*chunk*/, int worker) {
        const auto w = static_cast<std::size_t>(worker);
        std::vector<std::int64_t>& firstAt = run_[w];
        std::fill(firstAt.begin(), firstAt.end(), 0);
        detail::simulateDrawCountRun(at_, gsms, initialState, timers, call, counts, firstAt);
        for (std::size_t i = 0; i < timers_; ++i) {
            std::int64_t byThen = 0;
            for (std::size_t k = 0; k < at_.size(); ++k) {
                byThen += firstAt[k * timers_ + i];
                sum_[w][k * timers_ + i] += byThen;
                squares_[w][k * timers_ + i] += byThen * byThen;
            }
        }
    }
    void collect(Result& result) const {
        result.sum.assign(at_.size() * timers_, 0);
        result.sumOfSquares.assign(at_.size() * timers_, 0);
        for (std::size_t w = 0; w < sum_.size(); ++w)
            for (std::size_t j = 0; j < result.sum.size(); ++j) {
                result.sum[j] += sum_[w][j];
                result.sumOfSquares[j] += squares_[w][j];
            }
    }

private:
    const std::span<const double> at_;
    const std::size_t timers_;
    std::vector<std::vector<std::int64_t>> sum_, squares_, run_;
};

// The runs in a down state at each time, counted per worker: the sums do not depend on which
// worker ran which run.
class OccupancyJob {
public:
    using Result = KeyedOccupancyResult;

    explicit OccupancyJob(std::span<const double> at) : at_(at) {}
    void prepare(std::int64_t /*chunks*/, int workers) {
        down_.assign(static_cast<std::size_t>(workers), std::vector<std::int64_t>(at_.size()));
    }
    void run(const SimModel& gsms, std::int64_t initialState, std::span<double> timers,
             const detail::RunHost<WorkerHost>& call, SimulationCounts& counts, std::int64_t /*chunk*/, int worker) {
        detail::simulateOccupancyRun(at_, gsms, initialState, timers, call, counts,
                                     down_[static_cast<std::size_t>(worker)]);
    }
    void collect(Result& result) const {
        result.down.assign(at_.size(), 0);
        for (const auto& counts : down_)
            for (std::size_t k = 0; k < counts.size(); ++k) result.down[k] += counts[k];
    }

private:
    const std::span<const double> at_;
    std::vector<std::vector<std::int64_t>> down_;
};

template <class Job>
class KeyedRunner {
public:
    using Result = typename Job::Result;

    KeyedRunner(std::int64_t runs, Job& job, const SimModel& gsms, std::int64_t initialState,
                const KeyedRunOptions& options, int workers)
        : runs_(runs), job_(job), gsms_(gsms), initialState_(initialState), options_(options),
          chunks_((runs + ChunkRuns - 1) / ChunkRuns) {
        for (int w = 0; w < workers; ++w) workers_.push_back(std::make_unique<Worker>(options.seed, w));
        job_.prepare(chunks_, workers);
    }

    Result run() {
        std::vector<std::thread> threads;
        for (auto& worker : workers_) threads.emplace_back([this, w = worker.get()] { work(*w); });
        watch();
        for (std::thread& thread : threads) thread.join();

        Result result;
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
            job_.collect(result);
        }
        return result;
    }

private:
    // Each on cache lines of its own: a worker writes its counts and reads its flag all the time.
    struct alignas(64) Worker {
        Worker(std::uint32_t seed, int position) : host(seed), index(position) {}
        WorkerHost host;
        const int index;
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
                for (std::int64_t r = begin; r < end; ++r) {
                    if (r > failedRun_.load(std::memory_order_relaxed)) return finish();
                    worker.host.startRun(r);
                    try {
                        job_.run(gsms_, initialState_, timers, call, publish.counts, chunk, worker.index);
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
    Job& job_;
    const SimModel& gsms_;
    const std::int64_t initialState_;
    const KeyedRunOptions& options_;
    const std::int64_t chunks_;
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

namespace {

// The checks before any run: a negative count and an initial state that does not exist fail; true
// when there is nothing to simulate.
bool checkedNothingToRun(std::int64_t runs, const SimModel& gsms, KeyedRunStatus& status) {
    if (runs < 0) {
        status.failure = RunFailure{RunFailure::Kind::NegativeRunCount, -1, runs, 0, 0, {}};
        return true;
    }
    const auto stateCount = static_cast<std::int64_t>(gsms.States.size());
    const std::int64_t initialState = gsms.Initial.InitialState;
    if (initialState < 1 || initialState > stateCount) {
        status.failure = RunFailure{RunFailure::Kind::IndexOutOfBounds, -1, initialState, 1, stateCount, "gsms.States"};
        return true;
    }
    return runs == 0;
}

template <class Job>
typename Job::Result runKeyed(std::int64_t runs, Job& job, const SimModel& gsms, const KeyedRunOptions& options) {
    const std::int64_t chunks = (runs + ChunkRuns - 1) / ChunkRuns;
    const int workers = static_cast<int>(std::clamp<std::int64_t>(options.threads, 1, chunks));
    return KeyedRunner<Job>(runs, job, gsms, gsms.Initial.InitialState, options, workers).run();
}

}  // namespace

KeyedRunsResult simulateKeyedRuns(std::int64_t runs, double analysisTime, const SimModel& gsms,
                                  const KeyedRunOptions& options) {
    KeyedRunsResult result;
    if (checkedNothingToRun(runs, gsms, result)) return result;
    if (gsms.States[gsms.Initial.InitialState - 1].DownState) {
        result.times.assign(static_cast<std::size_t>(runs), 0.0);
        return result;
    }
    FirstPassageJob job(analysisTime);
    return runKeyed(runs, job, gsms, options);
}

KeyedOccupancyResult simulateKeyedOccupancy(std::int64_t runs, std::span<const double> at, const SimModel& gsms,
                                            const KeyedRunOptions& options) {
    KeyedOccupancyResult result;
    if (checkedNothingToRun(runs, gsms, result)) {
        if (!result.failure) result.down.assign(at.size(), 0);
        return result;
    }
    OccupancyJob job(at);
    return runKeyed(runs, job, gsms, options);
}

KeyedUpTimeResult simulateKeyedUpTime(std::int64_t runs, double horizon, const SimModel& gsms,
                                      const KeyedRunOptions& options) {
    KeyedUpTimeResult result;
    if (checkedNothingToRun(runs, gsms, result)) return result;
    UpTimeJob job(horizon);
    return runKeyed(runs, job, gsms, options);
}

KeyedDrawCountResult simulateKeyedDrawCounts(std::int64_t runs, std::span<const double> at, const SimModel& gsms,
                                             const KeyedRunOptions& options) {
    KeyedDrawCountResult result;
    if (checkedNothingToRun(runs, gsms, result)) {
        if (!result.failure) {
            result.sum.assign(at.size() * gsms.Distributions.size(), 0);
            result.sumOfSquares = result.sum;
        }
        return result;
    }
    DrawCountJob job(at, gsms.Distributions.size());
    return runKeyed(runs, job, gsms, options);
}

}  // namespace drova
