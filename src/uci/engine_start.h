#pragma once
// Starting the engine: the mailbox, the options applied, the engine thread.

namespace ostrim::uci {

// Set once a start has been tried, whether or not it succeeded: the
// engine is started at most once.
extern bool engine_started;

// Events, options, thread; false when the start failed. Ends the process
// when the transposition table cannot be allocated.
bool start_engine();

// A start unless one was tried already; a failure is reported with the
// subject as "Engine initialization failed".
void ensure_engine_started(const char* subject);

// Applies the options to the engine at its start; false on failure.
bool apply_options_at_engine_start();

}  // namespace ostrim::uci
