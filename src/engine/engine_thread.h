#pragma once
// The engine thread and its one-slot mailbox: the UCI front end hands it
// engine commands (setboard, think, move, abort, stoppondering) one at a
// time; a running search takes them through the non-blocking poll.
#include <atomic>
#include <cstdint>

#include "common/settings.h"
#include "search/driver.h"

namespace ostrim {

constexpr int kEngineCommandSize = 2048;   // a command holds at most 2047 characters
constexpr int kEngineTokenCapacity = 256;
constexpr int kFenTextSize = 256;          // a set-up text holds at most 255 characters
constexpr int kFenFieldCount = 6;

// The think command's MODE and KIND values that the front end sends.
constexpr int kThinkNormal = 0;
constexpr int kThinkPonder = 1;
constexpr int kThinkInfinite = 2;
constexpr int kKindTimeControl = 6;  // the others are with the search limits

// True when the root position was set up successfully.
extern std::atomic<bool> position_valid;
// True when a move since the last set-up was refused: the game then differs
// from the interface's, and a think answers the null move unsearched.
extern std::atomic<bool> moves_refused;

// First steps of the engine start: the position is valid, and the command
// and ready events exist. Call once, before start_engine_thread.
void create_mailbox();
// Starts the engine thread; false when it could not be created.
bool start_engine_thread();
// Whether the engine thread runs (commands can be delivered).
bool engine_thread_running();

// Hands the command to the engine thread: waits until it has taken the
// previous one, then stores this one. A command over 2047 characters gets
// an error line and is handed over cut (a cut move is refused like any
// illegal one); without an engine thread nothing is sent. Returns whether
// the command was handed over.
bool send_engine_command(const char* command);

// The engine thread's step: takes and runs one engine command. With `poll`
// set it does not wait: it returns at once when no command is pending.
void take_engine_command(bool poll);

// Runs one command text as a taken command runs (the mailbox must exist):
// checks it against the engine command table and calls its handler.
void run_engine_command(const char* command, bool poll);

// The poll the search calls through its hook.
void poll_engine_commands();

// Asks for a transposition table of that many MB (the Hash option):
// applied at once when the engine is idle, otherwise when the running
// search has ended. On failure the table in use stays.
void request_hash_size(int32_t megabytes);

// Asks for the fed fields of these settings (kFedSettings): applied at once
// when the engine is idle, otherwise when the running search has ended, so
// that a search reads the same settings from start to end. Without an
// engine thread they are applied at once.
void request_settings(const EngineSettings& requested);

// Hash MB as a table size in bytes: above 4096 counts as 4096, and below 1
// gives 0 bytes (the default size).
uint64_t hash_bytes(int32_t megabytes);

}  // namespace ostrim
