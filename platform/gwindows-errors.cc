// The system's text for a platform error code.
#include "platform/gwindows-errors.h"

#include <vector>

#include "platform/registry_calls.h"

namespace GWindows::Errors {

std::string Error_To_String(uint32_t code) {
  std::vector<char> text(1025, 0);
  Registry_Calls::Format_Message(code, text.data(), 1024);
  return text.data();
}

}  // namespace GWindows::Errors
