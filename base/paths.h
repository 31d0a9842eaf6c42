// Windows paths as the program builds them: parts joined by backslashes
// (slashes are taken too).
#pragma once

#include <cstdint>
#include <string>

// The path up to and with its last separator, "" when it has none: the
// folder to which a new name of the same file is joined.
inline std::string Folder_Part(const std::string& path) {
  size_t end = path.size();
  while (end > 0 && path[end - 1] != '\\' && path[end - 1] != '/') --end;
  return path.substr(0, end);
}

// `path` with " (n)" before the ending of its name ("Map (2).ut2"), or
// after a name that has none: the n-th of several files of one name. A
// name that would grow beyond 255 bytes, more than a file system takes,
// loses the end of its stem (whole UTF-8 characters) to fit.
inline std::string Numbered(const std::string& path, int n) {
  size_t name = Folder_Part(path).size();
  size_t dot = path.rfind('.');
  if (dot == std::string::npos || dot <= name) dot = path.size();
  std::string number = " (" + std::to_string(n) + ")";
  size_t stem_end = dot;
  while (stem_end > name && path.size() - name + number.size() - (dot - stem_end) > 255) {
    --stem_end;
    while (stem_end > name && (static_cast<unsigned char>(path[stem_end]) & 0xC0) == 0x80)
      --stem_end;
  }
  return path.substr(0, stem_end) + number + path.substr(dot);
}

// Where the copy of a kept file is written before it takes its name: in
// the folder Morvane-Sicherung of `keep`, which is
// "<installation>\Morvane-Sicherung\<run>\<folder>\<name>": on the disk of
// every run's kept files, where the next run that keeps anything removes
// what a copy cut short left.
inline std::string Keep_Copy_Folder(const std::string& keep) {
  std::string folder = keep;
  for (int up = 0; up < 3 && !folder.empty(); ++up) {
    folder = Folder_Part(folder);
    if (!folder.empty()) folder.pop_back();
  }
  return Folder_Part(folder + "\\");
}

// The name under which a copy to `target` is written before it takes the
// target's name: always the same for the same target, so that the next copy
// there removes what an interrupted one left.
inline std::string Temporary_Name(const std::string& target) {
  uint64_t h = 1469598103934665603ull;
  for (unsigned char c : target) h = (h ^ c) * 1099511628211ull;
  static const char kHex[] = "0123456789abcdef";
  std::string name = ".morvane-";
  for (int shift = 60; shift >= 0; shift -= 4) name += kHex[(h >> shift) & 15];
  return name;
}

// Whether `name` has the form of a name that Temporary_Name gives, or of
// one cut short to fit a long folder (".morvane-" and at least one digit).
inline bool Is_Temporary_Name(const std::string& name) {
  if (name.size() < 10 || name.size() > 25 || name.compare(0, 9, ".morvane-") != 0) return false;
  for (size_t i = 9; i < name.size(); ++i)
    if (!((name[i] >= '0' && name[i] <= '9') || (name[i] >= 'a' && name[i] <= 'f'))) return false;
  return true;
}
