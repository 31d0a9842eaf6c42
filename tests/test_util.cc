// Helpers for the unit tests.
#include "tests/test_util.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

Temp_Folder::Temp_Folder() {
  std::string pattern = std::filesystem::temp_directory_path().string() + "/morvane-test-XXXXXX";
  path = mkdtemp(pattern.data());
}

Temp_Folder::~Temp_Folder() {
  std::error_code ignored;
  std::filesystem::permissions(path, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(path, ignored);
}

void Write_File(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::string Read_File(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

bool Exists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

void Make_Folder(const std::string& path) {
  std::filesystem::create_directories(path);
}

Captured_Output::Captured_Output() {
  char name[] = "/tmp/morvane-out-XXXXXX";
  int fd = mkstemp(name);
  file = name;
  std::fflush(stdout);
  saved = dup(1);
  dup2(fd, 1);
  close(fd);
}

std::string Captured_Output::Finish() {
  if (saved < 0) return "";
  std::fflush(stdout);
  dup2(saved, 1);
  close(saved);
  saved = -1;
  std::string bytes = Read_File(file);
  unlink(file.c_str());
  return bytes;
}

Captured_Output::~Captured_Output() {
  Finish();
}
