#pragma once
// What the principal variation printer last reported: the think executor
// takes "bestmove" and "ponder" from it.
#include <atomic>
#include <cstdint>

namespace ostrim {

using Move = std::uint16_t;  // the same alias as board/types.h

constexpr int kReportedVariationLength = 19;

struct SearchReport {
  Move variation[kReportedVariationLength];  // ends early at the null move
  int32_t last_score = 0;
  int32_t multipv_index = 0;                  // 0-based; printed plus 1
  std::atomic<int32_t> tablebase_hits{0};
};

extern SearchReport report;

}  // namespace ostrim
