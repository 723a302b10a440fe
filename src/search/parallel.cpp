// The worker pool and the hand-off of moves at deep nodes. A node whose
// first move has been searched gives its later moves to idle workers; the
// running semaphore keeps at most the thread setting's count of workers at
// work, and the thread owning the node waits for its workers at its end.
#include "search/parallel.h"

#include <algorithm>
#include <atomic>

#include "board/game_record.h"
#include "common/engine_flags.h"
#include "common/search_lock.h"
#include "platform/sync.h"
#include "platform/threads.h"
#include "search/search.h"
#include "search/search_support.h"
#include "search/transposition.h"

namespace ostrim {
namespace {

using platform::Semaphore;
using platform::Timeout;

// What the workers of one split node hand back to its owner: each thread
// owns at most one split node at a time, so one record per thread serves.
struct SplitShare {
  std::atomic<int32_t> counted{0};
  std::atomic<int32_t> best_so_far{-kScoreInfinite};
  std::atomic<int32_t> bound_rank{0};
};

struct Task {
  int depth = 0;
  int* beta = nullptr;
  int* alpha = nullptr;
  Move* killers = nullptr;
  Move* pv = nullptr;
  Move move = kNullMove;
  bool at_root = false;        // the owner's node is the root: an empty excluded list
  SplitShare* share = nullptr;
  Semaphore* units = nullptr;  // the running semaphore the owner took a unit from
};

struct WorkerSlot {
  Semaphore* idle = nullptr;  // one unit while the worker is idle
  Semaphore* go = nullptr;
  Board board;
  Position root;
  Position child;
  Task task;
  int index = 0;
  std::atomic<Position*> busy_for{nullptr};
  std::atomic<bool> finishing{false};
  std::atomic<bool> running{false};
  std::atomic<int32_t> reserved_by{0};
  std::atomic<bool> may_split{false};  // the owner lifted the no-hand-off mark
};

// The active split node of a worker whose owner still forbids hand-offs.
Position no_split_mark;

WorkerSlot* slots[kMaxPoolSlots];
std::atomic<int> worker_count{0};
int processor_count = 0;
std::atomic<int> thread_setting{0};
std::atomic<Semaphore*> running_units{nullptr};
Semaphore* units_by_setting[kMaxSearchThreads + 1];
Semaphore* dummy = nullptr;  // never signalled: stands for a slot that is not eligible
std::atomic<uint64_t> worker_nodes{0};
SplitShare shares[kFirstWorkerNumber + kMaxPoolSlots];

// Bound flags ranked: a cut beats a raised alpha beats nothing.
int bound_rank(uint16_t bound_flags) {
  if (bound_flags == ttflag::kLowerBound) return 2;
  return bound_flags == ttflag::kExact ? 1 : 0;
}
constexpr uint16_t kBoundsByRank[3] = {ttflag::kUpperBound, ttflag::kExact, ttflag::kLowerBound};

void raise_to(std::atomic<int32_t>& value, int32_t candidate) {
  int32_t now = value.load();
  while (now < candidate && !value.compare_exchange_weak(now, candidate)) {
  }
}

WorkerSlot* slot_of(const Board& b) {
  return b.thread_number >= kFirstWorkerNumber ? slots[b.thread_number - kFirstWorkerNumber] : nullptr;
}

int scanned_slots() { return std::min(2 * thread_setting.load(), worker_count.load()); }

void worker_main(void* argument) {
  WorkerSlot& s = *static_cast<WorkerSlot*>(argument);
  const Move empty_list[1] = {kNullMove};
  for (;;) {
    s.running.store(false);
    platform::wait_semaphore(s.go, Timeout::Infinite);
    s.running.store(true);
    Task t = s.task;
    s.root.flags |= moveflag::kWorkerNode;
    const int counted_before = s.root.legal_count;
    const Move* excluded = t.at_root ? empty_list : nullptr;
    do {
      s.board.epoch = flags.search_epoch.load(std::memory_order_relaxed);
      if (read_bound(*t.beta) > read_bound(*t.alpha))
        SearchMove(s.root, t.depth, *t.beta, *t.alpha, t.killers, t.pv, t.move, s.child, excluded);
    } while (epoch_stale(s.board) && !stop_requested());

    if (s.root.legal_count > counted_before) t.share->counted.fetch_add(1);
    raise_to(t.share->best_so_far, s.root.best_so_far);
    raise_to(t.share->bound_rank, bound_rank(s.root.bound_flags));
    worker_nodes.fetch_add(s.board.nodes, std::memory_order_relaxed);
    s.board.nodes = 0;
    s.busy_for.store(nullptr);
    // The unit first: once idle, the owner may end the search and a new
    // thread setting may replace the semaphore.
    platform::release_semaphore(t.units);
    platform::release_semaphore(s.idle);
  }
}

bool create_worker() {
  int index = worker_count.load();
  if (index >= kMaxPoolSlots) return false;
  WorkerSlot* s = new WorkerSlot();  // zeroed: the board's snapshot stack starts empty
  s->index = index;
  s->idle = platform::create_semaphore(1, 1);
  s->go = platform::create_semaphore(0, 1);
  init_board(s->board);
  s->board.thread_number = kFirstWorkerNumber + index;
  construct_position(s->root, s->board);
  construct_position(s->child, s->board);
  slots[index] = s;
  if (!platform::start_thread(worker_main, s, 0)) return false;
  worker_count.store(index + 1);
  return true;
}

// A slot another owner may take: not being collected, and not reserved by
// someone else.
bool eligible(const WorkerSlot& s, int thread, bool reserved_allowed) {
  if (s.finishing.load()) return false;
  int reserved = s.reserved_by.load();
  return reserved == 0 || (reserved_allowed && reserved == thread);
}

// Takes an idle eligible worker among the scanned slots; null when none is
// idle and the wait may not block.
WorkerSlot* take_idle_worker(int thread, bool reserved_allowed, Timeout timeout) {
  Semaphore* set[kMaxPoolSlots];
  for (;;) {
    int n = scanned_slots();
    for (int i = 0; i < n; ++i) set[i] = eligible(*slots[i], thread, reserved_allowed) ? slots[i]->idle : dummy;
    int i = platform::wait_any_semaphore(set, n, timeout);
    if (i < 0) return nullptr;
    if (eligible(*slots[i], thread, reserved_allowed)) return slots[i];
    platform::release_semaphore(slots[i]->idle);  // became finishing or reserved meanwhile
  }
}

// The first hand-off at a node: reserve an idle worker for this thread.
bool open_split(Position& p) {
  Board& b = *p.board;
  WorkerSlot* w = take_idle_worker(b.thread_number, false, Timeout::Zero);
  if (w == nullptr) return false;
  b.active_split = &p;
  w->reserved_by.store(b.thread_number);
  platform::release_semaphore(w->idle);  // the reservation keeps it
  if (WorkerSlot* mine = slot_of(b)) platform::release_semaphore(mine->task.units);
  platform::set_thread_priority(platform::ThreadPriority::AboveNormal);
  SplitShare& share = shares[b.thread_number];
  share.counted.store(0);
  share.best_so_far.store(-kScoreInfinite);
  share.bound_rank.store(0);
  return true;
}

}  // namespace

void start_search_pool(int threads_value) {
  if (dummy == nullptr) {
    processor_count = platform::usable_processor_count();
    dummy = platform::create_semaphore(0, 1);
    search_lock();  // created now, before any thread may race for it
  }
  set_search_threads(threads_value);
}

void set_search_threads(int threads_value) {
  if (dummy == nullptr) return;  // the pool starts with the engine
  int t = threads_value >= 1 && threads_value <= kMaxSearchThreads ? threads_value : processor_count;
  if (t < 1) t = 1;
  int wanted = std::min(kMaxPoolSlots, 2 * std::max(processor_count, t));
  while (worker_count.load() < wanted && create_worker()) {
  }
  if (units_by_setting[t] == nullptr) units_by_setting[t] = platform::create_semaphore(t, t);
  running_units = units_by_setting[t];
  thread_setting.store(t);
}

int search_threads() { return thread_setting.load(); }
int pool_worker_count() { return worker_count.load(); }

bool hand_off(Position& p, int depth, int& beta, int& alpha, Move* killers, Move* pv, Move m,
              const Move* excluded) {
  // One thread means one searching thread: the engine thread alone.
  if (depth < kHandOffDepth || thread_setting.load() < 2) return false;
  if (p.parent == nullptr && (excluded == nullptr || *excluded != kNullMove)) return false;
  if (m == p.best_move || (p.flags & moveflag::kBadMove)) return false;
  if (node_in_check(p) && p.parent != nullptr && p.parent->parent != nullptr) return false;
  Board& b = *p.board;
  WorkerSlot* mine = slot_of(b);
  if (b.active_split == &no_split_mark) {
    if (!mine->may_split.load()) return false;
    b.active_split = nullptr;
  }
  if (b.active_split != nullptr && b.active_split != &p) return false;
  if (b.active_split == nullptr && !open_split(p)) return false;

  if (mine != nullptr) mine->running.store(false);
  platform::wait_semaphore(running_units, Timeout::Infinite);
  WorkerSlot* w = take_idle_worker(b.thread_number, true, Timeout::Infinite);
  if (mine != nullptr) mine->running.store(true);

  SplitShare& share = shares[b.thread_number];
  clone_board(w->board, w->root, b, p);
  w->board.nodes = 0;
  w->board.held_entries = 0;
  w->board.epoch = flags.search_epoch.load(std::memory_order_relaxed);
  w->board.task_giver = &b;
  w->board.active_split = &no_split_mark;
  w->may_split.store(false);
  w->root.legal_count = p.legal_count + share.counted.load();
  w->root.best_so_far = std::max(p.best_so_far, share.best_so_far.load());
  w->task = Task{depth, &beta, &alpha, killers, pv, m, p.parent == nullptr, &share, running_units};
  w->busy_for.store(&p);
  platform::release_semaphore(w->go);
  return true;
}

void collect_workers(Position& p) {
  Board& b = *p.board;
  WorkerSlot* mine = slot_of(b);
  WorkerSlot* workers[kMaxPoolSlots];
  int count = 0;
  const int pool = worker_count.load();
  for (int i = 0; i < pool; ++i) {
    if (slots[i]->busy_for.load() != &p) continue;
    slots[i]->finishing.store(true);
    workers[count++] = slots[i];
  }

  const int setting = thread_setting.load();
  const int lift_point = mine != nullptr && mine->index >= setting ? 2 : std::min(setting / 2, count);
  Semaphore* set[kMaxPoolSlots];
  for (int remaining = count; remaining > 0; --remaining) {
    int running = 0;
    for (int i = 0; i < remaining; ++i) running += workers[i]->running.load() ? 1 : 0;
    if (running == lift_point)
      for (int i = 0; i < remaining; ++i) workers[i]->may_split.store(true);
    for (int i = 0; i < remaining; ++i) set[i] = workers[i]->idle;
    if (mine != nullptr) mine->running.store(false);
    int i = platform::wait_any_semaphore(set, remaining, Timeout::Infinite);
    WorkerSlot* done = workers[i];
    done->finishing.store(false);
    platform::release_semaphore(done->idle);
    workers[i] = workers[remaining - 1];
  }
  if (mine != nullptr) {
    platform::wait_semaphore(mine->task.units, Timeout::Infinite);
    mine->running.store(true);
  }

  for (int i = 0; i < pool; ++i) {
    int32_t me = b.thread_number;
    slots[i]->reserved_by.compare_exchange_strong(me, 0);
  }
  b.active_split = nullptr;
  platform::set_thread_priority(platform::ThreadPriority::Normal);
  b.epoch = flags.search_epoch.load(std::memory_order_relaxed);

  SplitShare& share = shares[b.thread_number];
  p.legal_count += share.counted.load();
  p.best_so_far = std::max(p.best_so_far, share.best_so_far.load());
  p.bound_flags = kBoundsByRank[std::max(bound_rank(p.bound_flags), static_cast<int>(share.bound_rank.load()))];
}

uint64_t searched_nodes() { return main_board.nodes + worker_nodes.load(std::memory_order_relaxed); }
void reset_worker_nodes() { worker_nodes.store(0, std::memory_order_relaxed); }

int workers_running() {
  int n = 0;
  for (int i = 0; i < worker_count.load(); ++i) n += slots[i]->busy_for.load() != nullptr ? 1 : 0;
  return n;
}

int slots_in_use() {
  int n = 0;
  for (int i = 0; i < worker_count.load(); ++i)
    n += (slots[i]->busy_for.load() != nullptr || slots[i]->reserved_by.load() != 0 ||
          slots[i]->finishing.load())
             ? 1
             : 0;
  return n;
}

}  // namespace ostrim
