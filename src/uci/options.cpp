#include "uci/options.h"

#include <algorithm>
#include <cerrno>
#include <new>
#include <cstdio>
#include <cstring>

#include "book/book.h"
#include "common/decimal.h"
#include "common/output.h"
#include "common/hooks.h"
#include "common/report.h"
#include "common/search_lock.h"
#include "common/settings.h"
#include "engine/engine_thread.h"
#include "tablebase/block_cache.h"
#include "tablebase/probe.h"
#include "tablebase/registry.h"
#include "uci/engine_start.h"

namespace ostrim::uci {
namespace {

constexpr int kThreadsTextSize = 32;
constexpr const char* kStartupHash = "19";
constexpr int32_t kSmallestAppliedHash = 4;  // a smaller Hash is stored, not applied

char threads_default[kThreadsTextSize] = "1";
char threads_range[kThreadsTextSize] = "min 1 max 1";

constexpr const char* kPercentRange = "min 30 max 300";

// The cache option's spin range bounds what is allocated; 0 or less means
// no cache (every probe of a file finds nothing).
constexpr int32_t kLargestTablebaseCacheMb = 4;
constexpr uint64_t kBytesPerMegabyte = 1024 * 1024;

}  // namespace

OptionRow option_table[kOptionCount + 1] = {
    {"Hash", 1, "16", "spin", "min 4 max 4096", {}},
    {"Ponder", 1, "false", "check", "", {}},
    {"OwnBook", 1, "true", "check", "", {}},
    {"MultiPV", 1, "1", "spin", "min 1 max 50", {}},
    {"Book_file", 1, "ostrim2010.bin", "string", "", {}},
    {"Book_selectivity", 1, "5", "spin", "min 0 max 30", {}},
    {"Contempt", 1, "15", "spin", "min -500 max 500", {}},
    {"Depth_limit", 1, "60", "spin", "min 3 max 60", {}},
    {"Use_tablebases", 1, "true", "check", "", {}},
    {"Tablebases_path", 1, "C:\\TBs", "string", "", {}},
    {"Tablebases_cache_(MBytes)", 1, "1", "spin", "min 1 max 4", {}},
    {"Null_move_reduction_(depth)", 1, "4", "spin", "min 0 max 10", {}},
    {"Use_half_ply_heuristic", 1, "true", "check", "", {}},
    {"Use_threat_detection", 1, "true", "check", "", {}},
    {"Use_history_pruning", 1, "true", "check", "", {}},
    {"Advanced_contempt", 1, "true", "check", "", {}},
    {"Identify_drawish_positions", 1, "true", "check", "", {}},
    {"Minimum_threat_value_(pct)", 1, "100", "spin", kPercentRange, {}},
    {"Bad_move_threshold_(pct)", 1, "100", "spin", kPercentRange, {}},
    {"Score_drop_threshold_(pct)", 1, "100", "spin", kPercentRange, {}},
    {"Pawn_value_(pct)", 1, "100", "spin", kPercentRange, {}},
    {"Pieces_value_(pct)", 1, "100", "spin", kPercentRange, {}},
    {"King_safety_value_(pct)", 1, "100", "spin", kPercentRange, {}},
    {"No_progress_penalty_(pct)", 1, "100", "spin", kPercentRange, {}},
    {"Space_value_(pct)", 1, "100", "spin", kPercentRange, {}},
    {"Mobility_value_(pct)", 1, "100", "spin", kPercentRange, {}},
    {"Pawn_structure_value_(pct)", 1, "100", "spin", kPercentRange, {}},
    {"Endgame_king_position_(pct)", 1, "100", "spin", kPercentRange, {}},
    {"Passed_pawn_value_(pct)", 1, "100", "spin", kPercentRange, {}},
    {"Threads", 1, threads_default, "spin", threads_range, {}},
    {nullptr, 0, nullptr, nullptr, nullptr, {}},
};

namespace {

char ascii_lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool same_name(const char* a, const char* b) {
  for (; *a != '\0' && *b != '\0'; ++a, ++b)
    if (ascii_lower(*a) != ascii_lower(*b)) return false;
  return *a == *b;
}

// Every value text ever stored, newest first, each block beginning with a
// link to the one stored before it: replaced values stay allocated (and
// visibly held) because another thread may still be reading one.
struct ValueText {
  ValueText* stored_before;  // the text follows the record
};
ValueText* stored_values = nullptr;  // written by the main thread only

void store_copy(OptionRow& row, const char* text) {
  std::size_t size = std::strlen(text) + 1;
  auto* value = static_cast<ValueText*>(::operator new(sizeof(ValueText) + size));
  value->stored_before = stored_values;
  char* copy = reinterpret_cast<char*>(value + 1);
  std::memcpy(copy, text, size);
  stored_values = value;
  row.value.store(copy, std::memory_order_release);
}

// The C library's message for the error of a failed book opening, and
// OwnBook off.
void book_failed() {
  // The system's message text ends with its own line break: an empty line follows it.
  output_line("%s\n", std::strerror(errno));
  set_option("OwnBook", "false");
}

}  // namespace

OptionRow* find_option(const char* name) {
  for (OptionRow* row = option_table; row->name != nullptr; ++row)
    if (same_name(row->name, name)) return row;
  return nullptr;
}

bool set_option(const char* name, const char* text) {
  OptionRow* row = find_option(name);
  if (row == nullptr) return false;
  store_copy(*row, text);
  return true;
}

void set_all_options_to_defaults() {
  for (OptionRow* row = option_table; row->name != nullptr; ++row) store_copy(*row, row->default_text);
}

const char* option_text(const char* name) {
  OptionRow* row = find_option(name);
  if (row == nullptr) return "";
  const char* value = row->value.load(std::memory_order_acquire);
  return value != nullptr ? value : "";
}

int32_t option_integer(const char* name) { return decimal_value(option_text(name)); }

bool option_flag(const char* name) { return same_name(option_text(name), "true"); }

void init_options(int processor_count) {
  std::snprintf(threads_default, sizeof threads_default, "%d", processor_count);
  std::snprintf(threads_range, sizeof threads_range, "min 1 max %d", processor_count);
  set_all_options_to_defaults();
  set_option("Hash", kStartupHash);
}

void list_options() {
  for (OptionRow* row = option_table; row->name != nullptr; ++row) {
    if (row->listed == 0) continue;
    const char* value = row->value.load(std::memory_order_acquire);
    if (value == nullptr) value = "";
    if (row->range[0] != '\0')
      output_line("option name %s type %s default %s %s", row->name, row->type, value, row->range);
    else
      output_line("option name %s type %s default %s", row->name, row->type, value);
  }
}

EngineSettings requested_settings;

void apply_settings() {
  EngineSettings& r = requested_settings;
  // Its spin range: setoption stores any text, and the null-move search
  // adds to the reduction.
  r.null_move_reduction = std::clamp(option_integer("Null_move_reduction_(depth)"), 0, 10);
  r.use_half_ply_heuristic = option_flag("Use_half_ply_heuristic");
  r.use_threat_detection = option_flag("Use_threat_detection");
  r.use_history_pruning = option_flag("Use_history_pruning");
  r.advanced_contempt = option_flag("Advanced_contempt");
  r.identify_drawish = option_flag("Identify_drawish_positions");
  r.minimum_threat_pct = option_integer("Minimum_threat_value_(pct)");
  r.bad_move_pct = option_integer("Bad_move_threshold_(pct)");
  r.score_drop_pct = option_integer("Score_drop_threshold_(pct)");
  r.pawn_pct = option_integer("Pawn_value_(pct)");
  r.pieces_pct = option_integer("Pieces_value_(pct)");
  r.king_safety_pct = option_integer("King_safety_value_(pct)");
  r.no_progress_pct = option_integer("No_progress_penalty_(pct)");
  r.space_pct = option_integer("Space_value_(pct)");
  r.mobility_pct = option_integer("Mobility_value_(pct)");
  r.pawn_structure_pct = option_integer("Pawn_structure_value_(pct)");
  r.endgame_king_pct = option_integer("Endgame_king_position_(pct)");
  r.passed_pawn_pct = option_integer("Passed_pawn_value_(pct)");
  r.thread_count = option_integer("Threads");
  request_settings(r);
}

bool open_book_option() {
  if (book::open_book(option_text("Book_file"))) return true;
  book_failed();
  return false;
}

void apply_tablebase_options() {
  lock_search();
  if (option_flag("Use_tablebases")) {
    hooks.probe_tablebase = tablebase::probe_tablebase;
    int men = tablebase::initialise_tablebases(option_text("Tablebases_path"));
    int32_t megabytes = std::clamp(option_integer("Tablebases_cache_(MBytes)"), 0, kLargestTablebaseCacheMb);
    tablebase::set_up_cache(static_cast<uint64_t>(megabytes) * kBytesPerMegabyte);
    tablebase_men.store(men);
  } else {
    hooks.probe_tablebase = nullptr;
    tablebase_men.store(0);
  }
  unlock_search();
}

bool handle_setoption(const char* line, char** tokens, int count) {
  // A malformed line is the interface's fault: say so and read on.
  if (count < 5 || std::strcmp(tokens[1], "name") != 0 || std::strcmp(tokens[3], "value") != 0) {
    report_error("expected setoption name <id> value <x>", line);
    return true;
  }
  const char* name = tokens[2];
  const char* value = tokens[4];
  set_option(name, value);  // an unknown name changes nothing, silently

  if (engine_started) {
    if (same_name(name, "Hash") && decimal_value(value) >= kSmallestAppliedHash)
      request_hash_size(decimal_value(value));
  }
  if (same_name(name, "Book_file") && option_flag("OwnBook")) open_book_option();
  if (same_name(name, "Use_tablebases") || same_name(name, "Tablebases_path") ||
      same_name(name, "Tablebases_cache_(MBytes)"))
    apply_tablebase_options();

  report.tablebase_hits.store(0);
  apply_settings();
  return true;
}

}  // namespace ostrim::uci
