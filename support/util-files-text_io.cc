// Reading the cache index: open-or-create, and whole lines of any length.
#include "support/util-files-text_io.h"

#include "base/errors.h"

namespace Util::Files::Text_IO {

void Open_File(Text_Files::File& file, Text_Files::File_Mode mode, const std::string& name,
               const std::string& form) {
  try {
    Text_Files::Open(file, mode, name, form);
  } catch (const IO_Exceptions::Name_Error&) {
    Text_Files::Create(file, mode, name, form);
  }
  if (mode == Text_Files::In_File) Text_Files::Take_Byte_Order_Mark(file);
}

std::string Get_Line(Text_Files::File& file) {
  const size_t kPiece = 100;
  char buffer[kPiece];
  std::string line;
  for (;;) {
    size_t last = Text_Files::Get_Line(file, buffer, kPiece);
    line.append(buffer, last);
    if (last < kPiece || Text_Files::End_Of_File(file)) return line;
  }
}

}  // namespace Util::Files::Text_IO
