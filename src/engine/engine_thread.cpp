#include "engine/engine_thread.h"

#include <cstdio>
#include <cstring>

#include "board/game_record.h"
#include "board/setup.h"
#include "common/decimal.h"
#include "common/engine_flags.h"
#include "common/output.h"
#include "common/settings.h"
#include "search/parallel.h"
#include "common/tokenizer.h"
#include "engine/game.h"
#include "engine/think.h"
#include "platform/sync.h"
#include "platform/threads.h"
#include "search/driver.h"

namespace ostrim {

std::atomic<bool> position_valid{true};
std::atomic<bool> moves_refused{false};

namespace {

using platform::Timeout;

constexpr int kNoPendingHash = 0;
constexpr int32_t kLargestHash = 4096;
constexpr uint64_t kBytesPerMegabyte = 1024 * 1024;

// The mailbox. The ready event orders every write of the buffer after the
// previous take; the command event orders every take after the write.
char command_buffer[kEngineCommandSize];
platform::Event* command_event = nullptr;
platform::Event* ready_event = nullptr;
std::atomic<bool> thread_running{false};

// A Hash change that arrived during a search; polls from search threads
// may record it, the engine thread applies it.
std::atomic<int32_t> pending_hash_mb{kNoPendingHash};

// Settings that arrived during a search: the search keeps the values it
// started with, the engine thread takes these once it has ended.
EngineSettings pending_settings;
std::atomic<bool> settings_pending{false};

// A handler returns true to have the running search stopped and the same
// command taken again once the search has returned.
using EngineHandler = bool (*)(const char* command, char** tokens, int count, bool poll);

struct EngineCommandRow {
  const char* word;
  int min_tokens;
  int max_tokens;
  EngineHandler handler;
};

void signal_ready() { platform::signal_event(ready_event); }

void apply_hash_size(int32_t megabytes) {
  if (resize_table(hash_bytes(megabytes))) return;
  char subject[64];
  std::snprintf(subject, sizeof subject, "Hash %d", megabytes);
  report_error("cannot allocate the hash table, the old one stays", subject);
}

void apply_pending_hash() {
  int32_t megabytes = pending_hash_mb.exchange(kNoPendingHash);
  if (megabytes != kNoPendingHash) apply_hash_size(megabytes);
}

// New settings, taken while no search runs; the pool follows the thread count.
void take_settings(const EngineSettings& requested) {
  copy_fed_settings(settings, requested);
  set_search_threads(settings.thread_count);
}

void apply_pending_settings() {
  if (settings_pending.exchange(false, std::memory_order_acquire)) take_settings(pending_settings);
}

bool handle_setboard(const char*, char** tokens, int, bool poll) {
  if (poll) return true;
  if (engine_state() != EngineState::Idle) assertion_failed(__LINE__);
  char fen[kFenTextSize];
  // An over-long text is refused like an illegal one.
  bool ok = join_tokens(tokens + 1, kFenFieldCount, fen, sizeof fen) && setup_position(fen) == 0;
  position_valid.store(ok);
  moves_refused.store(false);
  if (!ok) output_line("info string Illegal position");
  signal_ready();
  return false;
}

bool handle_think(const char*, char** tokens, int, bool poll) {
  if (poll) {  // a think during a search is dropped
    signal_ready();
    return false;
  }
  flags.root_side.store(root_position.side);
  signal_ready();
  int mode = decimal_value(tokens[1]);
  if (!position_valid.load()) {
    answer_without_search(mode, "the last position was refused");
    return false;
  }
  int kind = decimal_value(tokens[2]);
  int white_time = decimal_value(tokens[3]);
  int black_time = decimal_value(tokens[4]);
  int moves_to_go = decimal_value(tokens[5]);
  int white_increment = decimal_value(tokens[6]);
  int black_increment = decimal_value(tokens[7]);
  int extra = decimal_value(tokens[8]);
  bool white = root_position.side == kWhite;
  run_think(mode, kind, white ? white_time : black_time, moves_to_go,
            white ? white_increment : black_increment, extra);
  apply_pending_hash();
  apply_pending_settings();
  return false;
}

bool handle_move(const char*, char** tokens, int, bool poll) {
  if (poll) return true;
  if (engine_state() != EngineState::Idle) assertion_failed(__LINE__);
  if (!position_valid.load() || !apply_game_move(tokens[1])) {
    output_line("Illegal move: %s", tokens[1]);
    moves_refused.store(true);
  }
  signal_ready();
  return false;
}

bool handle_abort(const char*, char**, int, bool poll) {
  if (poll) return true;
  signal_ready();
  return false;
}

bool handle_stoppondering(const char*, char**, int, bool) {
  stop_pondering();
  signal_ready();
  return false;
}

// Not a protocol command: the front end's way of changing the table size
// without pulling it from under a running search.
bool handle_hash(const char*, char** tokens, int, bool poll) {
  pending_hash_mb.store(decimal_value(tokens[1]));
  if (!poll) apply_pending_hash();
  signal_ready();
  return false;
}

// Not a protocol command either: the front end's settings, applied at once
// when idle, otherwise when the running search has ended.
bool handle_settings(const char*, char** tokens, int, bool poll) {
  EngineSettings requested;
  for (int i = 0; i < kFedSettingCount; ++i) requested.*kFedSettings[i] = decimal_value(tokens[1 + i]);
  if (poll) {
    pending_settings = requested;
    settings_pending.store(true, std::memory_order_release);
  } else {
    settings_pending.store(false, std::memory_order_relaxed);  // these are newer
    take_settings(requested);
  }
  signal_ready();
  return false;
}

constexpr EngineCommandRow kEngineCommandTable[] = {
    {"setboard", 1 + kFenFieldCount, 1 + kFenFieldCount, handle_setboard},
    {"think", 9, 9, handle_think},
    {"move", 2, 2, handle_move},
    {"abort", 1, 1, handle_abort},
    {"stoppondering", 1, 1, handle_stoppondering},
    {"hash", 2, 2, handle_hash},
    {"settings", 1 + kFedSettingCount, 1 + kFedSettingCount, handle_settings},
    {nullptr, 0, 0, nullptr},
};

void run_engine_thread(void*) {
  signal_ready();
  for (;;) take_engine_command(false);
}

}  // namespace

void request_settings(const EngineSettings& requested) {
  if (!thread_running.load()) {  // no engine thread, so no search either
    take_settings(requested);
    return;
  }
  char command[kEngineCommandSize];
  int length = std::snprintf(command, sizeof command, "settings");
  for (int32_t EngineSettings::*field : kFedSettings)
    length += std::snprintf(command + length, sizeof command - static_cast<std::size_t>(length), " %d",
                            requested.*field);
  send_engine_command(command);
}

uint64_t hash_bytes(int32_t megabytes) {
  if (megabytes < 1) return 0;
  if (megabytes > kLargestHash) megabytes = kLargestHash;
  return static_cast<uint64_t>(megabytes) * kBytesPerMegabyte;
}

void create_mailbox() {
  position_valid.store(true);
  moves_refused.store(false);
  command_event = platform::create_event();
  ready_event = platform::create_event();
}

bool start_engine_thread() {
  if (command_event == nullptr) return false;
  bool started = platform::start_thread(run_engine_thread, nullptr, 0);
  thread_running.store(started);
  return started;
}

bool engine_thread_running() { return thread_running.load(); }

bool send_engine_command(const char* command) {
  if (!thread_running.load()) return false;
  std::size_t length = std::strcspn(command, "\n");  // the text ends at its first line feed
  if (length > kEngineCommandSize - 1) {
    report_error("engine command too long", command);
    length = kEngineCommandSize - 1;
  }
  platform::wait_event(ready_event, Timeout::Infinite);
  std::memcpy(command_buffer, command, length);
  command_buffer[length] = '\0';
  platform::signal_event(command_event);
  return true;
}

void take_engine_command(bool poll) {
  if (!platform::wait_event(command_event, poll ? Timeout::Zero : Timeout::Infinite)) return;
  char command[kEngineCommandSize];
  std::memcpy(command, command_buffer, sizeof command);
  run_engine_command(command, poll);
}

void run_engine_command(const char* command, bool poll) {
  char copy[kEngineCommandSize];
  char* tokens[kEngineTokenCapacity];
  int count = tokenize_copy(command, copy, kEngineCommandSize, tokens, kEngineTokenCapacity);
  if (count == 0) return;

  const EngineCommandRow* row = kEngineCommandTable;
  while (row->word != nullptr && std::strcmp(row->word, tokens[0]) != 0) ++row;
  if (row->word == nullptr) {
    report_error("internal error #3", command);
    return;
  }
  if (count < row->min_tokens) {
    report_error("internal error #1", command);
    return;
  }
  if (count > row->max_tokens) {
    report_error("internal error #2", command);
    return;
  }
  if (row->handler(command, tokens, count, poll)) {
    request_stop();
    set_engine_state(EngineState::Thinking);
    platform::signal_event(command_event);  // taken again once the search has returned
  }
}

void poll_engine_commands() { take_engine_command(true); }

void request_hash_size(int32_t megabytes) {
  char command[32];
  std::snprintf(command, sizeof command, "hash %d", megabytes);
  send_engine_command(command);
}

}  // namespace ostrim
