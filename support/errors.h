// The program's error kinds. Each carries the full name that the error
// report shows and a message of at most 200 characters. They are thrown as
// exceptions and caught only at the top of main.
#pragma once

#include <exception>
#include <string>

struct Error : std::exception {
  Error(std::string name, std::string message);
  const char* what() const noexcept override { return message.c_str(); }

  std::string name;     // full name in capitals, e.g. "IO_EXCEPTIONS.NAME_ERROR"
  std::string message;  // cut to 200 characters
};

// Input and output errors of files and the console.
namespace IO_Exceptions {
struct Name_Error : Error {
  explicit Name_Error(std::string message) : Error("IO_EXCEPTIONS.NAME_ERROR", message) {}
};
struct Use_Error : Error {
  explicit Use_Error(std::string message) : Error("IO_EXCEPTIONS.USE_ERROR", message) {}
};
struct End_Error : Error {
  explicit End_Error(std::string message) : Error("IO_EXCEPTIONS.END_ERROR", message) {}
};
struct Data_Error : Error {
  explicit Data_Error(std::string message) : Error("IO_EXCEPTIONS.DATA_ERROR", message) {}
};
// The device failed while reading or writing: never taken for the end of a file.
struct Device_Error : Error {
  explicit Device_Error(std::string message) : Error("IO_EXCEPTIONS.DEVICE_ERROR", message) {}
};
}  // namespace IO_Exceptions

// A failed range or index check.
struct Constraint_Error : Error {
  explicit Constraint_Error(std::string message) : Error("CONSTRAINT_ERROR", message) {}
};

// "file.cc:123": the place in the source at which an error was met.
std::string Here(const char* file, int line);
