// The file-system calls of Windows itself: paths go to the system as they are.
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <set>

#include "base/paths.h"
#include "platform/cp1252.h"
#include "platform/host_files.h"

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
    default:
      return EIO;
  }
}

}  // namespace

std::FILE* Open(const std::string& path, const char* how, int* error) {
  errno = 0;
  std::FILE* stream = std::fopen(path.c_str(), how);
  *error = stream ? 0 : errno;
  return stream;
}

int Sync(std::FILE* stream, const std::string& path) {
  if (std::fflush(stream) != 0) return errno;
  HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  if (!FlushFileBuffers(handle)) return Errno_Of(GetLastError());
  // The folder may have been swapped for another: the name must still be the file's.
  HANDLE named =
      CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
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
  return DeleteFileA(path.c_str()) ? 0 : Errno_Of(GetLastError());
}

int Rename(const std::string& path, const std::string& new_name) {
  std::string to = Folder_Part(path) + new_name;
  return MoveFileA(path.c_str(), to.c_str()) ? 0 : Errno_Of(GetLastError());
}

// Windows itself answers for every other process: nothing is kept to trust.
Kind Look(const std::string& path, Seen, int64_t* size) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
    DWORD code = GetLastError();
    return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND ? Kind::absent
                                                                        : Kind::unknown;
  }
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return Kind::folder;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) return Kind::other;
  if (size) *size = (int64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
  return Kind::file;
}

bool Is_Link(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
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
  return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Makes `folder` (no separator at its end) and every missing folder above it.
int Make_Folders(const std::string& folder) {
  DWORD attributes = GetFileAttributesA(folder.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES)
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? 0 : ENOTDIR;
  std::string parent = Folder_Part(folder);
  if (!parent.empty()) parent.pop_back();
  if (parent.empty() || parent.size() >= folder.size()) return ENOENT;
  if (int error = Make_Folders(parent)) return error;
  if (!CreateDirectoryA(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
    return Errno_Of(GetLastError());
  return 0;
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
  if (!done.insert(Cp1252::Fold(folder)).second) return;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + ".morvane-*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    std::string path = folder + found.cFileName;
    if (Is_Temporary_Name(found.cFileName) &&
        !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      // A copy of a read-only package was read-only too.
      SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileA(path.c_str());
    }
  } while (FindNextFileA(search, &found));
  FindClose(search);
}

int Keep(const std::string& path, const std::string& keep, std::string* kept) {
  std::string folder = Folder_Part(keep);
  if (!folder.empty()) folder.pop_back();
  if (int error = Make_Folders(folder)) return error;
  for (int n = 1;; ++n) {
    std::string name = n == 1 ? keep : Numbered(keep, n);
    if (GetFileAttributesA(name.c_str()) != INVALID_FILE_ATTRIBUTES) continue;
    DWORD code = GetLastError();
    if (code != ERROR_FILE_NOT_FOUND && code != ERROR_PATH_NOT_FOUND) return Errno_Of(code);
    // A file system without hard links (FAT): the file moves.
    if (!CreateHardLinkA(name.c_str(), path.c_str(), nullptr)) {
      code = GetLastError();
      if (code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS) continue;
      if (!MoveFileExA(path.c_str(), name.c_str(), MOVEFILE_WRITE_THROUGH))
        return Errno_Of(GetLastError());
    }
    if (kept) *kept = name;
    return 0;
  }
}

int Hold(const std::string& folder) {
  // The handle and its lock stay to the end of the process; Windows lets go
  // of them when it ends, however it ends. Under Wine the lock is a record
  // lock of the system too, which the native build meets on the same byte.
  std::string path = folder + "\\morvane.lock";
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
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
      return code == ERROR_LOCK_VIOLATION ? EBUSY : Errno_Of(code);
    }
    Sleep(100);
  }
}

}  // namespace Host_Files
