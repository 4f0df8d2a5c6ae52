#include "cli/mpi/SimMpi.hpp"

#include <mpi.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <optional>
#include <thread>
#include <vector>

namespace drova::cli::mpi {

namespace {

int worldRank() {
    int rank = 0;
    MPI_Comm_rank(MPI_COMM_WORLD, &rank);
    return rank;
}

int worldSize() {
    int size = 1;
    MPI_Comm_size(MPI_COMM_WORLD, &size);
    return size;
}

// A process's outcome, as plain bytes for the gathering.
struct Outcome {
    std::int32_t interrupted = 0;
    std::int32_t failed = 0;
    std::int32_t kind = 0;
    std::int32_t reserved = 0;
    std::int64_t run = 0, index = 0, low = 0, high = 0;
    std::int64_t times = 0;
    char list[48] = {};
};

Outcome outcomeOf(const KeyedRunsResult& result) {
    Outcome outcome;
    outcome.interrupted = result.interrupted ? 1 : 0;
    outcome.times = static_cast<std::int64_t>(result.times.size());
    std::optional<RunFailure> failure = result.failure;
    // Nothing but memory can go wrong otherwise; it is reported as the module reports it.
    if (!failure && result.error) failure = RunFailure{RunFailure::Kind::OutOfMemory, -1, 0, 0, 0, {}};
    if (failure) {
        outcome.failed = 1;
        outcome.kind = static_cast<std::int32_t>(failure->kind);
        outcome.run = failure->run;
        outcome.index = failure->index;
        outcome.low = failure->low;
        outcome.high = failure->high;
        std::strncpy(outcome.list, failure->list.c_str(), sizeof outcome.list - 1);
    }
    return outcome;
}

}  // namespace

Session::Session() {
    int started = 0;
    MPI_Initialized(&started);
    if (!started) MPI_Init(nullptr, nullptr);
    rank_ = worldRank();
    ranks_ = worldSize();
}

Session::~Session() {
    int finished = 0;
    MPI_Finalized(&finished);
    if (!finished) MPI_Finalize();
}

Block blockOf(std::int64_t runs) {
    if (runs < 0) return {0, runs};
    const std::int64_t ranks = worldSize(), rank = worldRank();
    const std::int64_t base = runs / ranks, extra = runs % ranks;
    return {rank * base + std::min(rank, extra), base + (rank < extra ? 1 : 0)};
}

int defaultThreads() {
    MPI_Comm local;
    MPI_Comm_split_type(MPI_COMM_WORLD, MPI_COMM_TYPE_SHARED, 0, MPI_INFO_NULL, &local);
    int size = 1;
    MPI_Comm_size(local, &size);
    MPI_Comm_free(&local);
    const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    return std::max(1, cores / std::max(1, size));
}

KeyedRunsResult gatherAtRoot(KeyedRunsResult local) {
    const int ranks = worldSize();
    const bool root = worldRank() == 0;
    const Outcome mine = outcomeOf(local);
    std::vector<Outcome> all(root ? static_cast<std::size_t>(ranks) : 0);
    MPI_Gather(&mine, sizeof(Outcome), MPI_BYTE, all.data(), sizeof(Outcome), MPI_BYTE, 0, MPI_COMM_WORLD);

    // The outcome at the first process: an interrupt anywhere, else the lowest failing run.
    Outcome decided;
    if (root) {
        for (const Outcome& o : all) {
            if (o.interrupted) decided.interrupted = 1;
            if (o.failed && (!decided.failed || o.run < decided.run)) {
                const std::int32_t interrupted = decided.interrupted;
                decided = o;
                decided.interrupted = interrupted;
            }
        }
        // The gathered times must fit one list of the message interface's counts.
        std::int64_t total = 0;
        for (const Outcome& o : all) total += o.times;
        if (!decided.failed && total > std::numeric_limits<int>::max()) {
            decided.failed = 1;
            decided.kind = static_cast<std::int32_t>(RunFailure::Kind::OutOfMemory);
            decided.run = -1;
        }
    }
    MPI_Bcast(&decided, sizeof(Outcome), MPI_BYTE, 0, MPI_COMM_WORLD);

    KeyedRunsResult result;
    result.counts = local.counts;
    if (decided.interrupted) {
        result.interrupted = true;
        return result;
    }
    if (decided.failed) {
        result.failure = RunFailure{static_cast<RunFailure::Kind>(decided.kind), decided.run, decided.index,
                                    decided.low, decided.high, decided.list};
        return result;
    }

    // Every block is complete: the times, in the order of the blocks.
    std::vector<int> counts, offsets;
    std::int64_t total = 0;
    if (root) {
        for (const Outcome& o : all) {
            counts.push_back(static_cast<int>(o.times));
            offsets.push_back(static_cast<int>(total));
            total += o.times;
        }
        result.times.resize(static_cast<std::size_t>(total));
    }
    MPI_Gatherv(local.times.data(), static_cast<int>(local.times.size()), MPI_DOUBLE, result.times.data(),
                counts.data(), offsets.data(), MPI_DOUBLE, 0, MPI_COMM_WORLD);
    return result;
}

}  // namespace drova::cli::mpi
