#include "uci/command_loop.h"

#include <cstdint>
#include <cstring>

#include "common/output.h"
#include "common/tokenizer.h"
#include "platform/console.h"
#include "platform/threads.h"
#include "uci/engine_start.h"
#include "uci/handlers.h"
#include "uci/options.h"

namespace ostrim::uci {
namespace {

constexpr uint32_t kUnbounded = 0xFFFFFFFF;
constexpr int kExitStatus = 1;

using UciHandler = bool (*)(const char* line, char** tokens, int count);

struct UciCommandRow {
  const char* name;
  uint32_t min_tokens;
  uint32_t max_tokens;
  UciHandler handler;  // none: the line is accepted and ignored
};

constexpr UciCommandRow kUciCommandTable[] = {
    {"uci", 1, 1, handle_uci},
    {"debug", 1, 2, nullptr},
    {"isready", 1, 1, handle_isready},
    {"setoption", 3, 5, handle_setoption},
    {"position", 2, kUnbounded, handle_position},
    {"quit", 1, 1, handle_quit},
    {"go", 1, kUnbounded, handle_go},
    {"stop", 1, 1, handle_stop},
    {"ponderhit", 1, 1, handle_ponderhit},
    {nullptr, 0, 0, nullptr},
};

}  // namespace

bool run_line(const char* line) {
  char copy[kCommandLineSize];
  char* tokens[kTokenCapacity];
  int count = tokenize_copy(line, copy, kCommandLineSize, tokens, kTokenCapacity);
  if (count == 0) return true;

  const UciCommandRow* row = kUciCommandTable;
  while (row->name != nullptr && std::strcmp(row->name, tokens[0]) != 0) ++row;
  if (row->name == nullptr) {
    report_error("Unknown command", tokens[0]);
    return true;
  }
  if (row->handler == nullptr) return true;
  auto tokens_found = static_cast<uint32_t>(count);
  if (tokens_found < row->min_tokens) {
    report_error("too few parameters", line);
    return true;
  }
  if (row->max_tokens != kUnbounded && tokens_found > row->max_tokens) {
    report_error("too many parameters", line);
    return true;
  }
  if (count > kTokenCapacity) {  // refused rather than cut: a cut position is a wrong one
    report_error("too many tokens", line);
    return true;
  }
  return row->handler(line, tokens, count);
}

void read_loop() {
  char line[kCommandLineSize];
  while (platform::read_console_line(line, sizeof line) >= 0) {
    if (char* line_feed = std::strchr(line, '\n')) *line_feed = '\0';
    if (!run_line(line)) return;
  }
}

int run_program(int argument_count) {
  engine_started = false;
  init_options(platform::usable_processor_count());
  if (argument_count > 1) {
    if (!start_engine()) return kExitStatus;
    engine_started = true;
  }
  read_loop();
  return kExitStatus;
}

}  // namespace ostrim::uci
