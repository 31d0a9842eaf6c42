// Windows-1252, the 8-bit code page in which Windows-side text (the index,
// the registry's 8-bit answers, paths) reaches the program, and its meeting
// with UTF-8, in which Wine names files on Linux and Linux consoles speak.
#pragma once

#include <string>
#include <string_view>

namespace Cp1252 {

// The byte for a Unicode character where the code page has it, else "?".
char From_Unicode(unsigned code);

// The byte that the 8-bit calls of Windows give for a character: exact,
// else its best fit (such as "A" for "Ā"), else "?".
char Best_Fit(unsigned code);

// The text in UTF-8.
std::string To_Utf8(std::string_view text);

// The next character of UTF-8 text at `pos` (moved past it), or -1 for a
// byte that starts no well-formed character (then one byte is passed): an
// overlong form (C0 AF for "/"), a surrogate, or beyond U+10FFFF.
long Next_Utf8(std::string_view text, size_t& pos);

// UTF-8 text in Windows-1252. False when it is no UTF-8 or holds a
// character the code page lacks; `text` then has "?" in its place.
bool From_Utf8(std::string_view utf8, std::string& text);

// The character, or each character of the text, with its letters in lower
// case (A-Z, and the accented capitals and Š, Œ, Ž, Ÿ of the code page), as
// names are compared on Windows.
char Fold(char c);
std::string Fold(std::string_view text);

}  // namespace Cp1252
