// Windows paths found the way Wine finds them, with a counting filter of the
// names in the folders read so far.
#include "platform/wine_paths.h"

#include <dirent.h>

#include <cerrno>

#include "base/utf8.h"
#include "platform/wine_prefix.h"

namespace Wine_Paths {

namespace {

const size_t kCounters = size_t{1} << 22;  // four bits each: 2 MiB
const int kHashes = 4;

// `path` joined with `name`, in place.
void Append(std::string& path, const std::string& name) {
  if (!path.empty() && path.back() != '/') path += '/';
  path += name;
}

std::string Join(std::string folder, const std::string& name) {
  Append(folder, name);
  return folder;
}

const char* Dir_Name(const std::string& folder) {
  return folder.empty() ? "." : folder.c_str();
}

// Whether a failed call still tells for certain that no such entry is there.
// A path too long to look up is no answer: the file may stand there all
// the same, reached by a shorter path.
bool Surely_None(int error) {
  return error == ENOENT || error == ENOTDIR;
}

// lstat into `found`; any other failure leaves it open whether the entry is there.
bool Exists(const std::string& path, Found& found) {
  if (lstat(Dir_Name(path), &found.st) == 0) return true;
  if (!Surely_None(errno)) found.certain = false;
  return false;
}

// Whether a folder may hold a name in another letter case is asked of the
// filter: when it says no, the name is used as given and the folder is not
// read again; only when it says maybe is the folder read for the entry. A
// count that is too high only costs an extra read.
using Slots = std::array<size_t, kHashes>;

// The counters of a name in a folder: one hash of both, split into two
// halves that make the others (h1 + i * h2).
Slots Slots_Of(const std::string& folder, const std::string& name) {
  uint64_t h = 1469598103934665603ull;
  for (unsigned char c : folder) h = (h ^ c) * 1099511628211ull;
  h = (h ^ '/') * 1099511628211ull;
  for (unsigned char c : Compare_Form(name)) h = (h ^ c) * 1099511628211ull;
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccdull;
  h ^= h >> 33;
  uint64_t step = (h >> 32) | 1;
  Slots slots;
  for (int i = 0; i < kHashes; ++i) slots[i] = (h + i * step) % kCounters;
  return slots;
}

int Count(const Names& names, size_t slot) {
  return (names.counters[slot / 2] >> (slot % 2 * 4)) & 15;
}

// Counts the name in (`step` 1) or out (-1). A full counter stays full: it
// no longer knows how many names it holds.
void Count_Name(Names& names, const std::string& folder, const std::string& name, int step) {
  if (names.counters.empty()) names.counters.assign(kCounters / 2, 0);
  for (size_t slot : Slots_Of(folder, name)) {
    int count = Count(names, slot);
    if (count == 15 || count + step < 0) continue;
    uint8_t& pair = names.counters[slot / 2];
    int shift = slot % 2 * 4;
    pair = static_cast<uint8_t>((pair & ~(15 << shift)) | ((count + step) << shift));
  }
}

bool May_Hold(const Names& names, const std::string& folder, const std::string& name) {
  if (names.counters.empty()) return false;
  for (size_t slot : Slots_Of(folder, name))
    if (Count(names, slot) == 0) return false;
  return true;
}

bool Same_Time(const timespec& a, const timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

enum class Scan_Mode { count, leave };

// The entry of `folder` whose name equals `name` but for letter case, or "";
// `certain` turns false when the folder cannot be read whole. With
// `Scan_Mode::count` every name read is counted into the filter.
std::string Scan(Names& names, const std::string& folder, const std::string& name, Scan_Mode mode,
                 bool& certain) {
  DIR* dir = opendir(Dir_Name(folder));
  if (!dir) {
    if (!Surely_None(errno)) certain = false;
    return "";
  }
  std::string form = Compare_Form(name), found;
  for (;;) {
    errno = 0;
    dirent* entry = readdir(dir);
    if (!entry) {
      if (errno != 0) certain = false;
      break;
    }
    if (mode == Scan_Mode::count) Count_Name(names, folder, entry->d_name, 1);
    if (found.empty() && Compare_Form(entry->d_name) == form) {
      found = entry->d_name;
      if (mode == Scan_Mode::leave) break;
    }
  }
  closedir(dir);
  return found;
}

// The name in `folder` that equals `name` but for letter case, as it stands
// on disk, or "" when there is none. A folder not read before, or changed
// since, is read whole and counted; only a folder read whole may later
// answer "none" from the filter.
// `folder_st`, when given, is what stands at `folder`, just looked up.
std::string Entry_Name(Names& names, const std::string& folder, const std::string& name,
                       Absence absence, bool& certain, const struct stat* folder_st) {
  struct stat st;
  if (folder_st) {
    st = *folder_st;
  } else if (stat(Dir_Name(folder), &st) != 0) {
    if (!Surely_None(errno)) certain = false;
    return "";
  }
  auto known = names.folders_read.find(folder);
  if (known == names.folders_read.end() || !Same_Time(known->second, st.st_mtim)) {
    bool whole = true;
    std::string found = Scan(names, folder, name, Scan_Mode::count, whole);
    if (whole) {
      names.folders_read[folder] = st.st_mtim;
    } else {
      names.folders_read.erase(folder);
      certain = false;
    }
    return found;
  }
  if (absence == Absence::known && !May_Hold(names, folder, name)) return "";
  return Scan(names, folder, name, Scan_Mode::leave, certain);
}

bool Is_Separator(char c) {
  return c == '\\' || c == '/';
}

// The start of a Windows path here, and its names in UTF-8, as Wine names files.
std::string Split(const std::string& path, std::vector<std::string>& parts) {
  std::string root;
  size_t pos = 0;
  if (path.size() >= 2 && path[1] == ':' &&
      ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'))) {
    root = Wine_Prefix() + "/dosdevices/" + Utf8::Fold(path.substr(0, 2));
    pos = 2;
  } else if (!path.empty() && Is_Separator(path[0])) {
    root = "/";
  }
  while (pos < path.size()) {
    size_t end = pos;
    while (end < path.size() && !Is_Separator(path[end])) ++end;
    if (end > pos) parts.push_back(path.substr(pos, end - pos));
    pos = end + 1;
  }
  return root;
}

// Whether the last name of the path is surely not in its folder, which
// stands as written, was read before and has not changed since, and whose
// names the filter says do not hold it: told by one look at the folder.
// `found` then says so.
bool Surely_Absent(Names& names, const std::string& root, const std::vector<std::string>& parts,
                   Found& found) {
  if (parts.empty() || names.folders_read.empty()) return false;
  std::string folder = root;
  for (size_t i = 0; i + 1 < parts.size(); ++i) Append(folder, parts[i]);
  auto known = names.folders_read.find(folder);
  struct stat st;
  if (known == names.folders_read.end() || Is_Exact(names, folder) ||
      stat(Dir_Name(folder), &st) != 0 || !Same_Time(known->second, st.st_mtim) ||
      May_Hold(names, folder, parts.back()))
    return false;
  found.path = Join(folder, parts.back());
  return true;
}

// Finds the path on disk: the longest leading part that stands there as
// written (in the usual case the whole path, with one call), then the rest,
// one name at a time, each as it stands on disk.
Found Look_Up(Names& names, const std::string& windows_path, Absence absence) {
  std::vector<std::string> parts;
  std::string root = Split(windows_path, parts);
  Found found;
  if (absence == Absence::known && Surely_Absent(names, root, parts, found)) return found;
  size_t have = parts.size();
  std::string path;
  for (;; --have) {
    path = root;
    for (size_t i = 0; i < have; ++i) Append(path, parts[i]);
    found.exists = Exists(path, found);
    if (found.exists || have == 0) break;
  }
  if (have < parts.size() && Is_Exact(names, path)) {
    // Exact names: what does not stand as written is not there.
    for (size_t i = have; i < parts.size(); ++i) path = Join(path, parts[i]);
    found.exists = false;
    found.path = path;
    return found;
  }
  for (size_t i = have; i < parts.size(); ++i) {
    std::string folder = path;
    struct stat folder_st = found.st;
    bool known_folder = found.exists && S_ISDIR(folder_st.st_mode);
    path = Join(folder, parts[i]);
    // Below a folder found in another spelling the name may stand as given.
    found.exists = i > have && Exists(path, found);
    if (!found.exists) {
      std::string on_disk = Entry_Name(names, folder, parts[i], absence, found.certain,
                                       known_folder ? &folder_st : nullptr);
      if (!on_disk.empty() && on_disk != parts[i]) {
        path = Join(folder, on_disk);
        found.exists = Exists(path, found);
      }
    }
    if (!found.exists) {
      for (size_t j = i + 1; j < parts.size(); ++j) path = Join(path, parts[j]);
      break;
    }
  }
  found.path = path;
  return found;
}

void Note_Change(Names& names, const std::string& host_path, int step) {
  std::string folder = Folder_Of(host_path);
  std::string name = host_path.substr(host_path.rfind('/') + 1);
  bool counted = false;
  auto known = names.folders_read.find(folder);
  if (known != names.folders_read.end()) {
    struct stat st;
    if (stat(Dir_Name(folder), &st) != 0) {
      names.folders_read.erase(known);
    } else {
      known->second = st.st_mtim;
      Count_Name(names, folder, name, step);
      counted = true;
    }
  }
  // In a folder where a name was just made, paths are found anew (the new
  // name may be one of them in other letters). A path just removed is gone,
  // unless the folder may still hold the name in other letters.
  for (Names::Recent& recent : names.recent) {
    if (step > 0 && Folder_Of(recent.found.path) == folder) recent.windows_path.clear();
    if (step < 0 && recent.found.path == host_path) {
      if (counted && !May_Hold(names, folder, name)) {
        recent.found = {host_path, false, true, {}};
      } else {
        recent.windows_path.clear();
      }
    }
  }
}

}  // namespace

std::string Compare_Form(const std::string& name) {
  if (!Utf8::Valid(name)) return "/" + name;  // no name of ours holds a slash
  return Utf8::Fold(name);
}

bool Is_Exact(const Names& names, const std::string& host_path) {
  for (const std::string& root : names.exact_roots)
    if (host_path == root || (host_path.starts_with(root) && host_path[root.size()] == '/'))
      return true;
  return false;
}

std::string Folder_Of(const std::string& host_path) {
  size_t slash = host_path.rfind('/');
  if (slash == std::string::npos) return "";
  return slash == 0 ? "/" : host_path.substr(0, slash);
}

Found Find(Names& names, const std::string& windows_path, Absence absence) {
  if (absence == Absence::read) {
    Forget_Recent(names);
  } else {
    for (const Names::Recent& recent : names.recent)
      if (!recent.windows_path.empty() && recent.windows_path == windows_path) return recent.found;
  }
  Found found = Look_Up(names, windows_path, absence);
  Names::Recent& slot = names.recent[names.next_recent++ % names.recent.size()];
  slot = {windows_path, found};
  return found;
}

void Note_Found(Names& names, const std::string& windows_path, const Found& found) {
  names.recent[names.next_recent++ % names.recent.size()] = {windows_path, found};
}

void Forget_Recent(Names& names) {
  for (Names::Recent& recent : names.recent) recent.windows_path.clear();
}

void Note_Made(Names& names, const std::string& host_path) {
  Note_Change(names, host_path, 1);
}

void Note_Removed(Names& names, const std::string& host_path) {
  Note_Change(names, host_path, -1);
}

}  // namespace Wine_Paths
