// Helpers for the unit tests: throw-away folders, whole files as bytes, and
// what the program wrote to standard output.
#pragma once

#include <string>

// A fresh folder under the system's temporary folder, removed at the end.
struct Temp_Folder {
  Temp_Folder();
  ~Temp_Folder();
  std::string operator/(const std::string& name) const { return path + "/" + name; }
  std::string path;
};

void Write_File(const std::string& path, const std::string& bytes);
std::string Read_File(const std::string& path);
bool Exists(const std::string& path);
void Make_Folder(const std::string& path);

// Sends standard output to a file until Finish, which returns what came.
struct Captured_Output {
  Captured_Output();
  ~Captured_Output();
  std::string Finish();

  int saved = -1;
  std::string file;
};
