// Text files and the console: opening, line ends, reading pieces of lines.
#include "support/text_files.h"

#include <cerrno>
#include <cstring>

#include "base/errors.h"
#include "base/utf8.h"
#include "platform/host_files.h"
#include "platform/host_text.h"
#include "support/utf16.h"

namespace Text_Files {

namespace {

const char kFileLineEnd[] = "\r\n";

// The line end that a file open for writing writes.
std::string_view Line_End(const File::State& st) {
  const File* model = st.line_ends_of;
  return model && State_Of(*model).first_line_end == 1 ? "\n" : kFileLineEnd;
}

bool Is_Name_Problem(int error) {
  return error == ENOENT || error == ENOTDIR || error == ENAMETOOLONG || error == EINVAL;
}

// Every report names the file it is about.
[[noreturn]] void Fail_Open(int error, const std::string& name, Place where = Place::Here()) {
  if (Is_Name_Problem(error)) throw IO_Exceptions::Name_Error(name, where);
  // Whether the file is there could not be read.
  if (error == EIO) throw IO_Exceptions::Device_Error(name, where);
  // A pipe or a device under a file's name is never read or written, nor
  // is a folder.
  throw IO_Exceptions::Use_Error(name, where);
}

// Writes text to a file in its encoding. False when it cannot be stored.
bool Store(File::State& st, std::string_view text) {
  std::string units;
  if (st.encoding == Encoding::utf16le) {
    units = Utf16::From_Utf8(text);
    text = units;
  }
  return std::fwrite(text.data(), 1, text.size(), st.stream) == text.size();
}

void Write(File& file, const char* data, size_t size) {
  File::State& st = State_Of(file);
  if (st.mode == In_File || !st.stream) throw IO_Exceptions::Use_Error();
  if (size == 0) return;
  if (st.console) {
    // The console is written in the platform's own form of the text.
    Console_Write(st.stream, std::string_view(data, size));
    st.wrote_anything = true;
    return;
  }
  if (!Store(st, std::string_view(data, size))) throw IO_Exceptions::Use_Error(st.name);
  st.wrote_anything = true;
}

// The next byte from the stream, or EOF at its end. A read that fails is no
// end of the file: it ends the run.
int Next_Byte(File::State& st) {
  // What was said is out before an answer is read.
  if (st.console) std::fflush(stdout);
  int c = std::getc(st.stream);
  if (c == EOF && std::ferror(st.stream)) throw IO_Exceptions::Device_Error(st.name);
  return c;
}

// The next UTF-16LE unit, or EOF; an odd byte at the end is a unit of its own.
int Next_Unit(File::State& st) {
  if (st.unit_ahead >= 0) {
    int unit = st.unit_ahead;
    st.unit_ahead = -1;
    return unit;
  }
  int low = Next_Byte(st);
  if (low == EOF) return EOF;
  int high = Next_Byte(st);
  return high == EOF ? low : low | high << 8;
}

// Reads the next character of a UTF-16LE file into `st.decoded` as UTF-8.
bool Decode_Next(File::State& st) {
  int unit = Next_Unit(st);
  if (unit == EOF) return false;
  unsigned code = unit;
  if (unit >= 0xD800 && unit < 0xDC00) {
    int low = Next_Unit(st);
    if (low >= 0xDC00 && low < 0xE000) {
      code = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
    } else {
      st.unit_ahead = low;
    }
  }
  st.decoded_count = Utf16::To_Utf8(code, st.decoded);
  st.decoded_next = 0;
  return true;
}

// The next character of the file's text, or EOF at its end.
int Next(File& file) {
  File::State& st = State_Of(file);
  if (st.encoding != Encoding::utf16le) return Next_Byte(st);
  if (st.decoded_next == st.decoded_count && !Decode_Next(st)) return EOF;
  return static_cast<unsigned char>(st.decoded[st.decoded_next++]);
}

// The character `k` places ahead of the read position, or EOF.
int Peek(File& file, int k) {
  File::State& st = State_Of(file);
  while (st.ahead_count <= k) {
    int c = Next(file);
    if (c == EOF) return EOF;
    st.ahead[st.ahead_count++] = static_cast<char>(c);
  }
  return static_cast<unsigned char>(st.ahead[k]);
}

void Take(File& file, int count) {
  File::State& st = State_Of(file);
  std::memmove(st.ahead, st.ahead + count, st.ahead_count - count);
  st.ahead_count -= count;
}

// Length of the line end at the read position: 1 for LF, 2 for CR LF, else 0.
int Line_End_Here(File& file) {
  int c = Peek(file, 0);
  if (c == '\n') return 1;
  if (c == '\r' && Peek(file, 1) == '\n') return 2;
  return 0;
}

void Open_Stream(File& file, File_Mode mode, const std::string& name, const char* how) {
  File::State& st = State_Of(file);
  if (Is_Open(file)) throw IO_Exceptions::Use_Error();
  int error = 0;
  std::FILE* stream = Host_Files::Open(name, how, &error);
  if (!stream) Fail_Open(error, name);
  st.stream = stream;
  st.mode = mode;
  st.name = name;
  st.console = false;
  st.encoding = Encoding::eight_bit;
  st.ahead_count = 0;
  st.decoded_count = st.decoded_next = 0;
  st.unit_ahead = -1;
  st.first_line_end = 0;
  st.line_ends_of = nullptr;
  st.wrote_anything = false;
  st.line_open = false;
}

// Opens the file of an open handle again, in mode `how`.
void Reopen(File& file, const char* how) {
  File::State& st = State_Of(file);
  std::fclose(st.stream);
  int error = 0;
  st.stream = Host_Files::Open(st.name, how, &error);
  if (!st.stream) throw IO_Exceptions::Use_Error(st.name);
}

// Whether the file, read anew from its start, is UTF-8 throughout with at
// least one character beyond ASCII. The read position is kept. False when
// the file cannot be read again from its start.
bool Unmarked_Utf8(File::State& st) {
  std::fpos_t back;
  if (std::fgetpos(st.stream, &back) != 0 || std::fseek(st.stream, 0, SEEK_SET) != 0) return false;
  static char buffer[1 << 16];
  std::string rest;  // a character cut by the end of the buffer
  bool beyond_ascii = false, valid = true;
  for (;;) {
    size_t got = std::fread(buffer, 1, sizeof buffer, st.stream);
    if (got == 0 && std::ferror(st.stream)) throw IO_Exceptions::Device_Error(st.name);
    rest.append(buffer, got);
    size_t pos = 0;
    while (valid && pos < rest.size()) {
      unsigned char lead = rest[pos];
      size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
      if (got > 0 && rest.size() - pos < length) break;  // the rest comes with the next piece
      beyond_ascii = beyond_ascii || lead >= 0x80;
      valid = Utf8::Next(rest, pos) >= 0;
    }
    rest.erase(0, pos);
    if (!valid || got == 0) break;
  }
  if (std::fsetpos(st.stream, &back) != 0) throw IO_Exceptions::Device_Error(st.name);
  return valid && rest.empty() && beyond_ascii;
}

}  // namespace

File::State& State_Of(File& file) {
  return file.state_;
}

const File::State& State_Of(const File& file) {
  return file.state_;
}

File::~File() {
  if (!Is_Open(*this) || state_.console) return;
  try {
    Close(*this);
  } catch (const Error&) {
  }
}

bool Is_Open(const File& file) {
  return State_Of(file).stream != nullptr;
}

const std::string& Name(const File& file) {
  return State_Of(file).name;
}

Encoding Take_Byte_Order_Mark(File& file) {
  File::State& st = State_Of(file);
  if (!Is_Open(file) || st.mode != In_File || st.encoding != Encoding::eight_bit)
    throw IO_Exceptions::Use_Error();
  if (Peek(file, 0) == 0xEF && Peek(file, 1) == 0xBB && Peek(file, 2) == 0xBF) {
    Take(file, 3);
    st.encoding = Encoding::utf8;
  } else if (Peek(file, 0) == 0xFF && Peek(file, 1) == 0xFE) {
    Take(file, 2);  // nothing else was looked at
    st.encoding = Encoding::utf16le;
  } else if (Unmarked_Utf8(st)) {
    st.encoding = Encoding::utf8_unmarked;
  }
  return st.encoding;
}

void Write_Line_Ends_As(File& file, const File& read) {
  State_Of(file).line_ends_of = &read;
}

Encoding Encoding_Of(const File& file) {
  return State_Of(file).encoding;
}

void Set_Encoding(File& file, Encoding encoding) {
  File::State& st = State_Of(file);
  if (!Is_Open(file) || st.mode == In_File || st.wrote_anything) throw IO_Exceptions::Use_Error();
  static const char kUtf8_Mark[] = "\xEF\xBB\xBF", kUtf16_Mark[] = "\xFF\xFE";
  const char* mark = encoding == Encoding::utf8 ? kUtf8_Mark : kUtf16_Mark;
  if (encoding != Encoding::eight_bit && encoding != Encoding::utf8_unmarked &&
      std::fwrite(mark, 1, std::strlen(mark), st.stream) != std::strlen(mark))
    throw IO_Exceptions::Use_Error(st.name);
  st.encoding = encoding;
}

void Create(File& file, File_Mode mode, const std::string& name, const std::string&) {
  Open_Stream(file, mode, name, mode == Inout_File ? "w+b" : "wb");
  if (mode == In_File) {
    // A new, empty file to read: open it again for reading.
    Reopen(file, "rb");
  }
}

void Create_New(File& file, File_Mode mode, const std::string& name) {
  if (mode == In_File) throw IO_Exceptions::Use_Error(name);
  Open_Stream(file, mode, name, mode == Inout_File ? "w+bx" : "wbx");
}

void Open(File& file, File_Mode mode, const std::string& name, const std::string&) {
  const char* how = mode == In_File ? "rb" : mode == Append_File ? "ab" : "r+b";
  Open_Stream(file, mode, name, how);
  if (mode == Out_File) {
    // Writing starts on an empty file.
    Reopen(file, "wb");
  }
}

void Flush(File& file) {
  File::State& st = State_Of(file);
  if (Is_Open(file) && std::fflush(st.stream) != 0 && !st.console)
    throw IO_Exceptions::Use_Error(st.name);
}

void Sync(File& file) {
  File::State& st = State_Of(file);
  if (!Is_Open(file) || st.console) throw IO_Exceptions::Use_Error();
  if (Host_Files::Sync(st.stream, st.name) != 0) throw IO_Exceptions::Use_Error(st.name);
}

void Close(File& file) {
  File::State& st = State_Of(file);
  if (!Is_Open(file)) throw IO_Exceptions::Use_Error();
  if (st.console) return;
  bool stored = true;
  if (st.mode != In_File && (st.line_open || !st.wrote_anything)) {
    stored = Store(st, Line_End(st));
  }
  if (std::fclose(st.stream) != 0) stored = false;
  st.stream = nullptr;
  if (!stored) throw IO_Exceptions::Use_Error(st.name);
}

void Delete(File& file) {
  Close(file);
  if (Host_Files::Remove(State_Of(file).name) != 0)
    throw IO_Exceptions::Use_Error(State_Of(file).name);
}

void Put(File& file, std::string_view text) {
  Write(file, text.data(), text.size());
  if (!text.empty()) State_Of(file).line_open = true;
}

void Put_Line(File& file, std::string_view text) {
  File::State& st = State_Of(file);
  if (st.console) {
    // One write a line, so that nothing comes between the text and its end.
    std::string line(text);
    line += '\n';
    Write(file, line.data(), line.size());
  } else {
    Write(file, text.data(), text.size());
    std::string_view end = Line_End(st);
    Write(file, end.data(), end.size());
  }
  st.line_open = false;
}

void New_Line(File& file) {
  Put_Line(file, "");
}

bool End_Of_File(File& file) {
  if (!Is_Open(file) || State_Of(file).mode != In_File) throw IO_Exceptions::Use_Error();
  if (Peek(file, 0) == EOF) return true;
  int end = Line_End_Here(file);
  return end > 0 && Peek(file, end) == EOF;
}

size_t Get_Line(File& file, char* buffer, size_t capacity) {
  File::State& st = State_Of(file);
  if (!Is_Open(file) || st.mode != In_File) throw IO_Exceptions::Use_Error();
  if (Peek(file, 0) == EOF) throw IO_Exceptions::End_Error(st.console ? "" : st.name);
  size_t count = 0;
  while (count < capacity) {
    int c = st.ahead_count ? Peek(file, 0) : Next(file);
    if (st.ahead_count) Take(file, 1);
    if (c == EOF) break;
    if (c == '\n') {
      if (st.first_line_end == 0) st.first_line_end = 1;
      break;
    }
    if (c == '\r') {
      if (Peek(file, 0) == '\n') {
        Take(file, 1);
        if (st.first_line_end == 0) st.first_line_end = 2;
        break;
      }
    }
    buffer[count++] = static_cast<char>(c);
  }
  return count;
}

int Look_Ahead(File& file, int k) {
  return Peek(file, k);
}

int Get_Character(File& file) {
  int c = Peek(file, 0);
  if (c != EOF) Take(file, 1);
  return c;
}

void Skip_Line(File& file) {
  for (;;) {
    int c = Get_Character(file);
    if (c == EOF) throw IO_Exceptions::End_Error();
    if (c == '\n') return;
  }
}

void Attach(File& file, std::FILE* stream, File_Mode mode, const std::string& name) {
  if (Is_Open(file)) throw IO_Exceptions::Use_Error();
  File::State& st = State_Of(file);
  st = File::State{};
  st.stream = stream;
  st.mode = mode;
  st.name = name;
}

File& Standard_Input() {
  static File file;
  if (!Is_Open(file)) {
    Attach(file, stdin, In_File, "*stdin*");
    State_Of(file).console = true;
  }
  return file;
}

File& Standard_Output() {
  static File file;
  if (!Is_Open(file)) {
    Attach(file, stdout, Out_File, "*stdout*");
    State_Of(file).console = true;
  }
  return file;
}

void Put(std::string_view text) {
  Put(Standard_Output(), text);
}
void Put_Line(std::string_view text) {
  Put_Line(Standard_Output(), text);
}
void New_Line() {
  New_Line(Standard_Output());
}

}  // namespace Text_Files
