// Windows: the console and the command line already speak the code page.
#include "platform/host_text.h"

std::string Console_Text(std::string_view text) {
  return std::string(text);
}

bool Argument_Text(const std::string& argument, std::string& text) {
  text = argument;
  return true;
}

const bool kSlashOptions = true;

bool Host_Path(std::string&) {
  return false;
}
