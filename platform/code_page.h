// The 8-bit code pages of Windows in which the native build reads an index
// that is neither UTF-8 nor UTF-16, as the game wrote it under Wine: the code
// page that the game's prefix names, Windows-1252 where none is named.
#pragma once

#include <string>
#include <string_view>

namespace Code_Page {

// The text in UTF-8, read in the 8-bit code page `code_page` (874, 1250 to
// 1258). A byte that the code page leaves undefined stands for the control
// character of the same number below 0xA0, as the conversions of Windows and
// Wine have it, and for U+FFFD above, as does every byte beyond ASCII in a
// code page of two-byte characters (932, 936, 949, 950) or one not known: a
// name that holds it is refused, never guessed.
std::string To_Utf8(int code_page, std::string_view text);

}  // namespace Code_Page
