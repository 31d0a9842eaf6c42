// Text files and the console: opening, line ends, reading pieces of lines.
#include "support/text_files.h"

#include <cerrno>
#include <cstring>

#include "platform/host_files.h"
#include "platform/host_text.h"
#include "support/errors.h"

namespace Text_Files {

namespace {

const char kFileLineEnd[] = "\r\n";

bool Is_Name_Problem(int error) {
  return error == ENOENT || error == ENOTDIR || error == ENAMETOOLONG || error == EINVAL;
}

[[noreturn]] void Fail_Open(int error, const char* file, int line) {
  if (Is_Name_Problem(error)) throw IO_Exceptions::Name_Error(Here(file, line));
  throw IO_Exceptions::Use_Error(Here(file, line));
}

void Write(File& file, const char* data, size_t size) {
  if (file.mode == In_File || !file.stream)
    throw IO_Exceptions::Use_Error(Here(__FILE__, __LINE__));
  if (size == 0) return;
  if (file.console) {
    // The console is written in the platform's own form of the text.
    std::string shown = Console_Text(std::string_view(data, size));
    std::fwrite(shown.data(), 1, shown.size(), file.stream);
    file.wrote_anything = true;
    return;
  }
  if (std::fwrite(data, 1, size, file.stream) != size)
    throw IO_Exceptions::Use_Error(Here(__FILE__, __LINE__));
  file.wrote_anything = true;
}

// The next character from the stream, or EOF at its end. A read that fails
// is no end of the file: it ends the run.
int Next(File& file) {
  int c = std::getc(file.stream);
  if (c == EOF && std::ferror(file.stream))
    throw IO_Exceptions::Device_Error(Here(__FILE__, __LINE__) + " " + file.name);
  return c;
}

// The character `k` places ahead of the read position, or EOF.
int Peek(File& file, int k) {
  while (file.ahead_count <= k) {
    int c = Next(file);
    if (c == EOF) return EOF;
    file.ahead[file.ahead_count++] = static_cast<char>(c);
  }
  return static_cast<unsigned char>(file.ahead[k]);
}

void Take(File& file, int count) {
  std::memmove(file.ahead, file.ahead + count, file.ahead_count - count);
  file.ahead_count -= count;
}

// Length of the line end at the read position: 1 for LF, 2 for CR LF, else 0.
int Line_End_Here(File& file) {
  int c = Peek(file, 0);
  if (c == '\n') return 1;
  if (c == '\r' && Peek(file, 1) == '\n') return 2;
  return 0;
}

void Open_Stream(File& file, File_Mode mode, const std::string& name, const char* how) {
  if (Is_Open(file)) throw IO_Exceptions::Use_Error(Here(__FILE__, __LINE__));
  int error = 0;
  std::FILE* stream = Host_Files::Open(name, how, &error);
  if (!stream) Fail_Open(error, __FILE__, __LINE__);
  file.stream = stream;
  file.mode = mode;
  file.name = name;
  file.console = false;
  file.ahead_count = 0;
  file.wrote_anything = false;
  file.line_open = false;
}

// Opens the file of an open handle again, in mode `how`.
void Reopen(File& file, const char* how) {
  std::fclose(file.stream);
  int error = 0;
  file.stream = Host_Files::Open(file.name, how, &error);
  if (!file.stream) throw IO_Exceptions::Use_Error(Here(__FILE__, __LINE__));
}

}  // namespace

File::~File() {
  if (!Is_Open(*this) || console) return;
  try {
    Close(*this);
  } catch (const Error&) {
  }
}

bool Is_Open(const File& file) {
  return file.stream != nullptr;
}

void Create(File& file, File_Mode mode, const std::string& name, const std::string&) {
  Open_Stream(file, mode, name, mode == Inout_File ? "w+b" : "wb");
  if (mode == In_File) {
    // A new, empty file to read: open it again for reading.
    Reopen(file, "rb");
  }
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
  if (Is_Open(file) && std::fflush(file.stream) != 0 && !file.console)
    throw IO_Exceptions::Use_Error(Here(__FILE__, __LINE__));
}

void Sync(File& file) {
  if (!Is_Open(file) || file.console) throw IO_Exceptions::Use_Error(Here(__FILE__, __LINE__));
  if (Host_Files::Sync(file.stream, file.name) != 0)
    throw IO_Exceptions::Use_Error(Here(__FILE__, __LINE__) + " " + file.name);
}

void Close(File& file) {
  if (!Is_Open(file)) throw IO_Exceptions::Use_Error(Here(__FILE__, __LINE__));
  if (file.console) return;
  bool stored = true;
  if (file.mode != In_File && (file.line_open || !file.wrote_anything))
    stored = std::fwrite(kFileLineEnd, 1, 2, file.stream) == 2;
  if (std::fclose(file.stream) != 0) stored = false;
  file.stream = nullptr;
  if (!stored) throw IO_Exceptions::Use_Error(Here(__FILE__, __LINE__));
}

void Delete(File& file) {
  Close(file);
  if (Host_Files::Remove(file.name) != 0) throw IO_Exceptions::Use_Error(Here(__FILE__, __LINE__));
}

void Put(File& file, std::string_view text) {
  Write(file, text.data(), text.size());
  if (!text.empty()) file.line_open = true;
}

void Put_Line(File& file, std::string_view text) {
  if (file.console) {
    // One write a line, so that nothing comes between the text and its end.
    std::string line(text);
    line += '\n';
    Write(file, line.data(), line.size());
  } else {
    Write(file, text.data(), text.size());
    Write(file, kFileLineEnd, 2);
  }
  file.line_open = false;
}

void New_Line(File& file) {
  Put_Line(file, "");
}

bool End_Of_File(File& file) {
  if (!Is_Open(file) || file.mode != In_File)
    throw IO_Exceptions::Use_Error(Here(__FILE__, __LINE__));
  if (Peek(file, 0) == EOF) return true;
  int end = Line_End_Here(file);
  return end > 0 && Peek(file, end) == EOF;
}

size_t Get_Line(File& file, char* buffer, size_t capacity) {
  if (!Is_Open(file) || file.mode != In_File)
    throw IO_Exceptions::Use_Error(Here(__FILE__, __LINE__));
  if (Peek(file, 0) == EOF) throw IO_Exceptions::End_Error(Here(__FILE__, __LINE__));
  size_t count = 0;
  while (count < capacity) {
    int c = file.ahead_count ? Peek(file, 0) : Next(file);
    if (file.ahead_count) Take(file, 1);
    if (c == EOF) break;
    if (c == '\n') break;
    if (c == '\r') {
      if (Peek(file, 0) == '\n') {
        Take(file, 1);
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
    if (c == EOF) throw IO_Exceptions::End_Error(Here(__FILE__, __LINE__));
    if (c == '\n') return;
  }
}

File& Standard_Input() {
  static File file;
  if (!file.stream) {
    file.stream = stdin;
    file.name = "*stdin*";
    file.mode = In_File;
    file.console = true;
  }
  return file;
}

File& Standard_Output() {
  static File file;
  if (!file.stream) {
    file.stream = stdout;
    file.mode = Out_File;
    file.console = true;
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
