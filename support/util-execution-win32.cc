// Windows: every command goes to the command shell (cmd.exe), with no
// console input, on a command line in UTF-16 that holds every name whatever
// the code page. A COPY goes to a temporary name beside its target first:
// only a copy that is whole, as the disk shows, takes the target's name.
#include <windows.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "base/paths.h"
#include "base/utf8.h"
#include "platform/gwindows-errors.h"
#include "platform/host_files.h"
#include "platform/wide-win32.h"
#include "support/text_files.h"
#include "support/util-execution.h"

namespace Util::Execution {

namespace {

// A handle that the shell inherits, or the handle itself when there is none.
HANDLE Inherited(HANDLE handle) {
  HANDLE copy = nullptr;
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE ||
      !DuplicateHandle(GetCurrentProcess(), handle, GetCurrentProcess(), &copy, 0, TRUE,
                       DUPLICATE_SAME_ACCESS))
    return handle;
  return copy;
}

void Close_Copy(HANDLE copy, HANDLE original) {
  if (copy != original && copy != nullptr && copy != INVALID_HANDLE_VALUE) CloseHandle(copy);
}

// The shell on one command line, as std::system starts it, but reading from
// NUL: a question (DEL on a folder asks one) finds no answer to wait for.
// Without the AutoRun commands of the registry (/D), which would run before
// every command, and without delayed expansion (/V:OFF), which would take
// a "!" in a folder's name for a variable.
int Shell(const std::string& command) {
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE nul = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                           OPEN_EXISTING, 0, nullptr);
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE), err = GetStdHandle(STD_ERROR_HANDLE);
  STARTUPINFOW start = {};
  start.cb = sizeof start;
  start.dwFlags = STARTF_USESTDHANDLES;
  start.hStdInput = nul;
  start.hStdOutput = Inherited(out);
  start.hStdError = Inherited(err);
  const wchar_t* comspec = _wgetenv(L"COMSPEC");
  std::wstring line = Wide(Shell_Line(command));
  line.push_back(L'\0');
  PROCESS_INFORMATION process;
  BOOL started = CreateProcessW(comspec, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                &start, &process);
  Close_Copy(start.hStdOutput, out);
  Close_Copy(start.hStdError, err);
  if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
  if (!started) return -1;
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD status = 1;
  GetExitCodeProcess(process.hProcess, &status);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  return static_cast<int>(status);
}

bool Same_File_Size(const std::string& source, const std::string& copy) {
  int64_t want = -1, got = -2;
  return Host_Files::Look(source, Host_Files::Seen::read, &want) == Host_Files::Kind::file &&
         Host_Files::Look(copy, Host_Files::Seen::read, &got) == Host_Files::Kind::file &&
         want == got;
}

bool Flush_File(const std::string& path) {
  HANDLE file = CreateFileW(Wide_Path(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  BOOL flushed = FlushFileBuffers(file);
  DWORD code = GetLastError();
  CloseHandle(file);
  SetLastError(code);
  return flushed;
}

// The system's words for `code`, without the line end.
std::string Words_For(DWORD code) {
  std::string why = GWindows::Errors::Error_To_String(code);
  while (!why.empty() && (why.back() == '\n' || why.back() == '\r')) why.pop_back();
  return why;
}

// The system's words for why a copy failed, as the shell writes them.
int Failed(DWORD code) {
  Text_Files::Put_Line(Words_For(code));
  return 1;
}

// Removes a copy's temporary file, which is read-only when its package is.
void Remove_Temporary(const std::string& temp) {
  SetFileAttributesW(Wide_Path(temp).c_str(), FILE_ATTRIBUTE_NORMAL);
  Host_Files::Remove(temp);
}

DWORD Attributes(const std::string& path) {
  return GetFileAttributesW(Wide_Path(path).c_str());
}

// 0 when the file at `path` (if any) may be replaced now; else why not, such
// as another program (the game) holding it open. Asked before its keep: a
// kept hard link of a file held so could not be taken back.
DWORD Not_Replaceable(const std::string& path) {
  HANDLE file = CreateFileW(Wide_Path(path).c_str(), DELETE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    DWORD code = GetLastError();
    return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND ? 0 : code;
  }
  CloseHandle(file);
  return 0;
}

// The system's words for why the file a copy would replace could not be kept.
int Not_Kept(const std::string& temp, int error) {
  Remove_Temporary(temp);
  DWORD code = error == ENOENT         ? ERROR_PATH_NOT_FOUND
               : error == ENAMETOOLONG ? ERROR_FILENAME_EXCED_RANGE
               : error == ENOSPC       ? ERROR_DISK_FULL
                                       : ERROR_ACCESS_DENIED;
  return Report_Not_Kept(GWindows::Errors::Error_To_String(code));
}

int Failed_With(const std::string& temp, DWORD code) {
  Remove_Temporary(temp);
  return Failed(code);
}

// What the shell refuses as a COPY's target, though not every version says
// so: a path longer than the system's usual limit, a target that is
// read-only. 0 when it takes it.
DWORD Shell_Refuses(const std::string& target) {
  if (Utf8::Utf16_Length(target) >= MAX_PATH) return ERROR_FILENAME_EXCED_RANGE;
  DWORD attributes = Attributes(target);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
    return ERROR_ACCESS_DENIED;
  return 0;
}

int Copy(const std::string& source, const std::string& target) {
  if (DWORD code = Shell_Refuses(target)) return Failed(code);
  // What copies cut short left in the folder goes; a folder at the temporary
  // name would take the copy in.
  Host_Files::Remove_Temporaries(Folder_Part(target));
  std::string name = Temporary_Name(target);
  // The temporary name is cut to fit the folder's path, but never below a
  // form that the sweep of temporary files knows (".morvane-" and a digit).
  size_t room = MAX_PATH - 1 - Utf8::Utf16_Length(Folder_Part(target));
  if (room < 10) return Failed(ERROR_FILENAME_EXCED_RANGE);
  if (name.size() > room) name.resize(room);
  std::string temp = Folder_Part(target) + name;
  Remove_Temporary(temp);
  if (Host_Files::Look(temp) == Host_Files::Kind::folder) return Failed(ERROR_ACCESS_DENIED);
  // A cached package beyond the shell's limit (an installation folder of
  // some 215 characters and more) is copied by the system itself, which
  // takes long paths; the shell cannot open it.
  int status = Utf8::Utf16_Length(source) < MAX_PATH
                   ? Shell(Copy_Command(source, temp))
                   : (CopyFileW(Wide_Path(source).c_str(), Wide_Path(temp).c_str(), FALSE)
                          ? 0
                          : Failed(GetLastError()));
  // The shell's status may say done when nothing was copied: ask the disk.
  if (status != 0 || !Same_File_Size(source, temp)) {
    Remove_Temporary(temp);
    return status != 0 ? status : 1;
  }
  // COPY gives the copy the package's read-only attribute, which neither the
  // copy nor the target is to have: the flush could not open it, nor the next
  // run replace the target.
  DWORD copied = Attributes(temp);
  if (copied != INVALID_FILE_ATTRIBUTES && (copied & FILE_ATTRIBUTE_READONLY) &&
      !SetFileAttributesW(Wide_Path(temp).c_str(), copied & ~FILE_ATTRIBUTE_READONLY))
    return Failed_With(temp, GetLastError());
  // The bytes on the disk, then the name: the cached file may go next.
  if (!Flush_File(temp)) return Failed_With(temp, GetLastError());
  // What stands at the target goes only where it is kept, unless the copy
  // holds it already; and it is kept only when the copy takes its place (the
  // game may hold the target open).
  std::string kept;
  if (DWORD code = Not_Replaceable(target)) return Failed_With(temp, code);
  if (Host_Files::Look(target, Host_Files::Seen::read) != Host_Files::Kind::absent &&
      !Host_Files::Same_Bytes(temp, target)) {
    if (int error = Host_Files::Keep(target, Keep_Path(target), &kept))
      return Not_Kept(temp, error);
  }
  if (!MoveFileExW(Wide_Path(temp).c_str(), Wide_Path(target).c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DWORD code = GetLastError();
    if (!kept.empty()) Host_Files::Unkeep(kept);
    return Failed_With(temp, code);
  }
  if (!kept.empty()) Report_Kept(kept);
  return 0;
}

}  // namespace

std::string Refusal(const std::string& target) {
  DWORD code = Shell_Refuses(target);
  if (code == 0) code = Not_Replaceable(target);
  if (code == 0 && !Host_Files::May_Change(target)) code = ERROR_ACCESS_DENIED;
  return code == 0 ? "" : Words_For(code);
}

std::string Delete_Refusal(const std::string&) {
  return "";
}

int Execute(const std::string& command) {
  std::fflush(stdout);
  if (!Fits_Shell(command)) return 1;
  Command words = Parse(command);
  if (words.verb == "copy" && words.arguments.size() == 2) {
    return Copy(words.arguments[0], words.arguments[1]);
  }
  // A cached package beyond the shell's limit is deleted by the system itself.
  if (words.verb == "del" && words.arguments.size() == 1 && words.switches.empty() &&
      Utf8::Utf16_Length(words.arguments[0]) >= MAX_PATH)
    return DeleteFileW(Wide_Path(words.arguments[0]).c_str()) ? 0 : Failed(GetLastError());
  return Shell(command);
}

}  // namespace Util::Execution
