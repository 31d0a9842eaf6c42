// Wine's way of finding a Windows path on a Linux file system: drive letters
// through the prefix's dosdevices, and names compared without letter case.
#include <dirent.h>
#include <sys/stat.h>

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

// The names of one folder by their lower-case form, as read at `changed`.
// A folder that holds thousands of packages is read once, not once a copy.
struct Folder_Names {
  timespec changed{};
  std::unordered_map<std::string, std::string> by_lower;
};
std::unordered_map<std::string, Folder_Names> folders;

bool Same_Time(const timespec& a, const timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

Folder_Names* Names_Of(const std::string& folder) {
  struct stat st;
  if (stat(folder.empty() ? "." : folder.c_str(), &st) != 0) return nullptr;
  auto found = folders.find(folder);
  if (found != folders.end() && Same_Time(found->second.changed, st.st_mtim)) return &found->second;
  DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return nullptr;
  Folder_Names& names = folders[folder];
  names.changed = st.st_mtim;
  names.by_lower.clear();
  while (dirent* entry = readdir(dir)) names.by_lower.emplace(Lower(entry->d_name), entry->d_name);
  closedir(dir);
  return &names;
}

// The name of `component` inside `folder` as it stands on disk.
std::string Entry_Name(const std::string& folder, const std::string& component) {
  if (Exists(Join(folder, component))) return component;
  Folder_Names* names = Names_Of(folder);
  if (!names) return component;
  auto found = names->by_lower.find(Lower(component));
  return found == names->by_lower.end() ? component : found->second;
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
  auto found = folders.find(folder);
  if (found == folders.end()) return;
  struct stat st;
  if (stat(folder.empty() ? "." : folder.c_str(), &st) != 0) {
    folders.erase(found);
    return;
  }
  found->second.changed = st.st_mtim;
  if (Exists(host_path)) {
    found->second.by_lower.emplace(Lower(name), name);
  } else {
    auto entry = found->second.by_lower.find(Lower(name));
    if (entry != found->second.by_lower.end() && entry->second == name)
      found->second.by_lower.erase(entry);
  }
}
