// Wine's way of finding a Windows path on a Linux file system: drive letters
// through the prefix's dosdevices, and names compared without letter case.
#include <dirent.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdlib>
#include <unordered_map>
#include <vector>

#include "platform/host_path.h"
#include "platform/wine_prefix.h"

std::string Wine_Prefix() {
  const char* prefix = std::getenv("WINEPREFIX");
  if (prefix && *prefix) return prefix;
  const char* home = std::getenv("HOME");
  return std::string(home ? home : "") + "/.wine";
}

namespace {

bool Exists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

std::string Lower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c += 'a' - 'A';
  return text;
}

std::string Join(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  return folder.back() == '/' ? folder + name : folder + "/" + name;
}

// Whether a folder may hold a name in another letter case is asked of a
// fixed-size filter of the lower-case names seen in the folders read so far:
// when it says no, the name is used as given and the folder is not read
// again; only when it says maybe is the folder read for the entry. Memory
// stays the same however many packages a folder holds; stale bits only cost
// an extra read.
const size_t kFilterBits = size_t{1} << 22;  // 512 KiB
std::vector<uint64_t> filter;
// When each folder that was read last changed, as far as the filter knows it.
std::unordered_map<std::string, timespec> folders_read;

uint64_t Hash(const std::string& folder, const std::string& lower_name, uint64_t seed) {
  uint64_t h = 1469598103934665603ull ^ seed;
  for (unsigned char c : folder) h = (h ^ c) * 1099511628211ull;
  h = (h ^ '/') * 1099511628211ull;
  for (unsigned char c : lower_name) h = (h ^ c) * 1099511628211ull;
  return h ^ (h >> 29);
}

void Remember(const std::string& folder, const std::string& name) {
  if (filter.empty()) filter.assign(kFilterBits / 64, 0);
  std::string lower = Lower(name);
  for (uint64_t seed : {0u, 1u}) {
    uint64_t bit = Hash(folder, lower, seed) % kFilterBits;
    filter[bit / 64] |= uint64_t{1} << (bit % 64);
  }
}

bool May_Hold(const std::string& folder, const std::string& name) {
  std::string lower = Lower(name);
  for (uint64_t seed : {0u, 1u}) {
    uint64_t bit = Hash(folder, lower, seed) % kFilterBits;
    if (!(filter[bit / 64] & (uint64_t{1} << (bit % 64)))) return false;
  }
  return true;
}

bool Same_Time(const timespec& a, const timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

const char* Dir_Name(const std::string& folder) {
  return folder.empty() ? "." : folder.c_str();
}

// The entry of `folder` whose name equals `component` but for letter case,
// or nothing. `remember` puts every name read into the filter.
std::string Scan(const std::string& folder, const std::string& component, bool remember) {
  DIR* dir = opendir(Dir_Name(folder));
  if (!dir) return "";
  std::string lower = Lower(component), found;
  while (dirent* entry = readdir(dir)) {
    if (remember) Remember(folder, entry->d_name);
    if (found.empty() && Lower(entry->d_name) == lower) {
      found = entry->d_name;
      if (!remember) break;
    }
  }
  closedir(dir);
  return found;
}

// The name of `component` inside `folder` as it stands on disk.
std::string Entry_Name(const std::string& folder, const std::string& component) {
  if (Exists(Join(folder, component))) return component;
  struct stat st;
  if (stat(Dir_Name(folder), &st) != 0) return component;
  auto known = folders_read.find(folder);
  if (known == folders_read.end() || !Same_Time(known->second, st.st_mtim)) {
    folders_read[folder] = st.st_mtim;
    std::string found = Scan(folder, component, true);
    return found.empty() ? component : found;
  }
  if (!May_Hold(folder, component)) return component;
  std::string found = Scan(folder, component, false);
  return found.empty() ? component : found;
}

std::string Resolve(const std::string& root, const std::vector<std::string>& parts, size_t count) {
  if (count == 0) return root;
  std::string plain = root;
  for (size_t i = 0; i < count; ++i) plain = Join(plain, parts[i]);
  if (Exists(plain)) return plain;
  std::string folder = Resolve(root, parts, count - 1);
  return Join(folder, Entry_Name(folder, parts[count - 1]));
}

bool Is_Separator(char c) {
  return c == '\\' || c == '/';
}

}  // namespace

std::string Host_Path(const std::string& path) {
  std::string root;
  size_t pos = 0;
  if (path.size() >= 2 && path[1] == ':' &&
      ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'))) {
    root = Wine_Prefix() + "/dosdevices/" + Lower(path.substr(0, 2));
    pos = 2;
  } else if (!path.empty() && Is_Separator(path[0])) {
    root = "/";
  }
  std::vector<std::string> parts;
  while (pos < path.size()) {
    size_t end = pos;
    while (end < path.size() && !Is_Separator(path[end])) ++end;
    if (end > pos) parts.push_back(path.substr(pos, end - pos));
    pos = end + 1;
  }
  return Resolve(root, parts, parts.size());
}

void Note_Change(const std::string& host_path) {
  size_t slash = host_path.rfind('/');
  std::string folder = slash == std::string::npos ? "" : host_path.substr(0, slash ? slash : 1);
  std::string name = slash == std::string::npos ? host_path : host_path.substr(slash + 1);
  auto known = folders_read.find(folder);
  if (known == folders_read.end()) return;
  struct stat st;
  if (stat(Dir_Name(folder), &st) != 0) {
    folders_read.erase(known);
    return;
  }
  // Our own change: the filter learns the name and need not read the folder again.
  known->second = st.st_mtim;
  Remember(folder, name);
}
