// Ostrim: a chess engine speaking UCI on standard input and output.
#include "platform/process.h"
#include "uci/command_loop.h"

int main(int argc, char**) {
  // The engine and timer threads never stop: end the process without
  // running static destructors under them.
  ostrim::platform::exit_process(ostrim::uci::run_program(argc));
}
