// Linux: the terminal's title, set with the escape sequences of xterm,
// which terminals of every desktop understand: the old title is pushed on
// the terminal's stack of titles and popped at the end. Only when the
// output is a terminal.
#include <cstdio>

#include "platform/console_title.h"
#include "platform/host_text.h"

namespace {

void Send(const std::string& sequence) {
  std::fwrite(sequence.data(), 1, sequence.size(), stdout);
  std::fflush(stdout);
}

}  // namespace

bool Console_Title_Begin() {
  if (!Is_Terminal(stdout)) return false;
  Send("\x1b[22;0t");
  return true;
}

void Console_Title(const std::string& text) {
  Send("\x1b]0;" + text + "\x07");
}

void Console_Title_End() {
  Send("\x1b[23;0t");
}
