// Linux: consoles and command lines speak UTF-8.
#include "platform/cp1252.h"
#include "platform/host_text.h"

std::string Console_Text(std::string_view text) {
  return Cp1252::To_Utf8(text);
}

bool Argument_Text(const std::string& argument, std::string& text) {
  return Cp1252::From_Utf8(argument, text);
}
