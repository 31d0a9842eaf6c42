// Linux: the terminal's title, set with the escape sequences of xterm,
// which terminals of every desktop understand: the old title is pushed on
// the terminal's stack of titles and popped at the end, also when Ctrl-C,
// a hang-up or a kill that can be caught ends the program. Only when the
// output is a terminal that takes such sequences.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "platform/console_title.h"
#include "platform/host_text.h"

namespace {

const char kPush[] = "\x1b[22;0t";
const char kPop[] = "\x1b[23;0t";
const int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

void Send(const std::string& sequence) {
  std::fwrite(sequence.data(), 1, sequence.size(), stdout);
  std::fflush(stdout);
}

// Gives the title back, then ends the program as the signal would have.
// (Only calls that a signal handler may make.)
void Give_Back(int signal) {
  if (write(STDOUT_FILENO, kPop, sizeof kPop - 1) < 0) {
    // Nothing more can be done for the title.
  }
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

}  // namespace

bool Console_Title_Begin() {
  const char* term = std::getenv("TERM");
  if (!Is_Terminal(stdout) || !term || std::string_view(term) == "dumb") return false;
  Send(kPush);
  // A signal that was ignored stays so.
  for (int signal : kSignals)
    if (std::signal(signal, Give_Back) == SIG_IGN) std::signal(signal, SIG_IGN);
  return true;
}

void Console_Title(const std::string& text) {
  Send("\x1b]0;" + text + "\x07");
}

void Console_Title_End() {
  for (int signal : kSignals)
    if (std::signal(signal, SIG_DFL) == SIG_IGN) std::signal(signal, SIG_IGN);
  Send(kPop);
}
