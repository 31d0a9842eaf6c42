// The file-system calls on a Linux file system, with Windows paths found the
// way Wine finds them: drive letters through the prefix's dosdevices, names
// in UTF-8 and compared without letter case.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "platform/cp1252.h"
#include "platform/host_files.h"
#include "platform/wine_prefix.h"
#include "util/paths.h"

namespace Host_Files {

namespace {

// Where a Windows path lies here. `certain` is false when a folder on the
// way could not be read, so that a name in another letter case may exist
// unseen; `found` says whether something stands there, `st` what (lstat).
struct Resolved {
  std::string path;
  bool certain = true;
  bool found = false;
  struct stat st = {};
};

// lstat; a failure other than "no such entry" leaves it open whether the
// entry is there.
bool Exists(const std::string& path, struct stat& st, bool& certain) {
  if (lstat(path.c_str(), &st) == 0) return true;
  if (errno != ENOENT && errno != ENOTDIR) certain = false;
  return false;
}

// A name as it stands on disk (UTF-8, as Wine writes names) in the form in
// which Windows compares names: in Windows-1252, letters folded. A name the
// code page cannot show is folded as its bytes: no path of ours names it.
std::string Key_Of(const std::string& name) {
  std::string text;
  return Cp1252::Fold(Cp1252::From_Utf8(name, text) ? text : name);
}

std::string Join(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  return folder.back() == '/' ? folder + name : folder + "/" + name;
}

std::string Folder_Of(const std::string& host_path) {
  size_t slash = host_path.rfind('/');
  if (slash == std::string::npos) return "";
  return slash == 0 ? "/" : host_path.substr(0, slash);
}

const char* Dir_Name(const std::string& folder) {
  return folder.empty() ? "." : folder.c_str();
}

// Whether a folder may hold a name in another letter case is asked of a
// counting Bloom filter of the lower-case names in the folders read so far:
// when it says no, the name is used as given and the folder is not read
// again; only when it says maybe is the folder read for the entry. The
// program's own changes count names up and down, so a package it has just
// removed costs no read. Memory stays the same however many packages a
// folder holds; a count that is too high only costs an extra read.
const size_t kCounters = size_t{1} << 22;  // four bits each: 2 MiB
const int kHashes = 4;
std::vector<uint8_t> counters;
// When each folder that was read last changed, as far as the filter knows it.
std::unordered_map<std::string, timespec> folders_read;

size_t Slot(const std::string& folder, const std::string& lower_name, uint64_t seed) {
  uint64_t h = 1469598103934665603ull ^ (seed * 0x9e3779b97f4a7c15ull);
  for (unsigned char c : folder) h = (h ^ c) * 1099511628211ull;
  h = (h ^ '/') * 1099511628211ull;
  for (unsigned char c : lower_name) h = (h ^ c) * 1099511628211ull;
  return (h ^ (h >> 29)) % kCounters;
}

int Count(size_t slot) {
  return (counters[slot / 2] >> (slot % 2 * 4)) & 15;
}

void Set_Count(size_t slot, int count) {
  uint8_t& pair = counters[slot / 2];
  pair = static_cast<uint8_t>((pair & ~(15 << (slot % 2 * 4))) | (count << (slot % 2 * 4)));
}

// Counts the name in (`step` 1) or out (-1). A full counter stays full:
// it no longer knows how many names it holds.
void Count_Name(const std::string& folder, const std::string& name, int step) {
  if (counters.empty()) counters.assign(kCounters / 2, 0);
  std::string lower = Key_Of(name);
  for (int seed = 0; seed < kHashes; ++seed) {
    size_t slot = Slot(folder, lower, seed);
    int count = Count(slot);
    if (count < 15 && count + step >= 0) Set_Count(slot, count + step);
  }
}

bool May_Hold(const std::string& folder, const std::string& name) {
  std::string lower = Key_Of(name);
  for (int seed = 0; seed < kHashes; ++seed)
    if (Count(Slot(folder, lower, seed)) == 0) return false;
  return true;
}

bool Same_Time(const timespec& a, const timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

enum class Names { count, leave };

// The entry of `folder` whose name equals `component` but for letter case,
// or nothing; `certain` turns false when the folder cannot be read whole.
std::string Scan(const std::string& folder, const std::string& component, Names names,
                 bool& certain) {
  DIR* dir = opendir(Dir_Name(folder));
  if (!dir) {
    if (errno != ENOENT && errno != ENOTDIR) certain = false;
    return "";
  }
  std::string lower = Key_Of(component), found;
  for (;;) {
    errno = 0;
    dirent* entry = readdir(dir);
    if (!entry) {
      if (errno != 0) certain = false;
      break;
    }
    if (names == Names::count) Count_Name(folder, entry->d_name, 1);
    if (found.empty() && Key_Of(entry->d_name) == lower) {
      found = entry->d_name;
      if (names == Names::leave) break;
    }
  }
  closedir(dir);
  return found;
}

// The name of `component` inside `folder` as it stands on disk, when no
// entry has the name as given.
std::string Entry_Name(const std::string& folder, const std::string& component, bool& certain) {
  struct stat st;
  if (stat(Dir_Name(folder), &st) != 0) {
    if (errno != ENOENT && errno != ENOTDIR) certain = false;
    return component;
  }
  auto known = folders_read.find(folder);
  if (known == folders_read.end() || !Same_Time(known->second, st.st_mtim)) {
    bool whole = true;
    std::string found = Scan(folder, component, Names::count, whole);
    // Only a folder read whole may answer "no" from the filter later on.
    if (whole) {
      folders_read[folder] = st.st_mtim;
    } else {
      folders_read.erase(folder);
      certain = false;
    }
    return found.empty() ? component : found;
  }
  if (!May_Hold(folder, component)) return component;
  std::string found = Scan(folder, component, Names::leave, certain);
  return found.empty() ? component : found;
}

// The first `count` parts below `root`; `resolved.found` and `.st` tell of
// the entry reached.
void Resolve_Parts(const std::string& root, const std::vector<std::string>& parts, size_t count,
                   Resolved& resolved) {
  if (count == 0) {
    resolved.path = root;
    resolved.found = Exists(Dir_Name(root), resolved.st, resolved.certain);
    return;
  }
  std::string plain = root;
  for (size_t i = 0; i < count; ++i) plain = Join(plain, parts[i]);
  resolved.path = plain;
  resolved.found = Exists(plain, resolved.st, resolved.certain);
  if (resolved.found) return;
  Resolve_Parts(root, parts, count - 1, resolved);
  std::string folder = resolved.path;
  // The name as given is not there (the folder may be another spelling).
  std::string name = parts[count - 1];
  resolved.path = Join(folder, name);
  resolved.found =
      folder != Folder_Of(plain) && Exists(resolved.path, resolved.st, resolved.certain);
  if (resolved.found) return;
  std::string on_disk = Entry_Name(folder, name, resolved.certain);
  if (on_disk == name) return;
  resolved.path = Join(folder, on_disk);
  resolved.found = Exists(resolved.path, resolved.st, resolved.certain);
}

bool Is_Separator(char c) {
  return c == '\\' || c == '/';
}

// Backslashes and slashes separate components and empty components are
// skipped. "C:..." starts at $WINEPREFIX/dosdevices/c:, a leading separator
// at "/", anything else at the current folder. A component that names an
// existing entry in another letter case resolves to that entry; otherwise
// it is used as given.
Resolved Resolve(const std::string& path) {
  std::string root;
  size_t pos = 0;
  if (path.size() >= 2 && path[1] == ':' &&
      ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'))) {
    root = Wine_Prefix() + "/dosdevices/" + Cp1252::Fold(path.substr(0, 2));
    pos = 2;
  } else if (!path.empty() && Is_Separator(path[0])) {
    root = "/";
  }
  std::vector<std::string> parts;
  while (pos < path.size()) {
    size_t end = pos;
    while (end < path.size() && !Is_Separator(path[end])) ++end;
    // Wine names files in UTF-8.
    if (end > pos) parts.push_back(Cp1252::To_Utf8(path.substr(pos, end - pos)));
    pos = end + 1;
  }
  Resolved resolved;
  Resolve_Parts(root, parts, parts.size(), resolved);
  return resolved;
}

enum class Change { made, removed };

// The program itself has just made or removed `host_path`: what the filter
// knows of that folder stays true without reading it again.
void Note_Change(const std::string& host_path, Change change) {
  std::string folder = Folder_Of(host_path);
  std::string name = host_path.substr(host_path.rfind('/') + 1);
  auto known = folders_read.find(folder);
  if (known == folders_read.end()) return;
  struct stat st;
  if (stat(Dir_Name(folder), &st) != 0) {
    folders_read.erase(known);
    return;
  }
  known->second = st.st_mtim;
  Count_Name(folder, name, change == Change::made ? 1 : -1);
}

int Sync_Folder(const std::string& folder) {
  int fd = open(Dir_Name(folder), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return errno;
  int error = fsync(fd) == 0 ? 0 : errno;
  close(fd);
  return error;
}

// The temporary name of a copy to `target`: always the same for the same
// target, so that the next copy there removes what an interrupted one left.
std::string Temporary_Name(const std::string& target) {
  uint64_t h = 1469598103934665603ull;
  for (unsigned char c : target) h = (h ^ c) * 1099511628211ull;
  static const char kHex[] = "0123456789abcdef";
  std::string name = "/.morvane-";
  for (int shift = 60; shift >= 0; shift -= 4) name += kHex[(h >> shift) & 15];
  return Folder_Of(target) + name;
}

bool Copy_Bytes(int from, int to) {
  for (;;) {
    ssize_t done = copy_file_range(from, nullptr, to, nullptr, 1 << 30, 0);
    if (done == 0) return true;
    if (done < 0) {
      if (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP) break;
      return false;
    }
  }
  if (lseek(from, 0, SEEK_SET) < 0 || lseek(to, 0, SEEK_SET) < 0 || ftruncate(to, 0) < 0)
    return false;
  char buffer[1 << 16];
  for (;;) {
    ssize_t got = read(from, buffer, sizeof buffer);
    if (got == 0) return true;
    if (got < 0) return false;
    for (ssize_t put = 0; put < got;) {
      ssize_t n = write(to, buffer + put, got - put);
      if (n < 0) return false;
      put += n;
    }
  }
}

// Writes a copy of `from` to the new file `temp`; flushed to the disk when
// `durable`. Returns 0 or the errno value.
int Write_Copy(const std::string& from, const struct stat& from_stat, const std::string& temp,
               Copy_Mode mode) {
  int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return errno;
  int out = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (out < 0) {
    int error = errno;
    close(in);
    return error;
  }
  int error = Copy_Bytes(in, out) ? 0 : errno;
  if (error == 0) {
    fchmod(out, from_stat.st_mode & 07777);
    timespec times[2] = {from_stat.st_atim, from_stat.st_mtim};
    futimens(out, times);
    if (mode == Copy_Mode::durable && fdatasync(out) != 0) error = errno;
  }
  if (close(out) != 0 && error == 0) error = errno;
  close(in);
  return error;
}

}  // namespace

std::FILE* Open(const std::string& path, const char* how, int* error) {
  Resolved resolved = Resolve(path);
  errno = 0;
  std::FILE* stream = std::fopen(resolved.path.c_str(), how);
  *error = stream ? 0 : errno;
  if (stream && !resolved.found) Note_Change(resolved.path, Change::made);
  return stream;
}

int Sync(std::FILE* stream, const std::string& path) {
  if (std::fflush(stream) != 0 || fsync(fileno(stream)) != 0) return errno;
  return Sync_Folder(Folder_Of(Resolve(path).path));
}

int Remove(const std::string& path) {
  std::string host = Resolve(path).path;
  if (unlink(host.c_str()) != 0) return errno;
  Note_Change(host, Change::removed);
  return 0;
}

int Rename(const std::string& path, const std::string& new_name) {
  Resolved from = Resolve(path);
  if (!from.found) return from.certain ? ENOENT : EIO;
  Resolved to = Resolve(Folder_Part(path) + new_name);
  if (to.found) {
    if (to.st.st_ino != from.st.st_ino || to.st.st_dev != from.st.st_dev) return EEXIST;
    // The same file in other letters: it takes the new spelling.
    to.path = Join(Folder_Of(from.path), new_name);
  }
  if (rename(from.path.c_str(), to.path.c_str()) != 0) return errno;
  Note_Change(from.path, Change::removed);
  Note_Change(to.path, Change::made);
  return 0;
}

Kind Look(const std::string& path) {
  Resolved resolved = Resolve(path);
  if (!resolved.found) return resolved.certain ? Kind::absent : Kind::unknown;
  struct stat& st = resolved.st;
  if (S_ISLNK(st.st_mode) && stat(resolved.path.c_str(), &st) != 0) return Kind::file;
  return S_ISDIR(st.st_mode) ? Kind::folder : Kind::file;
}

int Copy(const std::string& source, const std::string& target, Copy_Mode mode) {
  Resolved from = Resolve(source);
  if (!from.found) return ENOENT;
  struct stat from_stat = from.st;
  if (S_ISLNK(from_stat.st_mode) && stat(from.path.c_str(), &from_stat) != 0) return errno;
  if (S_ISDIR(from_stat.st_mode)) return EISDIR;
  Resolved to = Resolve(target);
  if (to.found) {
    if (S_ISDIR(to.st.st_mode)) return EISDIR;
    // A link left by an interrupted move: the target already is the package.
    if (to.st.st_ino == from_stat.st_ino && to.st.st_dev == from_stat.st_dev) return 0;
    // Like the shell, leave a read-only target alone (root could replace it).
    if ((to.st.st_mode & 0222) == 0) return EACCES;
  }
  if (mode == Copy_Mode::durable && !to.found) {
    // A new name within the file system: one link, made whole or not at all.
    if (link(from.path.c_str(), to.path.c_str()) == 0) {
      Note_Change(to.path, Change::made);
      return 0;
    }
    if (errno == ENOENT || errno == ENOTDIR) return ENOTDIR;  // no target folder
  }
  std::string temp = Temporary_Name(to.path);
  if (unlink(temp.c_str()) != 0 && errno != ENOENT) return errno;
  int error = -1;
  if (mode == Copy_Mode::durable && link(from.path.c_str(), temp.c_str()) == 0) error = 0;
  if (error != 0) error = Write_Copy(from.path, from_stat, temp, mode);
  if (error == 0 && rename(temp.c_str(), to.path.c_str()) != 0) error = errno;
  if (error != 0) {
    unlink(temp.c_str());
    return error == ENOENT ? ENOTDIR : error;
  }
  Note_Change(to.path, Change::made);
  return 0;
}

}  // namespace Host_Files
