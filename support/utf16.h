// UTF-16LE, the encoding in which the engine writes a text that its 8-bit
// code page cannot hold, and its meeting with UTF-8, in which the program
// reads and writes such a text. Without loss either way: a lone surrogate
// is carried as the three bytes UTF-8 would give its value.
#pragma once

#include <string>
#include <string_view>

namespace Utf16 {

// The character `code` (a surrogate too) in UTF-8 at `out`, which holds
// four bytes. Returns how many were written.
int To_Utf8(unsigned code, char* out);

// UTF-8 text as UTF-16LE bytes. A byte that starts no sequence stands for
// the character of its value.
std::string From_Utf8(std::string_view text);

}  // namespace Utf16
