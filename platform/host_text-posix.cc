// Linux: consoles and command lines speak UTF-8.
#include <cstdlib>

#include "platform/cp1252.h"
#include "platform/host_text.h"

std::string Console_Text(std::string_view text) {
  return Cp1252::To_Utf8(text);
}

bool Argument_Text(const std::string& argument, std::string& text) {
  return Cp1252::From_Utf8(argument, text);
}

const bool kSlashOptions = false;

bool Host_Path(std::string& path) {
  if (!path.starts_with("/") && !path.starts_with("./") && !path.starts_with("../") &&
      !path.starts_with("~"))
    return false;
  const char* home = std::getenv("HOME");
  if ((path == "~" || path.starts_with("~/")) && home && *home) path = home + path.substr(1);
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return true;
}
