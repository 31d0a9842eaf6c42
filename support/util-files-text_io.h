// Reading the cache index: open-or-create, and whole lines of any length.
#pragma once

#include <string>

#include "support/text_files.h"

namespace Util::Files::Text_IO {

// Opens the named file in `mode`; when no file of that name exists, creates
// it (empty) and opens that instead. Other failures, and a failed creation,
// reach the caller as Name_Error or Use_Error. A file opened for reading
// that starts with a byte-order mark is read in its encoding
// (Text_Files::Take_Byte_Order_Mark).
void Open_File(Text_Files::File& file, Text_Files::File_Mode mode, const std::string& name,
               const std::string& form = "");

// The next line of the file, without its line end: the reader of the cache
// index, whose last line may lack its end. Read in pieces of 100
// characters; a full piece is followed by the rest of the line unless only a
// line end is left. End_Error when nothing at all is left.
std::string Get_Line(Text_Files::File& file);

}  // namespace Util::Files::Text_IO
