// The file-system calls on a Linux file system, with Windows paths found the
// way Wine finds them: drive letters through the prefix's dosdevices, and
// names compared without letter case.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "platform/host_files.h"
#include "platform/wine_prefix.h"

namespace Host_Files {

namespace {

// Where a Windows path lies here. `certain` is false when a folder on the
// way could not be read, so that a name in another letter case may exist
// unseen.
struct Resolved {
  std::string path;
  bool certain = true;
};

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

std::string Folder_Of(const std::string& host_path) {
  size_t slash = host_path.rfind('/');
  if (slash == std::string::npos) return "";
  return slash == 0 ? "/" : host_path.substr(0, slash);
}

const char* Dir_Name(const std::string& folder) {
  return folder.empty() ? "." : folder.c_str();
}

// Whether a folder may hold a name in another letter case is asked of a
// Bloom filter of the lower-case names seen in the folders read so far: when
// it says no, the name is used as given and the folder is not read again;
// only when it says maybe is the folder read for the entry. Memory stays the
// same however many packages a folder holds; stale bits only cost a read.
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

enum class Names { remember, forget };

// The entry of `folder` whose name equals `component` but for letter case,
// or nothing; `certain` turns false when the folder cannot be read whole.
std::string Scan(const std::string& folder, const std::string& component, Names names,
                 bool& certain) {
  DIR* dir = opendir(Dir_Name(folder));
  if (!dir) {
    if (errno != ENOENT && errno != ENOTDIR) certain = false;
    return "";
  }
  std::string lower = Lower(component), found;
  for (;;) {
    errno = 0;
    dirent* entry = readdir(dir);
    if (!entry) {
      if (errno != 0) certain = false;
      break;
    }
    if (names == Names::remember) Remember(folder, entry->d_name);
    if (found.empty() && Lower(entry->d_name) == lower) {
      found = entry->d_name;
      if (names == Names::forget) break;
    }
  }
  closedir(dir);
  return found;
}

// The name of `component` inside `folder` as it stands on disk.
std::string Entry_Name(const std::string& folder, const std::string& component, bool& certain) {
  if (Exists(Join(folder, component))) return component;
  struct stat st;
  if (stat(Dir_Name(folder), &st) != 0) {
    if (errno != ENOENT && errno != ENOTDIR) certain = false;
    return component;
  }
  auto known = folders_read.find(folder);
  if (known == folders_read.end() || !Same_Time(known->second, st.st_mtim)) {
    bool whole = true;
    std::string found = Scan(folder, component, Names::remember, whole);
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
  std::string found = Scan(folder, component, Names::forget, certain);
  return found.empty() ? component : found;
}

std::string Resolve_Parts(const std::string& root, const std::vector<std::string>& parts,
                          size_t count, bool& certain) {
  if (count == 0) return root;
  std::string plain = root;
  for (size_t i = 0; i < count; ++i) plain = Join(plain, parts[i]);
  if (Exists(plain)) return plain;
  std::string folder = Resolve_Parts(root, parts, count - 1, certain);
  return Join(folder, Entry_Name(folder, parts[count - 1], certain));
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
  Resolved resolved;
  resolved.path = Resolve_Parts(root, parts, parts.size(), resolved.certain);
  return resolved;
}

// The program itself has just made or removed `host_path`: what the filter
// knows of that folder stays true without reading it again.
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
  known->second = st.st_mtim;
  Remember(folder, name);
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
  std::string host = Resolve(path).path;
  errno = 0;
  std::FILE* stream = std::fopen(host.c_str(), how);
  *error = stream ? 0 : errno;
  if (stream && how[0] != 'r') Note_Change(host);
  return stream;
}

int Sync(std::FILE* stream, const std::string& path) {
  if (std::fflush(stream) != 0 || fsync(fileno(stream)) != 0) return errno;
  return Sync_Folder(Folder_Of(Resolve(path).path));
}

int Remove(const std::string& path) {
  std::string host = Resolve(path).path;
  struct stat st;
  if (lstat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return EISDIR;
  if (unlink(host.c_str()) != 0) return errno;
  Note_Change(host);
  return 0;
}

int Rename(const std::string& path, const std::string& new_name) {
  std::string from = Resolve(path).path;
  struct stat from_stat;
  if (lstat(from.c_str(), &from_stat) != 0) return errno;
  size_t cut = path.find_last_of("\\/");
  std::string to =
      Resolve((cut == std::string::npos ? "" : path.substr(0, cut + 1)) + new_name).path;
  struct stat to_stat;
  if (lstat(to.c_str(), &to_stat) == 0) {
    if (to_stat.st_ino != from_stat.st_ino || to_stat.st_dev != from_stat.st_dev) return EEXIST;
    // The same file in other letters: it takes the new spelling.
    to = Join(Folder_Of(from), new_name);
  }
  if (rename(from.c_str(), to.c_str()) != 0) return errno;
  Note_Change(from);
  Note_Change(to);
  return 0;
}

Kind Look(const std::string& path) {
  Resolved resolved = Resolve(path);
  struct stat st;
  if (lstat(resolved.path.c_str(), &st) != 0) {
    bool gone = errno == ENOENT || errno == ENOTDIR;
    return gone && resolved.certain ? Kind::absent : Kind::unknown;
  }
  if (S_ISLNK(st.st_mode) && stat(resolved.path.c_str(), &st) != 0) return Kind::file;
  return S_ISDIR(st.st_mode) ? Kind::folder : Kind::file;
}

int Copy(const std::string& source, const std::string& target, Copy_Mode mode) {
  std::string from = Resolve(source).path;
  std::string to = Resolve(target).path;
  struct stat from_stat, to_stat;
  if (stat(from.c_str(), &from_stat) != 0) return errno;
  if (S_ISDIR(from_stat.st_mode)) return EISDIR;
  if (lstat(to.c_str(), &to_stat) == 0) {
    if (S_ISDIR(to_stat.st_mode)) return EISDIR;
    // A link left by an interrupted move: the target already is the package.
    if (to_stat.st_ino == from_stat.st_ino && to_stat.st_dev == from_stat.st_dev) return 0;
    // Like the shell, leave a read-only target alone (root could replace it).
    if ((to_stat.st_mode & 0222) == 0) return EACCES;
  }
  std::string temp = Temporary_Name(to);
  if (unlink(temp.c_str()) != 0 && errno != ENOENT) return errno;
  int error = -1;
  if (mode == Copy_Mode::durable && link(from.c_str(), temp.c_str()) == 0) error = 0;
  if (error != 0) error = Write_Copy(from, from_stat, temp, mode);
  if (error == 0 && rename(temp.c_str(), to.c_str()) != 0) error = errno;
  if (error != 0) {
    unlink(temp.c_str());
    return error;
  }
  Note_Change(to);
  return 0;
}

}  // namespace Host_Files
