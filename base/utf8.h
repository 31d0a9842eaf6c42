// UTF-8, the program's one form of text inside: names, paths and lines are
// held in it from where they come in (the index, the registry, the command
// line) to where they go out (the system's calls, the console).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace Utf8 {

// The next character of the text at `pos` (moved past it), or -1 for a byte
// that starts no well-formed character (then one byte is passed): an
// overlong form (C0 AF for "/"), a surrogate, or beyond U+10FFFF.
long Next(std::string_view text, size_t& pos);

// Appends the character `code` (below U+110000).
void Put(std::string& out, unsigned code);

// Whether the text is well-formed UTF-8 throughout.
bool Valid(std::string_view text);

// How many UTF-16 units the text takes in the system's wide calls (a byte
// that is no character counts as one).
size_t Utf16_Length(std::string_view text);

// The text with every letter folded as Windows and Wine compare names: by
// Unicode's simple upper case, written in lower case where one has it
// (base/case_fold.inc). Other characters, and bytes that are no character,
// stay as they are.
std::string Fold(std::string_view text);

// The text with "?" for each byte that starts no character: what a
// console is shown.
std::string Shown(std::string_view text);

}  // namespace Utf8
