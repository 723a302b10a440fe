#pragma once
// Engine-wide integers shared by the engine thread, the timer, the search
// threads and the evaluation. They are plain flags in the design; relaxed
// atomics give exactly that on x86 without data races in C++ terms.
#include <atomic>
#include <cstdint>

namespace ostrim {

enum class EngineState : int32_t { Idle = 0, Thinking = 1, Pondering = 2 };

struct EngineFlags {
  std::atomic<int32_t> stop{0};           // the search stops when not zero
  std::atomic<EngineState> state{EngineState::Idle};
  std::atomic<int32_t> search_epoch{1};   // advanced by alpha raises at shared nodes
  std::atomic<int32_t> tempo{0};          // set to 1 by every evaluation
  std::atomic<int32_t> futility_margin{10};
  std::atomic<int32_t> root_side{1};      // colour to move at the search root
};

extern EngineFlags flags;

inline bool stop_requested() { return flags.stop.load(std::memory_order_relaxed) != 0; }
inline void request_stop() { flags.stop.store(1, std::memory_order_relaxed); }
inline int32_t tempo() { return flags.tempo.load(std::memory_order_relaxed); }
inline int32_t futility_margin() { return flags.futility_margin.load(std::memory_order_relaxed); }
inline int32_t root_side() { return flags.root_side.load(std::memory_order_relaxed); }
inline EngineState engine_state() { return flags.state.load(std::memory_order_relaxed); }
inline void set_engine_state(EngineState s) { flags.state.store(s, std::memory_order_relaxed); }

}  // namespace ostrim
