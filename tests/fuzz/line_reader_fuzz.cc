// Fuzzes the line readers and the end-of-file test over arbitrary bytes: the
// lines read, joined with line ends, must give back the input; and the
// lines of a UTF-16LE file, written back as such, must give back its bytes.
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
  {
    // The units of the input as a UTF-16LE file: every LF unit a CR LF, no
    // other CR, a last line that is not empty and ends in CR LF.
    std::string units = "\xFF\xFE";
    for (size_t i = 0; i + 1 < size; i += 2) {
      unsigned unit = data[i] | data[i + 1] << 8;
      if (unit == '\r') continue;
      units += unit == '\n' ? std::string("\r\0\n\0", 4)
                            : std::string({char(data[i]), char(data[i + 1])});
    }
    units += std::string("x\0\r\0\n\0", 6);
    Text_Files::File in, out;
    Open_Bytes(in, reinterpret_cast<const uint8_t*>(units.data()), units.size(), keep);
    if (Text_Files::Take_Byte_Order_Mark(in) != Text_Files::Encoding::utf16le) std::abort();
    char* written = nullptr;
    size_t length = 0;
    Text_Files::Attach(out, open_memstream(&written, &length), Text_Files::Out_File, "out");
    Text_Files::Set_Encoding(out, Text_Files::Encoding::utf16le);
    while (!Text_Files::End_Of_File(in))
      Text_Files::Put_Line(out, Util::Files::Text_IO::Get_Line(in));
    Text_Files::Close(out);
    bool same = std::string(written, length) == units;
    std::free(written);
    if (!same) std::abort();
  }
  return 0;
}
