// Lines of any length as growable strings, for files and the console.
#pragma once

#include <string>
#include <string_view>

#include "support/text_files.h"

namespace ustrings {

// Replaces `target` with the next line of the file, without its line end:
// the reader of the console's last answer, for which input that ends
// without a line end is no answer. Read in pieces of 1024 characters; a full piece is always
// followed by another read, so input that ends right after a full piece is End_Error. On End_Error
// `target` keeps what it held.
void Get_Line(Text_Files::File& file, std::string& target);
void Get_Line(std::string& target);  // standard input

void Put(Text_Files::File& file, std::string_view text);
void Put_Line(std::string_view text);  // standard output, then a line end

}  // namespace ustrings
