#include "uci/handlers.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "common/decimal.h"
#include "common/output.h"
#include "common/settings.h"
#include "common/tokenizer.h"
#include "engine/clock_guard.h"
#include "engine/engine_thread.h"
#include "platform/clock.h"
#include "uci/engine_start.h"
#include "uci/options.h"

namespace ostrim::uci {

CommandSender command_sender = deliver_command;

namespace {

constexpr int kFormattedCommandSize = 4096;
constexpr int kFewestFenFields = 4;  // placement, side, castling, en passant
constexpr const char* kMissingFenFields[kFenFieldCount] = {nullptr, nullptr, nullptr, nullptr, "0", "1"};
constexpr const char* kRefusedSetup = "- w - - 0 1";  // no placement: the engine refuses it
constexpr int kMillisecondsPerSecond = 1000;
constexpr int kInfiniteSeconds = 60;

// The think command's parameters, in their order.
struct ThinkRequest {
  int mode = kThinkNormal;
  int kind = kKindTimeControl;
  int white_time = 0;
  int black_time = 0;
  int moves_to_go = 0;
  int white_increment = 0;
  int black_increment = 0;
};

void send_command(const char* format, ...) __attribute__((format(printf, 1, 2)));
void send_command(const char* format, ...) {
  char command[kFormattedCommandSize];
  va_list args;
  va_start(args, format);
  std::vsnprintf(command, sizeof command, format, args);
  va_end(args);
  command_sender(command);
}

int seconds_not_negative(int milliseconds) {
  int seconds = milliseconds / kMillisecondsPerSecond;
  return seconds < 0 ? 0 : seconds;
}

bool is(const char* token, const char* word) { return std::strcmp(token, word) == 0; }

// What the last `position` took to replay its moves. A GUI that sends `go`
// straight after it has had its clock running all that while, so the clocks
// of that `go` are read that much lower; long games at short controls were
// lost on time by it. An `isready` in between means the GUI waited.
int32_t position_cost_ms = 0;

int32_t clock_less_position_cost(int value, int32_t cost) {
  int32_t ms = value < 0 ? 0 : value;
  return ms > cost ? ms - cost : 0;
}

}  // namespace

void deliver_command(const char* command) {
  ensure_engine_started(command);
  send_engine_command(command);
}

bool handle_uci(const char*, char**, int) {
  output_line("id name Ostrim 2010 win64 UCI");
  output_line("id author the Ostrim developers");
  output_line("id copyright the Ostrim developers");
  list_options();
  output_line("uciok");
  return true;
}

bool handle_isready(const char* line, char**, int) {
  position_cost_ms = 0;
  ensure_engine_started(line);
  output_line("readyok");
  return true;
}

// The interface's position is not the engine's any more: a set-up the
// engine refuses makes every later `go` answer the null move until the next
// `position`, rather than a move for the old position.
void refuse_position() { send_command("setboard %s", kRefusedSetup); }

bool handle_position(const char* line, char** tokens, int count) {
  const int32_t start = platform::now_ms();
  position_cost_ms = 0;
  char fen[kFenTextSize];
  int keyword = 2;  // where "moves" may stand
  if (is(tokens[1], "fen")) {
    // The fields up to "moves"; EPD texts often lack the last two.
    int fields = 0;
    while (fields < kFenFieldCount && 2 + fields < count && !is(tokens[2 + fields], "moves")) ++fields;
    if (fields < kFewestFenFields) {
      report_error("a FEN needs at least four fields", line);
      refuse_position();
      return true;
    }
    const char* text[kFenFieldCount];
    for (int i = 0; i < kFenFieldCount; ++i) text[i] = i < fields ? tokens[2 + i] : kMissingFenFields[i];
    if (!join_tokens(text, kFenFieldCount, fen, sizeof fen)) {
      report_error("FEN text too long", line);
      refuse_position();
      return true;
    }
    keyword = 2 + fields;
  } else {
    std::memcpy(fen, kStartPosition, sizeof kStartPosition);
  }

  send_command("setboard %s", fen);
  if (keyword < count && is(tokens[keyword], "moves"))
    for (int i = keyword + 1; i < count; ++i) send_command("move %s", tokens[i]);
  position_cost_ms = platform::ms_between(start, platform::now_ms());
  return true;
}

bool handle_quit(const char*, char**, int) { return false; }

bool handle_go(const char* line, char** tokens, int count) {
  int32_t contempt = option_integer("Contempt");
  const int32_t position_cost = position_cost_ms;
  position_cost_ms = 0;
  ThinkRequest r;
  // The think carries whole seconds; the engine's clock guard needs the
  // milliseconds (a clock under one second is 0 seconds).
  int32_t white_ms = kClockNotGiven;
  int32_t black_ms = kClockNotGiven;
  int32_t white_increment_ms = 0;
  int32_t black_increment_ms = 0;
  for (int i = 1; i < count; ++i) {
    const char* word = tokens[i];
    bool takes_value = is(word, "wtime") || is(word, "btime") || is(word, "winc") || is(word, "binc") ||
                       is(word, "movestogo") || is(word, "depth") || is(word, "movetime") ||
                       is(word, "mate") || is(word, "nodes");
    if (!takes_value) {
      if (is(word, "infinite")) {
        contempt = 0;
        r.mode = kThinkInfinite;
        r.kind = kKindInfinite;
        r.white_time = r.black_time = kInfiniteSeconds;
      } else if (is(word, "ponder")) {
        r.mode = kThinkPonder;
      } else if (is(word, "searchmoves")) {
        report_error("unsupported option searchmoves", line);
      }
      continue;  // any other token is skipped
    }
    if (i + 1 >= count) {
      report_error("missing argument", line);
      break;
    }
    int value = decimal_value(tokens[++i]);
    if (is(word, "mate")) {
      report_error("unsupported option mate", line);
    } else if (is(word, "nodes")) {
      report_error("unsupported option nodes", line);
    } else if (is(word, "wtime")) {
      white_ms = clock_less_position_cost(value, position_cost);
      r.white_time = seconds_not_negative(white_ms);
    } else if (is(word, "btime")) {
      black_ms = clock_less_position_cost(value, position_cost);
      r.black_time = seconds_not_negative(black_ms);
    } else if (value < 0 || (is(word, "movetime") && value < 1)) {
      // Nothing the think command can carry: the keyword is ignored.
      report_error("value out of range", line);
    } else if (is(word, "winc")) {
      r.white_increment = value / kMillisecondsPerSecond;
      white_increment_ms = value;
    } else if (is(word, "binc")) {
      r.black_increment = value / kMillisecondsPerSecond;
      black_increment_ms = value;
    } else if (is(word, "movestogo")) {
      r.moves_to_go = value;
    } else if (is(word, "depth")) {
      r.kind = kKindDepth;
      r.white_time = r.black_time = value;
    } else {  // movetime, in milliseconds
      r.kind = kKindMoveTime;
      r.white_time = r.black_time = value;
    }
  }
  note_clocks(white_ms, black_ms);
  note_increments(white_increment_ms, black_increment_ms);
  // Through the engine thread, ahead of the think: a think that is dropped
  // because a search runs leaves that search's contempt as it was.
  requested_settings.contempt = contempt;
  request_settings(requested_settings);
  send_command("think %d %d %d %d %d %d %d %d", r.mode, r.kind, r.white_time, r.black_time, r.moves_to_go,
               r.white_increment, r.black_increment, 0);
  return true;
}

bool handle_stop(const char* line, char**, int) {
  ensure_engine_started(line);
  send_command("abort");
  return true;
}

bool handle_ponderhit(const char*, char**, int) {
  send_command("stoppondering");
  return true;
}

}  // namespace ostrim::uci
