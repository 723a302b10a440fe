#pragma once
// The UCI command handlers: each takes the whole line and its tokens and
// returns whether the read loop goes on.

namespace ostrim::uci {

// The start position's set-up text.
constexpr const char kStartPosition[] = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

// Where the handlers' engine commands go. Normally deliver_command; a test
// puts a capture of its own here to see what a request becomes.
using CommandSender = void (*)(const char* command);
extern CommandSender command_sender;

// Starts the engine if no start was tried yet (so that a command sent
// before `isready` is not lost), then hands the command over.
void deliver_command(const char* command);

bool handle_uci(const char* line, char** tokens, int count);
bool handle_isready(const char* line, char** tokens, int count);
bool handle_position(const char* line, char** tokens, int count);
bool handle_quit(const char* line, char** tokens, int count);
bool handle_go(const char* line, char** tokens, int count);
bool handle_stop(const char* line, char** tokens, int count);
bool handle_ponderhit(const char* line, char** tokens, int count);

}  // namespace ostrim::uci
