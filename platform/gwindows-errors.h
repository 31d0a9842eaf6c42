// The system's text for a platform error code.
#pragma once

#include <cstdint>
#include <string>

namespace GWindows::Errors {

// The system's message for `code`, exactly as the system gives it (a closing
// line end included); empty when the system has none.
std::string Error_To_String(uint32_t code);

}  // namespace GWindows::Errors
