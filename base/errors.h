// The program's error kinds. Each carries the full name that the error
// report shows and a message of at most 200 characters. They are thrown as
// exceptions and caught only at the top of main. Every layer may use them:
// this file includes nothing else of the program.
#pragma once

#include <exception>
#include <string>

// Where in the source an error was met: the place of the call, taken as a
// default argument (std::source_location where the compilers all have it;
// the clang of the fuzz build does not yet).
struct Place {
  static Place Here(const char* file = __builtin_FILE(), int line = __builtin_LINE()) {
    return {file, line};
  }
  const char* file;
  int line;
};

// "file.cc:123": the file without its folders.
std::string To_String(const Place& place);

struct Error : std::exception {
  Error(std::string name, std::string message);
  const char* what() const noexcept override { return message.c_str(); }

  std::string name;     // full name in capitals, e.g. "IO_EXCEPTIONS.NAME_ERROR"
  std::string message;  // cut to 200 characters
};

// An error whose message is the place it was met at, then `detail` if any.
struct Placed_Error : Error {
  Placed_Error(std::string name, const std::string& detail, const Place& where);
};

// Input and output errors of files and the console.
namespace IO_Exceptions {
struct Name_Error : Placed_Error {
  explicit Name_Error(const std::string& detail = "", Place where = Place::Here())
      : Placed_Error("IO_EXCEPTIONS.NAME_ERROR", detail, where) {}
};
struct Use_Error : Placed_Error {
  explicit Use_Error(const std::string& detail = "", Place where = Place::Here())
      : Placed_Error("IO_EXCEPTIONS.USE_ERROR", detail, where) {}
};
struct End_Error : Placed_Error {
  explicit End_Error(const std::string& detail = "", Place where = Place::Here())
      : Placed_Error("IO_EXCEPTIONS.END_ERROR", detail, where) {}
};
struct Data_Error : Placed_Error {
  explicit Data_Error(const std::string& detail = "", Place where = Place::Here())
      : Placed_Error("IO_EXCEPTIONS.DATA_ERROR", detail, where) {}
};
// The device failed while reading or writing: never taken for the end of a file.
struct Device_Error : Placed_Error {
  explicit Device_Error(const std::string& detail = "", Place where = Place::Here())
      : Placed_Error("IO_EXCEPTIONS.DEVICE_ERROR", detail, where) {}
};
}  // namespace IO_Exceptions

// A failed check; `detail` says which ("index check failed").
struct Constraint_Error : Placed_Error {
  explicit Constraint_Error(const std::string& detail, Place where = Place::Here())
      : Placed_Error("CONSTRAINT_ERROR", detail, where) {}
};
