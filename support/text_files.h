// Line-oriented text files and the console. On disk every line ends in CR LF;
// when reading, LF alone also ends a line and a CR right before an LF belongs
// to the line end. Bytes pass through unchanged otherwise.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

namespace Text_Files {

enum File_Mode { In_File, Inout_File, Out_File, Append_File };

// How the lines of a file are stored. An 8-bit file passes its bytes
// through; a file in UTF-8 or UTF-16LE (each with its byte-order mark, or
// UTF-8 without one) is read and written as UTF-8 text, a UTF-16 file turned
// to and from UTF-8 as it is read and written, without loss (a lone
// surrogate included).
enum class Encoding { eight_bit, utf8, utf16le, utf8_unmarked };

class File {
 public:
  File() = default;
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  // A file still open is closed as Close does it; errors are not reported.
  ~File();

  // What the operations below keep of the file; theirs alone.
  struct State {
    std::FILE* stream = nullptr;
    File_Mode mode = In_File;
    std::string name;      // as the caller gave it
    bool console = false;  // standard input or output: never closed

    Encoding encoding = Encoding::eight_bit;

    // Reading: characters looked at but not yet taken.
    char ahead[4] = {};
    int ahead_count = 0;
    // Reading UTF-16: the UTF-8 bytes of the last character not yet given
    // out, and a unit read ahead that did not complete a pair (-1: none).
    char decoded[4] = {};
    int decoded_count = 0, decoded_next = 0;
    int unit_ahead = -1;

    // Reading: the length of the first line end read (1 for LF, 2 for
    // CR LF), 0 before one was read.
    int first_line_end = 0;

    // Writing: whether anything was written, and whether the last line lacks its end.
    bool wrote_anything = false;
    bool line_open = false;
    // The file whose first line end this one writes (null: CR LF).
    const File* line_ends_of = nullptr;
  };

 private:
  friend State& State_Of(File& file);
  friend const State& State_Of(const File& file);
  State state_;
};

// Puts a stream that is already open under `file`, in `mode`, named `name`:
// the way in for tests that read from memory. Closing the file closes it.
void Attach(File& file, std::FILE* stream, File_Mode mode, const std::string& name);

bool Is_Open(const File& file);

// The name that the file was opened under.
const std::string& Name(const File& file);

// A file open for reading that starts with a byte-order mark (EF BB BF, or
// FF FE) takes it and is read in that encoding from here on. One without a
// mark that is UTF-8 throughout, with at least one character beyond ASCII,
// is read as UTF-8 (utf8_unmarked; the file is read once more for that);
// any other is read as 8-bit. Returns the encoding.
Encoding Take_Byte_Order_Mark(File& file);

Encoding Encoding_Of(const File& file);

// Every line end written to `file` from now on is the first one read from
// `read`: LF, or CR LF (also while none was read). For a new index that
// keeps the line ends of the old one.
void Write_Line_Ends_As(File& file, const File& read);

// A file just created for writing is written in `encoding`, which starts
// with its byte-order mark (none for utf8_unmarked).
void Set_Encoding(File& file, Encoding encoding);

// Creates the named file, or empties an existing one, and opens it in `mode`.
// Name_Error when it cannot be created (folder missing, name not valid),
// Use_Error when it cannot be opened for another reason.
void Create(File& file, File_Mode mode, const std::string& name, const std::string& form = "");

// Creates the named file, which must be new: EEXIST (Use_Error) when
// anything stands at that name, so that what is written never reaches
// another file through a link there.
void Create_New(File& file, File_Mode mode, const std::string& name);

// Opens an existing file. Name_Error when there is no file of that name,
// Use_Error when it exists but cannot be opened in that mode.
void Open(File& file, File_Mode mode, const std::string& name, const std::string& form = "");

// Closes the file. A file open for writing first gets a line end when its
// last line lacks one, or when nothing at all was written to it. Use_Error
// when what was written cannot be stored.
void Close(File& file);

// Closes the file, then removes it. Use_Error when it cannot be removed.
void Delete(File& file);

// Hands what was written so far to the system. Use_Error when it cannot be stored.
void Flush(File& file);

// Flushes the file and waits until what was written is on the disk itself.
// Use_Error when it cannot be stored.
void Sync(File& file);

void Put(File& file, std::string_view text);
void Put_Line(File& file, std::string_view text);
void New_Line(File& file);

// True when nothing is left to read, or nothing but one line end.
bool End_Of_File(File& file);

// The building block of the two line readers that the program calls
// (Util::Files::Text_IO for the index, ustrings for the console): reads
// characters of the current line into `buffer` until the line end (taken,
// not stored), the end of the file, or `capacity` characters (the rest of
// the line stays unread). Returns how many were stored. End_Error
// when nothing at all is left to read. Device_Error, here and in every read,
// when reading fails.
size_t Get_Line(File& file, char* buffer, size_t capacity);

// The character `k` places (0 to 2) ahead of the read position, or EOF when
// the input ends before it. Nothing is taken.
int Look_Ahead(File& file, int k = 0);

// Takes the next character and returns it; EOF when nothing is left.
int Get_Character(File& file);

// Takes the rest of the current line and its line end. End_Error when the
// input ends first.
void Skip_Line(File& file);

File& Standard_Input();
File& Standard_Output();

// Standard output.
void Put(std::string_view text);
void Put_Line(std::string_view text);
void New_Line();

}  // namespace Text_Files
