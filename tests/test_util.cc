// Helpers for the unit tests.
#include "tests/test_util.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace fs = std::filesystem;

namespace {
// Test processes run side by side: every name they make up must differ.
std::string Unique() {
  static std::mt19937_64 random{std::random_device{}()};
  return std::to_string(random());
}
}  // namespace

Temp_Folder::Temp_Folder() {
  for (;;) {
    fs::path candidate = fs::temp_directory_path() / ("morvane-test-" + Unique());
    if (fs::create_directory(candidate)) {
      path = candidate.string();
      return;
    }
  }
}

Temp_Folder::~Temp_Folder() {
  std::error_code ignored;
  for (auto& entry : fs::recursive_directory_iterator(path, ignored))
    fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::remove_all(path, ignored);
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
  std::error_code ignored;
  return fs::exists(fs::symlink_status(path, ignored));
}

void Make_Folder(const std::string& path) {
  fs::create_directories(path);
}

Captured_Output::Captured_Output() {
  file = (fs::temp_directory_path() / ("morvane-out-" + Unique())).string();
  std::FILE* out = std::fopen(file.c_str(), "wb");
  std::fflush(stdout);
  saved = dup(1);
  dup2(fileno(out), 1);
  std::fclose(out);
}

std::string Captured_Output::Finish() {
  if (saved < 0) return "";
  std::fflush(stdout);
  dup2(saved, 1);
  close(saved);
  saved = -1;
  std::string bytes = Read_File(file);
  std::remove(file.c_str());
  return bytes;
}

Captured_Output::~Captured_Output() {
  Finish();
}
