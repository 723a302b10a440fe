#pragma once
// The option table: every tunable of the engine as a UCI option held as text.
#include <atomic>
#include <cstdint>

#include "common/settings.h"

namespace ostrim::uci {

struct OptionRow {
  const char* name;          // none ends the table
  uint64_t listed;           // listed by `uci` when not zero
  const char* default_text;
  const char* type;          // "spin", "check" or "string"
  const char* range;         // "min %d max %d" for spins, else empty
  // The current value. Replaced texts are kept, not freed: the engine
  // thread may be reading one while `setoption` stores the next.
  std::atomic<const char*> value;
};

constexpr int kOptionCount = 30;

// The rows in their fixed order, then the row without a name.
extern OptionRow option_table[kOptionCount + 1];

// The row whose name equals the text without regard to ASCII letter case.
OptionRow* find_option(const char* name);
// Stores a copy of the text as the option's value; false for no such option.
bool set_option(const char* name, const char* text);
// Every option's value := a copy of its default text, in table order.
void set_all_options_to_defaults();

// The value's text ("" for no such option).
const char* option_text(const char* name);
// The value read as a decimal integer.
int32_t option_integer(const char* name);
// Whether the value is "true" in any letter case.
bool option_flag(const char* name);

// Start-up: the Threads default and range from the processor count, every
// value to its default, then Hash to 19.
void init_options(int processor_count);

// One "option name ..." line per listed row, the current value as default.
void list_options();

// The settings the front end asks the engine for: the option-fed fields,
// and the contempt of the last `go`. Main thread only.
extern EngineSettings requested_settings;

// The numbers the search and the evaluation read, from the options; the
// engine takes them when no search runs.
void apply_settings();

// The `setoption` handler (3 to 5 tokens).
bool handle_setoption(const char* line, char** tokens, int count);

// Opens the book named by Book_file; on failure writes the C library's
// message for the error and sets OwnBook to false.
bool open_book_option();

// Use_tablebases, Tablebases_path and Tablebases_cache_(MBytes): with the
// probe on, installs it, looks for the files anew and sets up a new block
// cache; otherwise removes it. Runs under the search lock, so that a search
// going on meanwhile never probes a half-built registry.
void apply_tablebase_options();

}  // namespace ostrim::uci
