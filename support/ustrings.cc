// Lines of any length as growable strings, for files and the console.
#include "support/ustrings.h"

namespace ustrings {

void Get_Line(Text_Files::File& file, std::string& target) {
  const size_t kPiece = 1024;
  char input[kPiece];
  std::string line;
  for (;;) {
    size_t last = Text_Files::Get_Line(file, input, kPiece);
    line.append(input, last);
    if (last < kPiece) break;
  }
  target = std::move(line);
}

void Get_Line(std::string& target) {
  Get_Line(Text_Files::Standard_Input(), target);
}

void Put(Text_Files::File& file, std::string_view text) {
  Text_Files::Put(file, text);
}

void Put_Line(std::string_view text) {
  Text_Files::Put_Line(text);
}

}  // namespace ustrings
