// The file-system calls on a Linux file system, on Windows paths found the
// way Wine finds them (platform/wine_paths.h).
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <vector>

#include "base/paths.h"
#include "platform/host_files.h"
#include "platform/wine_paths.h"

namespace Host_Files {

namespace {

using Wine_Paths::Folder_Of;
using Wine_Paths::Found;

const char kHoldName[] = "morvane.lock";

// What the program has learnt of the folders' names, for the whole run.
Wine_Paths::Names names;

Found Resolve(const std::string& path, Wine_Paths::Absence absence = Wine_Paths::Absence::known) {
  return Wine_Paths::Find(names, path, absence);
}

// What a found entry is, a symbolic link followed; false when it dangles.
bool Target_Stat(const Found& found, struct stat& st) {
  st = found.st;
  return !S_ISLNK(st.st_mode) || stat(found.path.c_str(), &st) == 0;
}

int Sync_Host_Folder(const std::string& folder) {
  int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return errno;
  int error = fsync(fd) == 0 ? 0 : errno;
  close(fd);
  return error;
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

// A package moved by a link shares its read-only mode, which the copy in
// the installation is not to have: Windows would refuse to replace it.
int Writable(const std::string& linked, const struct stat& st) {
  if ((st.st_mode & 0222) != 0 || chmod(linked.c_str(), (st.st_mode & 07777) | S_IWUSR) == 0)
    return 0;
  return errno;
}

// Writes a copy of `from` to the new file `temp` and flushes it to the
// disk. Returns 0 or the errno value; EINVAL when what was opened is no
// file (it may have changed since it was looked at: a pipe would block,
// a device never end).
int Write_Copy(const std::string& from, const struct stat& from_stat, const std::string& temp) {
  int in = open(from.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (in < 0) return errno;
  struct stat opened;
  int failed = fstat(in, &opened) != 0 ? errno : S_ISREG(opened.st_mode) ? 0 : EINVAL;
  if (failed != 0) {
    close(in);
    return failed;
  }
  int out = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (out < 0) {
    int error = errno;
    close(in);
    return error;
  }
  int error = Copy_Bytes(in, out) ? 0 : errno;
  if (error == 0) {
    fchmod(out, (from_stat.st_mode & 07777) | S_IWUSR);
    timespec times[2] = {from_stat.st_atim, from_stat.st_mtim};
    futimens(out, times);
    if (fdatasync(out) != 0) error = errno;
  }
  if (close(out) != 0 && error == 0) error = errno;
  close(in);
  return error;
}

// Reads up to `size` bytes, fewer only at the end of the file; -1 on an error.
ssize_t Read_Full(int fd, char* buffer, size_t size) {
  size_t got = 0;
  while (got < size) {
    ssize_t n = read(fd, buffer + got, size - got);
    if (n < 0) return -1;
    if (n == 0) break;
    got += n;
  }
  return got;
}

bool Same_Host_Bytes(const std::string& a, const std::string& b) {
  int fa = open(a.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  int fb = open(b.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  struct stat sa, sb;
  bool same = fa >= 0 && fb >= 0 && fstat(fa, &sa) == 0 && fstat(fb, &sb) == 0 &&
              S_ISREG(sa.st_mode) && S_ISREG(sb.st_mode) && sa.st_size == sb.st_size;
  static char one[1 << 16], two[1 << 16];
  while (same) {
    ssize_t got = Read_Full(fa, one, sizeof one);
    same = got >= 0 && Read_Full(fb, two, sizeof two) == got && std::memcmp(one, two, got) == 0;
    if (got < static_cast<ssize_t>(sizeof one)) break;
  }
  if (fa >= 0) close(fa);
  if (fb >= 0) close(fb);
  return same;
}

// A call that failed may have met a change that the program did not make:
// the paths found a moment ago are forgotten.
int Failed(int error) {
  if (error != 0) Wine_Paths::Forget_Recent(names);
  return error;
}

int Rename_Found(const std::string& path, const std::string& new_name) {
  Found from = Resolve(path);
  if (!from.exists) return from.certain ? ENOENT : EIO;
  Found to = Resolve(Folder_Part(path) + new_name);
  if (!to.exists && !to.certain) return EIO;
  if (to.exists) {
    if (to.st.st_ino != from.st.st_ino || to.st.st_dev != from.st.st_dev) return EEXIST;
    // The same file in other letters: it takes the new spelling.
    to.path = Folder_Of(from.path) + "/" + new_name;
  }
  if (rename(from.path.c_str(), to.path.c_str()) != 0) return errno;
  Wine_Paths::Note_Removed(names, from.path);
  Wine_Paths::Note_Made(names, to.path);
  return 0;
}

// Makes the Windows folder `folder` (no separator at its end) and every
// missing folder above it, each on the disk before its content; the host
// paths of those it made are added to `made`, outermost first.
int Make_Folders(const std::string& folder, std::vector<std::string>& made) {
  Found found = Resolve(folder);
  struct stat st;
  if (found.exists) return Target_Stat(found, st) && S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
  if (!found.certain) return EIO;
  std::string parent = Folder_Part(folder);
  if (!parent.empty()) parent.pop_back();
  if (parent.empty() || parent.size() >= folder.size()) return ENOENT;
  if (int error = Make_Folders(parent, made)) return error;
  found = Resolve(folder);
  if (mkdir(found.path.c_str(), 0777) != 0) return errno == EEXIST ? 0 : errno;
  Wine_Paths::Note_Made(names, found.path);
  made.push_back(found.path);
  return Sync_Host_Folder(Folder_Of(found.path));
}

// The folders that the last keep made, outermost first.
std::vector<std::string> keep_folders;

// Removes the folders that the last keep made, where they are empty: a keep
// that was taken back leaves no trace.
void Remove_Keep_Folders() {
  for (auto folder = keep_folders.rbegin(); folder != keep_folders.rend(); ++folder)
    if (rmdir(folder->c_str()) == 0) Wine_Paths::Note_Removed(names, *folder);
  keep_folders.clear();
}

// A symbolic link is kept as one that leads where it led: a relative one
// gets the path of its own folder before its text. (A restore puts back
// the link's own text, which the run's record holds.)
int Keep_Link(const std::string& host_path, const std::string& kept) {
  std::vector<char> text(PATH_MAX + 1, 0);
  ssize_t size = readlink(host_path.c_str(), text.data(), PATH_MAX);
  if (size < 0) return errno;
  std::string target(text.data(), size);
  if (!target.starts_with("/")) {
    char* folder =
        realpath(Folder_Of(host_path).empty() ? "." : Folder_Of(host_path).c_str(), nullptr);
    if (!folder) return errno;
    target = std::string(folder) + "/" + target;
    std::free(folder);
  }
  return symlink(target.c_str(), kept.c_str()) == 0 ? 0 : errno;
}

// A whole copy of the file, flushed, written at `temp` and put under the
// free name `kept` in one step: where no hard link can be made, as on a
// disk without them or on another file system than the file's.
int Keep_Copy(const std::string& host_path, const std::string& kept, const std::string& temp) {
  struct stat st;
  if (stat(host_path.c_str(), &st) != 0) return errno;
  if (unlink(temp.c_str()) != 0 && errno != ENOENT) return errno;
  int error = Write_Copy(host_path, st, temp);
  if (error == 0 &&
      renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, kept.c_str(), RENAME_NOREPLACE) != 0)
    error = errno;
  // A file system without that flag (FAT or exFAT through FUSE): the name
  // is claimed first, as only a new file takes it, and the copy replaces
  // the claim. The cache is held, so no run of ours claims it meanwhile.
  if (error == EINVAL) {
    int claim = open(kept.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    error = claim < 0 ? errno : 0;
    if (claim >= 0) close(claim);
    if (error == 0 && rename(temp.c_str(), kept.c_str()) != 0) {
      error = errno;
      unlink(kept.c_str());
    }
  }
  if (error != 0) unlink(temp.c_str());
  return error;
}

// Where the copy of a kept file is written first, after what copies cut
// short left there is removed (once a run).
std::string Keep_Temporary(const std::string& keep) {
  std::string folder = Keep_Copy_Folder(keep);
  Remove_Temporaries(folder);
  return Resolve(folder + Temporary_Name(keep)).path;
}

// Keep on a file found here (`st` what stands there, lstat), `keep` a
// Windows path. The file stays where it is: its keep is a hard link, a
// like symbolic link, or a copy. A keep that fails leaves nothing, its
// folders neither.
int Keep_Found(const std::string& host_path, const struct stat& st, const std::string& keep,
               std::string* kept, std::string* host_kept) {
  std::string folder = Folder_Part(keep);
  if (!folder.empty()) folder.pop_back();
  keep_folders.clear();
  int error = Make_Folders(folder, keep_folders);
  for (int n = 1; error == 0; ++n) {
    std::string name = n == 1 ? keep : Numbered(keep, n);
    // A name longer than a file system takes, even with its stem cut.
    if (name.size() - Folder_Part(name).size() > 255) {
      error = ENAMETOOLONG;
      break;
    }
    Found to = Resolve(name);
    if (!to.exists && !to.certain) error = EIO;
    if (error != 0 || to.exists) continue;
    error = S_ISLNK(st.st_mode)                             ? Keep_Link(host_path, to.path)
            : link(host_path.c_str(), to.path.c_str()) == 0 ? 0
                                                            : errno;
    if (error == EPERM || error == EMLINK || error == EXDEV || error == EOPNOTSUPP ||
        error == ENOSYS)
      error = Keep_Copy(host_path, to.path, Keep_Temporary(keep));
    if (error == EEXIST) {
      error = 0;
      continue;
    }
    if (error != 0) break;
    Wine_Paths::Note_Made(names, to.path);
    error = Sync_Host_Folder(Folder_Of(to.path));
    if (error != 0) {
      unlink(to.path.c_str());
      Wine_Paths::Note_Removed(names, to.path);
      break;
    }
    if (kept) *kept = name;
    if (host_kept) *host_kept = to.path;
    return 0;
  }
  Remove_Keep_Folders();
  return error;
}

// Takes back the keep just made at the host path `kept`, with its folders.
void Unkeep_Found(const std::string& kept) {
  if (unlink(kept.c_str()) == 0) Wine_Paths::Note_Removed(names, kept);
  Remove_Keep_Folders();
}

// A native game's user folder gets the folder of a copy's target, right
// inside it, when it lacks it. 0, or the errno value of a failed mkdir.
int Make_Missing_Folder(const std::string& target) {
  std::string folder = Folder_Of(target);
  // Only right inside the user folder itself, not in one below it that was
  // named as a further installation (its Cache).
  const std::vector<std::string>& roots = names.exact_roots;
  if (std::find(roots.begin(), roots.end(), Folder_Of(folder)) == roots.end()) return 0;
  if (mkdir(folder.c_str(), 0777) != 0) return errno == EEXIST ? 0 : errno;
  Wine_Paths::Note_Made(names, folder);
  return 0;
}

// The copy of `from` (`from_stat` what it leads to) to `target`, found at
// `to`. EEXIST when something stands at a target that was found absent.
int Copy_To(const Found& from, const struct stat& from_stat, bool may_link,
            const std::string& target, const Found& to, const std::string& keep, Kept* kept) {
  if (!to.exists && !to.certain) return EIO;
  if (!to.exists) {
    if (int error = Make_Missing_Folder(to.path)) return error;
  }
  if (to.exists) {
    struct stat to_stat;
    if (!Target_Stat(to, to_stat)) to_stat = to.st;
    if (S_ISDIR(to_stat.st_mode)) return EISDIR;
    // A link left by an interrupted move: the target already is the package.
    if (to.st.st_ino == from_stat.st_ino && to.st.st_dev == from_stat.st_dev) return 0;
    // Like the shell, leave a read-only target alone (root could replace it).
    if ((to_stat.st_mode & 0222) == 0) return EACCES;
  }
  if (may_link && !to.exists) {
    // A new name within the file system: one link, made whole or not at all.
    if (link(from.path.c_str(), to.path.c_str()) == 0) {
      Wine_Paths::Note_Made(names, to.path);
      // The new name is the package's file, whose lstat is known: asking
      // whether the copy stands whole needs no lookup.
      Found made = from;
      made.path = to.path;
      Wine_Paths::Note_Found(names, target, made);
      return Writable(to.path, from_stat);
    }
    if (errno == ENOENT || errno == ENOTDIR) return ENOTDIR;  // no target folder
  }
  std::string temp = Folder_Of(to.path) + "/" + Temporary_Name(to.path);
  if (unlink(temp.c_str()) != 0 && errno != ENOENT) return errno;
  bool linked = may_link && link(from.path.c_str(), temp.c_str()) == 0;
  int error = linked ? Writable(temp, from_stat) : Write_Copy(from.path, from_stat, temp);
  // What stands at the target goes only where it is kept, unless the copy
  // holds it already (a link is what stands there, whatever it leads to);
  // and it is kept only when the copy takes its place.
  std::string host_kept;
  if (error == 0 && to.exists && !keep.empty() &&
      (S_ISLNK(to.st.st_mode) || !Same_Host_Bytes(temp, to.path))) {
    error = Keep_Found(to.path, to.st, keep, kept ? &kept->name : nullptr, &host_kept);
    if (error != 0 && kept) kept->error = error;
  }
  // A target found absent takes the copy only while it is: what another
  // program made there since (within the tick of its folder's clock that the
  // lookup trusted) is looked up anew and kept.
  struct stat now;
  if (error == 0 && !to.exists && lstat(to.path.c_str(), &now) == 0) error = EEXIST;
  if (error == 0 && rename(temp.c_str(), to.path.c_str()) != 0) {
    error = errno;
    if (!host_kept.empty()) Unkeep_Found(host_kept);
    if (kept) kept->name.clear();
  }
  if (error != 0) {
    unlink(temp.c_str());
    return error == ENOENT ? ENOTDIR : error;
  }
  Wine_Paths::Note_Made(names, to.path);
  // Copied bytes, possibly to another file system than the cache's: the
  // name they took must be on the disk before the cached file goes.
  return linked ? 0 : Sync_Host_Folder(Folder_Of(to.path));
}

int Copy_Found(const std::string& source, const std::string& target, Copy_Mode mode,
               const std::string& keep, Kept* kept) {
  Found from = Resolve(source);
  if (!from.exists) return from.certain ? ENOENT : EIO;
  struct stat from_stat;
  if (!Target_Stat(from, from_stat)) return errno;
  if (S_ISDIR(from_stat.st_mode)) return EISDIR;
  // Only a file itself may be linked: a link to a symbolic link would dangle
  // once the cached name is gone.
  bool may_link = mode == Copy_Mode::move && S_ISREG(from.st.st_mode);
  int error = Copy_To(from, from_stat, may_link, target, Resolve(target), keep, kept);
  // Something stands at the target that was not there when it was looked
  // up (another program made it a moment ago): looked up anew, it is kept
  // like any other file there.
  if (error == EEXIST)
    error = Copy_To(from, from_stat, may_link, target, Resolve(target, Wine_Paths::Absence::read),
                    keep, kept);
  return error;
}

}  // namespace

std::FILE* Open(const std::string& path, const char* how, int* error) {
  Found found = Resolve(path);
  struct stat st;
  // Never a file made beside one that may stand there in another spelling.
  *error = !found.exists && !found.certain                                 ? EIO
           : found.exists && Target_Stat(found, st) && S_ISDIR(st.st_mode) ? EISDIR
                                                                           : 0;
  if (*error != 0) return nullptr;
  bool update = std::strchr(how, '+') != nullptr;
  int flags = (update ? O_RDWR : how[0] == 'r' ? O_RDONLY : O_WRONLY) | O_CLOEXEC | O_NONBLOCK;
  if (how[0] != 'r') flags |= O_CREAT;
  // "x": only a new file; never one that stands there, nor what a link there leads to.
  bool exclusive = std::strchr(how, 'x') != nullptr;
  if (exclusive) flags |= O_EXCL | O_NOFOLLOW;
  std::string mode(how);
  std::erase(mode, 'x');
  if (how[0] == 'a') flags |= O_APPEND;
  // Opened without waiting, and taken only when it is a file: a pipe would
  // wait for a writer for ever, a device never end.
  int fd = open(found.path.c_str(), flags, 0666);
  if (fd < 0) {
    *error = Failed(errno);
    return nullptr;
  }
  *error = fstat(fd, &st) != 0                         ? errno
           : !S_ISREG(st.st_mode)                      ? ENXIO
           : fcntl(fd, F_SETFL, flags & O_APPEND) != 0 ? errno
           : how[0] == 'w' && ftruncate(fd, 0) != 0    ? errno
                                                       : 0;
  std::FILE* stream = *error == 0 ? fdopen(fd, mode.c_str()) : nullptr;
  if (!stream) {
    if (*error == 0) *error = errno;
    close(fd);
    Failed(*error);
    return nullptr;
  }
  if (!found.exists) Wine_Paths::Note_Made(names, found.path);
  return stream;
}

int Sync_Data(std::FILE* stream, const std::string& path) {
  if (std::fflush(stream) != 0 || fsync(fileno(stream)) != 0) return errno;
  // Looked up anew: the folder may have been swapped for another.
  Found found = Resolve(path, Wine_Paths::Absence::read);
  struct stat st;
  if (!found.exists || fstat(fileno(stream), &st) != 0 || st.st_ino != found.st.st_ino ||
      st.st_dev != found.st.st_dev)
    return EXDEV;
  return 0;
}

int Sync(std::FILE* stream, const std::string& path) {
  if (int error = Sync_Data(stream, path)) return error;
  return Sync_Host_Folder(Folder_Of(Resolve(path).path));
}

int Remove(const std::string& path) {
  std::string host = Resolve(path).path;
  if (unlink(host.c_str()) != 0) return Failed(errno);
  Wine_Paths::Note_Removed(names, host);
  return 0;
}

Kind Look(const std::string& path, Seen seen, int64_t* size) {
  Found found =
      Resolve(path, seen == Seen::read ? Wine_Paths::Absence::read : Wine_Paths::Absence::known);
  if (!found.exists) return found.certain ? Kind::absent : Kind::unknown;
  struct stat st;
  if (!Target_Stat(found, st)) return Kind::other;
  if (S_ISDIR(st.st_mode)) return Kind::folder;
  if (!S_ISREG(st.st_mode)) return Kind::other;
  if (size) *size = st.st_size;
  return Kind::file;
}

void Exact_Names(const std::string& folder) {
  names.exact_roots.push_back(Resolve(folder).path);
  Wine_Paths::Forget_Recent(names);
}

bool Read_Only(const std::string& path) {
  Found found = Resolve(path);
  struct stat st;
  return found.exists && Target_Stat(found, st) && S_ISREG(st.st_mode) && (st.st_mode & 0222) == 0;
}

std::string On_Disk(const std::string& path) {
  Found found = Resolve(path);
  return found.exists ? found.path : "";
}

bool Is_Link(const std::string& path) {
  Found found = Resolve(path);
  return found.exists && S_ISLNK(found.st.st_mode);
}

int Hold(const std::string& folder) {
  // Kept open to the end of the process, whose end releases the lock: a
  // kill included. A record lock, which Wine's own lock of the Windows build
  // (LockFileEx) meets on the same byte; a lock on a folder (flock) it would
  // not see. Nothing else of the program opens this file, whose close
  // would let the lock go.
  Found found = Resolve(folder + "\\" + kHoldName);
  if (!found.exists && !found.certain) return EIO;
  int fd = open(found.path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd < 0) return Failed(errno);
  if (!found.exists) Wine_Paths::Note_Made(names, found.path);
  struct stat st;
  int error = fstat(fd, &st) != 0 ? errno : S_ISREG(st.st_mode) ? 0 : EINVAL;
  struct flock lock = {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  lock.l_len = 1;
  // A run that has just ended under Wine may still hold it for a moment.
  for (int tries = 0; error == 0; ++tries) {
    if (fcntl(fd, F_SETLK, &lock) == 0) return 0;  // the descriptor stays open
    if (errno != EACCES && errno != EAGAIN) {
      error = errno;
    } else if (tries == 10) {
      error = EBUSY;
    } else {
      usleep(100000);
    }
  }
  close(fd);
  return error;
}

int Rename(const std::string& path, const std::string& new_name) {
  return Failed(Rename_Found(path, new_name));
}

std::vector<std::string> Names_In(const std::string& folder) {
  std::vector<std::string> found_names;
  Found found = Resolve(folder, Wine_Paths::Absence::read);
  DIR* dir = found.exists ? opendir(found.path.c_str()) : nullptr;
  if (!dir) return found_names;
  while (dirent* entry = readdir(dir)) {
    std::string name = entry->d_name;
    if (name != "." && name != "..") found_names.push_back(name);
  }
  closedir(dir);
  return found_names;
}

int Remove_Folder(const std::string& folder) {
  Found found = Resolve(folder);
  if (!found.exists) return found.certain ? ENOENT : EIO;
  if (rmdir(found.path.c_str()) != 0) return Failed(errno);
  Wine_Paths::Note_Removed(names, found.path);
  return Sync_Host_Folder(Folder_Of(found.path));
}

int Make_Folder(const std::string& folder) {
  std::vector<std::string> made;
  return Failed(Make_Folders(folder, made));
}

int Move(const std::string& from, const std::string& to) {
  Found old = Resolve(from);
  if (!old.exists) return Failed(old.certain ? ENOENT : EIO);
  Found now = Resolve(to, Wine_Paths::Absence::read);
  if (now.exists) return EEXIST;
  if (!now.certain) return Failed(EIO);
  int error = renameat2(AT_FDCWD, old.path.c_str(), AT_FDCWD, now.path.c_str(), RENAME_NOREPLACE);
  // A file system without that flag: nothing stood there a moment ago, and
  // the cache is held.
  if (error != 0 && errno == EINVAL) error = rename(old.path.c_str(), now.path.c_str());
  if (error != 0) return Failed(errno);
  Wine_Paths::Note_Removed(names, old.path);
  Wine_Paths::Note_Made(names, now.path);
  error = Sync_Host_Folder(Folder_Of(now.path));
  return error != 0 ? error : Sync_Host_Folder(Folder_Of(old.path));
}

std::string Link_Target(const std::string& path) {
  Found found = Resolve(path);
  if (!found.exists || !S_ISLNK(found.st.st_mode)) return "";
  std::vector<char> text(PATH_MAX + 1, 0);
  ssize_t size = readlink(found.path.c_str(), text.data(), PATH_MAX);
  return size < 0 ? "" : std::string(text.data(), size);
}

int Held(const std::string& folder) {
  Found found = Resolve(folder + "\\" + kHoldName, Wine_Paths::Absence::read);
  if (!found.exists) return found.certain ? 0 : EIO;
  int fd = open(found.path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno;
  struct flock lock = {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  lock.l_len = 1;
  int error = fcntl(fd, F_GETLK, &lock) != 0 ? errno : lock.l_type == F_UNLCK ? 0 : EBUSY;
  close(fd);
  return error;
}

bool Makes_Folder_For(const std::string& target) {
  std::string folder = Folder_Of(Resolve(target).path);
  const std::vector<std::string>& roots = names.exact_roots;
  return std::find(roots.begin(), roots.end(), Folder_Of(folder)) != roots.end();
}

std::FILE* Null_Stream() {
  return std::fopen("/dev/null", "wb");
}

int Copy(const std::string& source, const std::string& target, Copy_Mode mode,
         const std::string& keep, Kept* kept) {
  if (kept) *kept = Kept{};
  return Failed(Copy_Found(source, target, mode, keep, kept));
}

bool Same_Bytes(const std::string& a, const std::string& b) {
  return Same_Host_Bytes(Resolve(a).path, Resolve(b).path);
}

void Remove_Temporaries(const std::string& folder) {
  static std::set<std::string> done;
  if (!done.insert(folder).second) return;
  Found found = Resolve(folder);
  if (!found.exists) return;
  DIR* dir = opendir(found.path.c_str());
  if (!dir) return;
  while (dirent* entry = readdir(dir)) {
    std::string path = found.path + "/" + entry->d_name;
    if (Is_Temporary_Name(entry->d_name) && unlink(path.c_str()) == 0)
      Wine_Paths::Note_Removed(names, path);
  }
  closedir(dir);
}

int Keep(const std::string& path, const std::string& keep, std::string* kept) {
  Found found = Resolve(path);
  if (!found.exists) return Failed(found.certain ? ENOENT : EIO);
  return Failed(Keep_Found(found.path, found.st, keep, kept, nullptr));
}

void Unkeep(const std::string& kept) {
  Unkeep_Found(Resolve(kept).path);
}

Identity Identify(const std::string& path) {
  // What the lookup saw (lstat), or what the program's own change there left.
  Found found = Resolve(path);
  if (!found.exists) return {};
  const struct stat& st = found.st;
  return {static_cast<int64_t>(st.st_size),
          static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
          static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
}

int Link(const std::string& path, const std::string& name) {
  Found from = Resolve(path);
  if (!from.exists) return Failed(from.certain ? ENOENT : EIO);
  Found to = Resolve(name);
  if (to.exists) return EEXIST;
  if (link(from.path.c_str(), to.path.c_str()) != 0) {
    int error = errno;
    return error == EPERM || error == EMLINK || error == EOPNOTSUPP || error == ENOSYS
               ? EXDEV
               : Failed(error);
  }
  Wine_Paths::Note_Made(names, to.path);
  return 0;
}

int Sync_Folder(const std::string& folder) {
  Found found = Resolve(folder);
  return found.exists ? Sync_Host_Folder(found.path) : Failed(found.certain ? ENOENT : EIO);
}

int Copy_Whole(const std::string& from, const std::string& to) {
  Found now = Resolve(to, Wine_Paths::Absence::read);
  if (now.exists) return EEXIST;
  return Copy(from, to, Copy_Mode::copy);
}

int Make_Read_Only(const std::string& path) {
  Found found = Resolve(path);
  struct stat st;
  if (!found.exists || !Target_Stat(found, st)) return Failed(found.certain ? ENOENT : EIO);
  return chmod(found.path.c_str(), st.st_mode & 07555) == 0 ? 0 : errno;
}

int Make_Link(const std::string& text, const std::string& path) {
  Found now = Resolve(path, Wine_Paths::Absence::read);
  if (now.exists) return EEXIST;
  if (!now.certain) return Failed(EIO);
  if (symlink(text.c_str(), now.path.c_str()) != 0) return Failed(errno);
  Wine_Paths::Note_Made(names, now.path);
  return Sync_Host_Folder(Folder_Of(now.path));
}

std::string Name_On_Disk(const std::string& path) {
  Found found = Resolve(path);
  const std::string& name = found.exists ? found.path : path;
  return name.substr(Folder_Part(name).size());
}

std::string Whole_Path(const std::string& folder) {
  if (!folder.starts_with("./") && !folder.starts_with("../") && folder != "." && folder != "..")
    return folder;
  char* whole = realpath(folder.c_str(), nullptr);
  if (!whole) return folder;
  std::string path = whole;
  std::free(whole);
  return path;
}

bool May_Change(const std::string& path) {
  Found found = Resolve(path);
  std::string folder = Folder_Of(found.path);
  struct stat st;
  // A missing folder is made in the one above it.
  if (stat(folder.c_str(), &st) != 0) {
    if (errno != ENOENT) return true;
    folder = Folder_Of(folder);
    if (stat(folder.c_str(), &st) != 0) return true;
  }
  // As the system decides for this process: root may write anywhere but on
  // a read-only file system.
  if (faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0)
    return errno != EACCES && errno != EPERM && errno != EROFS;
  uid_t me = geteuid();
  return !(st.st_mode & S_ISVTX) || !found.exists || me == 0 || me == st.st_uid ||
         me == found.st.st_uid;
}

}  // namespace Host_Files
