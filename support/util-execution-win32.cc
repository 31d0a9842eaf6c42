// Windows: every command goes to the command shell (cmd.exe), with no
// console input, on a command line in UTF-16 that holds every name whatever
// the code page; one with a path beyond the shell's 260 units goes to the
// system's own calls. A COPY goes to a temporary name beside its target first:
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

// 0 when the file at `path` (if any) could be opened for deleting now with
// the sharing `share`; else why not, such as another program (the game)
// holding it open.
DWORD Not_Deletable(const std::string& path, DWORD share) {
  HANDLE file = CreateFileW(Wide_Path(path).c_str(), DELETE, share, nullptr, OPEN_EXISTING,
                            FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    DWORD code = GetLastError();
    return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND ? 0 : code;
  }
  CloseHandle(file);
  return 0;
}

// 0 when the file at `path` (if any) may be replaced now: no other program
// has it open at all. One that shares it even for deleting still stands in
// the way of a new file at its name. Asked before its keep: a kept hard
// link of a file held so could not be taken back.
DWORD Not_Replaceable(const std::string& path) {
  return Not_Deletable(path, 0);
}

// The system's words for why the file a copy would replace could not be kept.
DWORD Not_Kept_Code(int error) {
  return error == ENOENT         ? ERROR_PATH_NOT_FOUND
         : error == ENAMETOOLONG ? ERROR_FILENAME_EXCED_RANGE
         : error == ENOSPC       ? ERROR_DISK_FULL
                                 : ERROR_ACCESS_DENIED;
}

int Not_Kept(const std::string& temp, int error) {
  Remove_Temporary(temp);
  return Report_Not_Kept(GWindows::Errors::Error_To_String(Not_Kept_Code(error)));
}

int Failed_With(const std::string& temp, DWORD code) {
  Remove_Temporary(temp);
  return Failed(code);
}

// What the shell refuses to replace or delete, though not every version
// says so: a file that is read-only. 0 when it takes it.
DWORD Read_Only_Refused(const std::string& path) {
  DWORD attributes = Attributes(path);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
    return ERROR_ACCESS_DENIED;
  return 0;
}

// Whether the shell takes every path of a command: each below the
// system's usual limit. Beyond it the system's own calls do the work.
bool Shell_Takes(const std::vector<std::string>& paths) {
  for (const std::string& path : paths)
    if (Utf8::Utf16_Length(path) >= MAX_PATH) return false;
  return true;
}

int Copy(const std::string& source, const std::string& target) {
  if (DWORD code = Read_Only_Refused(target)) return Failed(code);
  // What copies cut short left in the folder goes; a folder at the temporary
  // name would take the copy in.
  Host_Files::Remove_Temporaries(Folder_Part(target));
  std::string temp = Folder_Part(target) + Temporary_Name(target);
  Remove_Temporary(temp);
  if (Host_Files::Look(temp) == Host_Files::Kind::folder) return Failed(ERROR_ACCESS_DENIED);
  // A path beyond the shell's limit (a cached package in an installation
  // folder of some 215 characters and more, a temporary name in a folder
  // of some 235) is copied by the system itself, which takes long paths.
  int status = Shell_Takes({source, temp})
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
  // holds it already (a link is what stands there, whatever it leads to);
  // and it is kept only when the copy takes its place (the game may hold the
  // target open).
  std::string kept;
  if (DWORD code = Not_Replaceable(target)) return Failed_With(temp, code);
  if (Host_Files::Look(target, Host_Files::Seen::read) != Host_Files::Kind::absent &&
      (Host_Files::Is_Link(target) || !Host_Files::Same_Bytes(temp, target))) {
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
  DWORD code = Read_Only_Refused(target);
  if (code == 0) code = Not_Replaceable(target);
  if (code == 0 && !Host_Files::May_Change(target)) code = ERROR_ACCESS_DENIED;
  return code == 0 ? "" : Words_For(code);
}

// A file that another program holds open is not deleted (Execute); the
// shell's DEL leaves a read-only one. Each with the system's words.
std::string Delete_Refusal(const std::string& path) {
  DWORD code = Not_Deletable(path, 0);
  if (code == 0) code = Read_Only_Refused(path);
  return code == 0 ? "" : Words_For(code);
}

std::string Keep_Refusal(const std::string& target) {
  int error = Keep_Error(Keep_Path(target));
  return error == 0 ? "" : Words_For(Not_Kept_Code(error));
}

int Execute(const std::string& command) {
  std::fflush(stdout);
  if (!Fits_Shell(command)) return 1;
  Command words = Parse(command);
  if (words.verb == "copy" && words.arguments.size() == 2) {
    return Copy(words.arguments[0], words.arguments[1]);
  }
  if (words.verb == "del" && words.arguments.size() == 1 && words.switches.empty()) {
    // A package that another program holds open stays: even where that
    // program lets it be deleted, it would go only when the program lets go
    // of it, long after its line.
    if (DWORD code = Not_Deletable(words.arguments[0], 0)) return Failed(code);
    // A path beyond the shell's limit is deleted by the system itself.
    if (!Shell_Takes(words.arguments))
      return DeleteFileW(Wide_Path(words.arguments[0]).c_str()) ? 0 : Failed(GetLastError());
  }
  // A path beyond the shell's limit is renamed by the system itself; as
  // REN, never over another file.
  if (words.verb == "ren" && words.arguments.size() == 2 && words.switches.empty()) {
    std::string renamed = Folder_Part(words.arguments[0]) + words.arguments[1];
    if (!Shell_Takes({words.arguments[0], renamed}))
      return MoveFileExW(Wide_Path(words.arguments[0]).c_str(), Wide_Path(renamed).c_str(),
                         MOVEFILE_WRITE_THROUGH)
                 ? 0
                 : Failed(GetLastError());
  }
  return Shell(command);
}

}  // namespace Util::Execution
