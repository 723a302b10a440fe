#pragma once
// The parallel search: a pool of worker threads, each with its own board,
// to which the thread searching a deep node hands that node's later moves
// one at a time. Workers share the node's bounds by reference; a worker
// that raises alpha there advances the global search epoch, so that every
// thread drops or restarts the work based on the old bounds.
#include <cstdint>

#include "board/board.h"

namespace ostrim {

constexpr int kMaxSearchThreads = 24;
constexpr int kMaxPoolSlots = 2 * kMaxSearchThreads;
constexpr int kFirstWorkerNumber = 2;  // the engine thread is 1
constexpr int kHandOffDepth = 9;       // half plies: smaller subtrees stay with their owner

// Creates the pool (once: later calls only change the thread setting).
// A value from 1 to 24 is the number of searching threads, anything else
// the usable processor count.
void start_search_pool(int threads_value);

// The thread setting changed between searches. The pool grows when the
// setting needs more workers than it has; it never shrinks.
void set_search_threads(int threads_value);

int search_threads();     // the thread setting, 0 before the pool starts
int pool_worker_count();  // worker threads created

// Gives move m of node p to an idle worker; false when the move is the
// caller's to search.
bool hand_off(Position& p, int depth, int& beta, int& alpha, Move* killers, Move* pv, Move m,
              const Move* excluded);

// Waits for every worker still busy with a move of p, p being the calling
// thread's active split node, and takes what they counted into p.
void collect_workers(Position& p);

// Nodes searched this search: the engine thread's board and every task
// that has ended since the search began.
uint64_t searched_nodes();
void reset_worker_nodes();

// For tests: workers now running a task, and slots still reserved or busy.
int workers_running();
int slots_in_use();

}  // namespace ostrim
