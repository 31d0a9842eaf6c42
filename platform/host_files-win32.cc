// The file-system calls of Windows itself: paths go to the system as they are.
#include <io.h>
#include <windows.h>

#include <cerrno>

#include "base/paths.h"
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

int Sync(std::FILE* stream, const std::string&) {
  if (std::fflush(stream) != 0) return errno;
  HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  return FlushFileBuffers(handle) ? 0 : Errno_Of(GetLastError());
}

int Remove(const std::string& path) {
  return DeleteFileA(path.c_str()) ? 0 : Errno_Of(GetLastError());
}

int Rename(const std::string& path, const std::string& new_name) {
  std::string to = Folder_Part(path) + new_name;
  return MoveFileA(path.c_str(), to.c_str()) ? 0 : Errno_Of(GetLastError());
}

// Windows itself answers for every other process: nothing is kept to trust.
Kind Look(const std::string& path, Seen) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    DWORD code = GetLastError();
    return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND ? Kind::absent
                                                                        : Kind::unknown;
  }
  return attributes & FILE_ATTRIBUTE_DIRECTORY ? Kind::folder : Kind::file;
}

}  // namespace Host_Files
