// The file-system calls of Windows itself, the wide ones: paths go to the
// system as they are, in UTF-16, a long one in the long-path form.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <set>
#include <vector>

#include "base/paths.h"
#include "base/utf8.h"
#include "platform/host_files.h"
#include "platform/wide-win32.h"

namespace Host_Files {

namespace {

int Errno_Of(DWORD code) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return ENOENT;
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS:
      return EEXIST;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
      return EACCES;
    case ERROR_DISK_FULL:
      return ENOSPC;
    case ERROR_FILENAME_EXCED_RANGE:
      return ENAMETOOLONG;
    case ERROR_NOT_SAME_DEVICE:
      return EXDEV;
    default:
      return EIO;
  }
}

DWORD Attributes(const std::string& path) {
  return GetFileAttributesW(Wide_Path(path).c_str());
}

}  // namespace

std::FILE* Open(const std::string& path, const char* how, int* error) {
  std::wstring name = Wide_Path(path);
  // "x": only a new file, never one that stands there (nor what a link
  // there leads to) is written.
  if (std::strchr(how, 'x')) {
    HANDLE file = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      *error = Errno_Of(GetLastError());
      return nullptr;
    }
    int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_BINARY | _O_RDWR);
    std::FILE* stream = fd < 0 ? nullptr : _fdopen(fd, "w+b");
    *error = stream ? 0 : EIO;
    if (!stream && fd >= 0) _close(fd);
    if (!stream && fd < 0) CloseHandle(file);
    return stream;
  }
  errno = 0;
  std::FILE* stream = _wfopen(name.c_str(), Wide(how).c_str());
  *error = stream ? 0 : errno;
  return stream;
}

// Windows flushes no folder: both are one.
int Sync_Data(std::FILE* stream, const std::string& path) {
  return Sync(stream, path);
}

int Sync(std::FILE* stream, const std::string& path) {
  if (std::fflush(stream) != 0) return errno;
  HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  if (!FlushFileBuffers(handle)) return Errno_Of(GetLastError());
  // The folder may have been swapped for another: the name must still be the file's.
  HANDLE named = CreateFileW(Wide_Path(path).c_str(), 0,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  BY_HANDLE_FILE_INFORMATION one, two;
  bool same = named != INVALID_HANDLE_VALUE && GetFileInformationByHandle(handle, &one) &&
              GetFileInformationByHandle(named, &two) &&
              one.dwVolumeSerialNumber == two.dwVolumeSerialNumber &&
              one.nFileIndexHigh == two.nFileIndexHigh && one.nFileIndexLow == two.nFileIndexLow;
  if (named != INVALID_HANDLE_VALUE) CloseHandle(named);
  return same ? 0 : EXDEV;
}

int Remove(const std::string& path) {
  return DeleteFileW(Wide_Path(path).c_str()) ? 0 : Errno_Of(GetLastError());
}

int Rename(const std::string& path, const std::string& new_name) {
  std::string to = Folder_Part(path) + new_name;
  return MoveFileW(Wide_Path(path).c_str(), Wide_Path(to).c_str()) ? 0 : Errno_Of(GetLastError());
}

// Windows itself answers for every other process: nothing is kept to trust.
Kind Look(const std::string& path, Seen, int64_t* size) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(Wide_Path(path).c_str(), GetFileExInfoStandard, &data)) {
    DWORD code = GetLastError();
    return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND ? Kind::absent
                                                                        : Kind::unknown;
  }
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return Kind::folder;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) return Kind::other;
  if (size) *size = (int64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
  return Kind::file;
}

bool Read_Only(const std::string& path) {
  DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY) &&
         (attributes & FILE_ATTRIBUTE_READONLY);
}

std::string On_Disk(const std::string&) {
  return "";
}

bool Is_Link(const std::string& path) {
  DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

void Exact_Names(const std::string&) {}

namespace {

// Reads up to `size` bytes, fewer only at the end of the file; false on an error.
bool Read_Full(HANDLE file, char* buffer, DWORD size, DWORD* got) {
  *got = 0;
  while (*got < size) {
    DWORD n = 0;
    if (!ReadFile(file, buffer + *got, size - *got, &n, nullptr)) return false;
    if (n == 0) break;
    *got += n;
  }
  return true;
}

HANDLE Open_To_Read(const std::string& path) {
  return CreateFileW(Wide_Path(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Makes `folder` (no separator at its end) and every missing folder above
// it; those it made are added to `made`, outermost first.
int Make_Folders(const std::string& folder, std::vector<std::string>& made) {
  DWORD attributes = Attributes(folder);
  if (attributes != INVALID_FILE_ATTRIBUTES)
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? 0 : ENOTDIR;
  std::string parent = Folder_Part(folder);
  if (!parent.empty()) parent.pop_back();
  if (parent.empty() || parent.size() >= folder.size()) return ENOENT;
  if (int error = Make_Folders(parent, made)) return error;
  if (!CreateDirectoryW(Wide_Path(folder).c_str(), nullptr)) {
    DWORD code = GetLastError();
    return code == ERROR_ALREADY_EXISTS ? 0 : Errno_Of(code);
  }
  made.push_back(folder);
  return 0;
}

// The folders that the last keep made, outermost first.
std::vector<std::string> keep_folders;

// Removes the folders that the last keep made, where they are empty.
void Remove_Keep_Folders() {
  for (auto folder = keep_folders.rbegin(); folder != keep_folders.rend(); ++folder)
    RemoveDirectoryW(Wide_Path(*folder).c_str());
  keep_folders.clear();
}

// Whether a failed hard link says that the disk has none to make here (FAT,
// exFAT, another volume, too many links): the file is copied instead.
bool No_Link_Here(DWORD code) {
  return code == ERROR_NOT_SAME_DEVICE || code == ERROR_INVALID_FUNCTION ||
         code == ERROR_NOT_SUPPORTED || code == ERROR_TOO_MANY_LINKS ||
         code == ERROR_INVALID_PARAMETER || code == ERROR_ACCESS_DENIED;
}

// A whole copy of `path`, flushed, under the free name `kept`, which it
// takes in one step. Returns 0 or the system's error code.
DWORD Keep_Copy(const std::string& path, const std::string& kept) {
  // Written where the next run that keeps anything removes what a copy cut
  // short left.
  std::string folder = Keep_Copy_Folder(kept);
  Remove_Temporaries(folder);
  std::wstring wide_temp = Wide_Path(folder + Temporary_Name(kept));
  SetFileAttributesW(wide_temp.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(wide_temp.c_str());
  if (!CopyFileW(Wide_Path(path).c_str(), wide_temp.c_str(), TRUE)) return GetLastError();
  SetFileAttributesW(wide_temp.c_str(), FILE_ATTRIBUTE_NORMAL);
  HANDLE file = CreateFileW(wide_temp.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD code = file == INVALID_HANDLE_VALUE ? GetLastError()
               : FlushFileBuffers(file)     ? 0
                                            : GetLastError();
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  if (code == 0 && !MoveFileExW(wide_temp.c_str(), Wide_Path(kept).c_str(), MOVEFILE_WRITE_THROUGH))
    code = GetLastError();
  if (code != 0) DeleteFileW(wide_temp.c_str());
  return code;
}

}  // namespace

bool Same_Bytes(const std::string& a, const std::string& b) {
  HANDLE one = Open_To_Read(a), two = Open_To_Read(b);
  LARGE_INTEGER size_one, size_two;
  bool same = one != INVALID_HANDLE_VALUE && two != INVALID_HANDLE_VALUE &&
              GetFileSizeEx(one, &size_one) && GetFileSizeEx(two, &size_two) &&
              size_one.QuadPart == size_two.QuadPart;
  static char buffer_one[1 << 16], buffer_two[1 << 16];
  while (same) {
    DWORD got_one = 0, got_two = 0;
    same = Read_Full(one, buffer_one, sizeof buffer_one, &got_one) &&
           Read_Full(two, buffer_two, sizeof buffer_two, &got_two) && got_one == got_two &&
           std::memcmp(buffer_one, buffer_two, got_one) == 0;
    if (got_one < sizeof buffer_one) break;
  }
  if (one != INVALID_HANDLE_VALUE) CloseHandle(one);
  if (two != INVALID_HANDLE_VALUE) CloseHandle(two);
  return same;
}

void Remove_Temporaries(const std::string& folder) {
  static std::set<std::string> done;
  if (!done.insert(Utf8::Fold(folder)).second) return;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(Wide_Path(folder + ".morvane-*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    std::string name = Narrow(found.cFileName);
    std::wstring path = Wide_Path(folder + name);
    if (Is_Temporary_Name(name) && !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      // A copy of a read-only package was read-only too.
      SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileW(path.c_str());
    }
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

int Keep(const std::string& path, const std::string& keep, std::string* kept) {
  std::string folder = Folder_Part(keep);
  if (!folder.empty()) folder.pop_back();
  keep_folders.clear();
  int error = Make_Folders(folder, keep_folders);
  for (int n = 1; error == 0; ++n) {
    std::string name = n == 1 ? keep : Numbered(keep, n);
    if (Attributes(name) != INVALID_FILE_ATTRIBUTES) continue;
    DWORD code = GetLastError();
    if (code != ERROR_FILE_NOT_FOUND && code != ERROR_PATH_NOT_FOUND) {
      error = Errno_Of(code);
      break;
    }
    code = CreateHardLinkW(Wide_Path(name).c_str(), Wide_Path(path).c_str(), nullptr)
               ? 0
               : GetLastError();
    if (No_Link_Here(code)) code = Keep_Copy(path, name);
    if (code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS) continue;
    if (code != 0) {
      error = Errno_Of(code);
      break;
    }
    if (kept) *kept = name;
    return 0;
  }
  Remove_Keep_Folders();
  return error;
}

void Unkeep(const std::string& kept) {
  DeleteFileW(Wide_Path(kept).c_str());
  Remove_Keep_Folders();
}

std::vector<std::string> Names_In(const std::string& folder) {
  std::vector<std::string> names;
  std::string pattern = folder;
  if (!pattern.empty() && pattern.back() != '\\' && pattern.back() != '/') pattern += '\\';
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(Wide_Path(pattern + "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    std::string name = Narrow(found.cFileName);
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return names;
}

int Remove_Folder(const std::string& folder) {
  return RemoveDirectoryW(Wide_Path(folder).c_str()) ? 0 : Errno_Of(GetLastError());
}

int Make_Folder(const std::string& folder) {
  std::vector<std::string> made;
  return Make_Folders(folder, made);
}

int Move(const std::string& from, const std::string& to) {
  if (Attributes(to) != INVALID_FILE_ATTRIBUTES) return EEXIST;
  if (!MoveFileExW(Wide_Path(from).c_str(), Wide_Path(to).c_str(), MOVEFILE_WRITE_THROUGH))
    return Errno_Of(GetLastError());
  return 0;
}

Identity Identify(const std::string& path) {
  HANDLE file = CreateFileW(
      Wide_Path(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  BY_HANDLE_FILE_INFORMATION info;
  bool known = GetFileInformationByHandle(file, &info);
  CloseHandle(file);
  if (!known) return {};
  // The time in nanoseconds since 1970, as on Linux: the Windows build and
  // the native one read each other's records in a Wine prefix.
  int64_t zeit =
      (int64_t{info.ftLastWriteTime.dwHighDateTime} << 32) | info.ftLastWriteTime.dwLowDateTime;
  return {(int64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow,
          (zeit - 116444736000000000LL) * 100, info.dwVolumeSerialNumber,
          (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
}

int Link(const std::string& path, const std::string& name) {
  if (Attributes(name) != INVALID_FILE_ATTRIBUTES) return EEXIST;
  if (CreateHardLinkW(Wide_Path(name).c_str(), Wide_Path(path).c_str(), nullptr)) return 0;
  DWORD code = GetLastError();
  return No_Link_Here(code) ? EXDEV : Errno_Of(code);
}

int Sync_Folder(const std::string&) {
  return 0;
}

int Copy_Whole(const std::string& from, const std::string& to) {
  if (!CopyFileW(Wide_Path(from).c_str(), Wide_Path(to).c_str(), TRUE))
    return Errno_Of(GetLastError());
  // The copy takes the attributes of its source: a read-only one is
  // flushed with the attribute lifted for that moment.
  DWORD attributes = Attributes(to);
  bool read_only = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
  if (read_only) SetFileAttributesW(Wide_Path(to).c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  HANDLE file = CreateFileW(Wide_Path(to).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  bool flushed = file != INVALID_HANDLE_VALUE && FlushFileBuffers(file);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  if (read_only) SetFileAttributesW(Wide_Path(to).c_str(), attributes);
  if (flushed) return 0;
  DeleteFileW(Wide_Path(to).c_str());
  return EIO;
}

int Make_Read_Only(const std::string& path) {
  DWORD attributes = Attributes(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return Errno_Of(GetLastError());
  if (!SetFileAttributesW(Wide_Path(path).c_str(), attributes | FILE_ATTRIBUTE_READONLY))
    return Errno_Of(GetLastError());
  return 0;
}

int Make_Link(const std::string&, const std::string&) {
  return ENOSYS;
}

std::string Name_On_Disk(const std::string& path) {
  std::string name = path.substr(path.find_last_of("/\\") + 1);
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(Wide_Path(path).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return name;
  FindClose(search);
  std::string on_disk = Narrow(found.cFileName);
  // Only the same name in other letters: never its short name.
  return Utf8::Fold(on_disk) == Utf8::Fold(name) ? on_disk : name;
}

std::string Whole_Path(const std::string& folder) {
  bool whole = (folder.size() >= 2 && folder[1] == ':' &&
                (folder.size() == 2 || folder[2] == '\\' || folder[2] == '/')) ||
               folder.starts_with("\\\\") || folder.starts_with("//");
  if (whole || folder.empty()) return folder;
  std::wstring wide = Wide(folder);
  DWORD size = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (size == 0) return folder;
  std::wstring full(size, L'\0');
  size = GetFullPathNameW(wide.c_str(), size, full.data(), nullptr);
  full.resize(size);
  return Narrow(full);
}

std::string Link_Target(const std::string&) {
  return "";
}

int Held(const std::string& folder) {
  HANDLE file = CreateFileW(Wide_Path(folder + "\\morvane.lock").c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    DWORD code = GetLastError();
    return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND ? 0 : Errno_Of(code);
  }
  // Asked by taking the lock for a moment, shared: a run's is exclusive.
  OVERLAPPED at = {};
  int error = 0;
  if (LockFileEx(file, LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
    UnlockFileEx(file, 0, 1, 0, &at);
  } else {
    error = GetLastError() == ERROR_LOCK_VIOLATION ? EBUSY : Errno_Of(GetLastError());
  }
  CloseHandle(file);
  return error;
}

bool Makes_Folder_For(const std::string&) {
  return false;
}

std::FILE* Null_Stream() {
  return _wfopen(L"NUL", L"wb");
}

int Hold(const std::string& folder) {
  // The handle and its lock stay to the end of the process; Windows lets go
  // of them when it ends, however it ends. Under Wine the lock is a record
  // lock of the system too, which the native build meets on the same byte.
  std::string path = folder + "\\morvane.lock";
  HANDLE file = CreateFileW(Wide_Path(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    DWORD code = GetLastError();
    return code == ERROR_PATH_NOT_FOUND ? ENOENT : Errno_Of(code);
  }
  if (GetFileType(file) != FILE_TYPE_DISK) {
    CloseHandle(file);
    return EINVAL;
  }
  // A run that has just ended may still hold it for a moment.
  for (int tries = 0;; ++tries) {
    OVERLAPPED at = {};
    if (LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at))
      return 0;
    DWORD code = GetLastError();
    if (code != ERROR_LOCK_VIOLATION || tries == 10) {
      CloseHandle(file);
      return code == ERROR_LOCK_VIOLATION                                    ? EBUSY
             : code == ERROR_NOT_SUPPORTED || code == ERROR_INVALID_FUNCTION ? ENOLCK
                                                                             : Errno_Of(code);
    }
    Sleep(100);
  }
}

bool May_Change(const std::string& path) {
  std::string folder = Folder_Part(path);
  // A missing folder is made in the one above it.
  if (!folder.empty() && Attributes(folder) == INVALID_FILE_ATTRIBUTES &&
      GetLastError() == ERROR_FILE_NOT_FOUND) {
    folder.pop_back();
    folder = Folder_Part(folder);
  }
  HANDLE opened = CreateFileW(Wide_Path(folder).c_str(), FILE_ADD_FILE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (opened == INVALID_HANDLE_VALUE) return GetLastError() != ERROR_ACCESS_DENIED;
  CloseHandle(opened);
  return true;
}

}  // namespace Host_Files
