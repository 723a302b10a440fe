#include "engine/think.h"

#include "common/engine_flags.h"

namespace ostrim {

// Not built yet: a think answers nothing.
void run_think(int, int, int, int, int, int) {}

// Not built yet: only the change of state.
bool stop_pondering() {
  if (engine_state() != EngineState::Pondering) return false;
  set_engine_state(EngineState::Thinking);
  return true;
}

}  // namespace ostrim
