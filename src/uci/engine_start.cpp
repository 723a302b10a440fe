#include "uci/engine_start.h"

#include <cstring>

#include "board/types.h"
#include "common/hooks.h"
#include "common/output.h"
#include "common/report.h"
#include "common/settings.h"
#include "engine/engine_thread.h"
#include "engine/think.h"
#include "engine/time_control.h"
#include "platform/console.h"
#include "platform/process.h"
#include "search/driver.h"
#include "search/parallel.h"
#include "uci/options.h"
#include "uci/printers.h"

namespace ostrim::uci {

bool engine_started = false;

namespace {
constexpr const char kNoTableMessage[] = "Cannot allocate hash table. Try a smaller size\n";
}

bool apply_options_at_engine_start() {
  settings.thread_count = option_integer("Threads");  // read by the search pool's set-up
  if (engine_initialise(hash_bytes(option_integer("Hash"))) == 0) {
    platform::console_write_error(kNoTableMessage, sizeof kNoTableMessage - 1);
    platform::exit_process(1);
  }
  start_search_pool(option_integer("Threads"));
  start_timer();
  if (option_flag("OwnBook")) open_book_option();
  reset_settings();

  hooks.print_variation = print_variation;
  hooks.print_current_move = print_current_move;
  hooks.print_bestmove = print_bestmove;
  hooks.poll_commands = poll_engine_commands;
  option_reader.integer = option_integer;
  option_reader.flag = option_flag;
  apply_tablebase_options();

  for (Move& m : report.variation) m = kNullMove;
  report.tablebase_hits.store(0);
  apply_settings();
  return true;
}

bool start_engine() {
  create_mailbox();
  if (!apply_options_at_engine_start()) return false;
  return start_engine_thread();
}

void ensure_engine_started(const char* subject) {
  if (engine_started) return;
  if (!start_engine()) report_error("Engine initialization failed", subject);
  engine_started = true;
}

}  // namespace ostrim::uci
