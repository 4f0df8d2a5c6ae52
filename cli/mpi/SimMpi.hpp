#pragma once
// drova-mpi: drova sim over MPI. Every process simulates one block of the runs on their keyed
// substreams (simulate/KeyedRuns.hpp), process k the k-th of equal consecutive blocks, and the
// first process gathers the blocks in order, so that the result is that of one process.

#include "simulate/KeyedRuns.hpp"

#include <cstdint>

namespace drova::cli::mpi {

// MPI from the start of the command to its end.
class Session {
public:
    Session();
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    bool root() const { return rank_ == 0; }
    int rank() const { return rank_; }
    int ranks() const { return ranks_; }

private:
    int rank_ = 0;
    int ranks_ = 1;
};

struct Block {
    std::int64_t first = 0;
    std::int64_t count = 0;  // negative for a negative run count, which every process reports
};

// This process's block of the runs.
Block blockOf(std::int64_t runs);
// The threads of a process by default: the cores of its machine shared among the processes on it.
int defaultThreads();
// Collective. On the first process: the blocks' times in order, or the failure of the
// lowest-numbered failing run, or the interrupt if any process was interrupted. On the others:
// the same outcome without the times.
KeyedRunsResult gatherAtRoot(KeyedRunsResult local);

}  // namespace drova::cli::mpi
