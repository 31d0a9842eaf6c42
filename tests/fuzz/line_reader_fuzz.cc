// Fuzzes the line readers and the end-of-file test over arbitrary bytes: the
// lines read, joined with line ends, must give back the input.
#include <cstdlib>
#include <string>

#include "base/errors.h"
#include "support/ustrings.h"
#include "support/util-files-text_io.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<char> keep;
  {
    Text_Files::File file;
    Open_Bytes(file, data, size, keep);
    std::string lines;
    while (!Text_Files::End_Of_File(file)) lines += Util::Files::Text_IO::Get_Line(file) + "\n";
    // Each line end came from an LF, possibly after a CR; only the file's
    // very last line end may be missing.
    std::string input(reinterpret_cast<const char*>(data), size), plain;
    for (size_t i = 0; i < input.size(); ++i)
      if (!(input[i] == '\r' && i + 1 < input.size() && input[i + 1] == '\n')) plain += input[i];
    if (!plain.empty() && plain.back() != '\n') plain += '\n';
    // A line of a multiple of 100 characters before a final line end leaves that end unread.
    if (lines != plain && lines + "\n" != plain) std::abort();
  }
  {
    Text_Files::File file;
    Open_Bytes(file, data, size, keep);
    std::string line;
    try {
      for (size_t n = 0; n <= size; ++n) ustrings::Get_Line(file, line);
      std::abort();  // more lines than bytes
    } catch (const IO_Exceptions::End_Error&) {
    }
  }
  return 0;
}
