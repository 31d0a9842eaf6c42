// Every file-system call of the program, on Windows paths as the program
// builds them. On Windows the paths go to the system as they are; the
// native build finds them the way Wine does (drive letters through the
// prefix's dosdevices, names in any letter case) and keeps what it learns
// of the folders to itself.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace Host_Files {

// Calls that can fail return 0 when done, else the errno value that says why.

// std::fopen on the file that `path` names, in mode `how` ("rb", "wb", ...;
// "wbx": a new file only, EEXIST when anything stands at that name).
// Null, with `*error` set, when it cannot be opened: EISDIR for a folder, EIO
// when it cannot be told whether the file is there, ENXIO when what stands
// there is no file (a pipe, a device: it is opened without waiting).
std::FILE* Open(const std::string& path, const char* how, int* error);

// Hands what `stream` holds to the system and waits until it, and the name
// of the file `path`, are on the disk itself. EXDEV when `path` no longer
// names the file of `stream` (its folder was renamed and another put there).
int Sync(std::FILE* stream, const std::string& path);

// As Sync, for a file whose name went to the disk with an earlier Sync:
// its folder is not flushed again. EXDEV as there.
int Sync_Data(std::FILE* stream, const std::string& path);

int Remove(const std::string& path);

// Gives the file `path` the name `new_name` in its own folder. EEXIST when
// another file already has that name; a change of letter case alone is done.
int Rename(const std::string& path, const std::string& new_name);

// A file is a regular file; `other` is anything else that is no folder (a
// device, a pipe, a symbolic link that leads nowhere).
enum class Kind { absent, file, folder, other, unknown };

// How sure an answer `absent` must be.
enum class Seen {
  // From what the program knows of a folder it has read and changed itself.
  known,
  // Read from the folder now: another process may have written there.
  read,
};

// What stands at `path` (a symbolic link followed). `absent` only when that
// is certain: in no letter case, and not merely unreadable (that is `unknown`).
// For a file, `*size` (when given) gets its length in bytes.
Kind Look(const std::string& path, Seen seen = Seen::known, int64_t* size = nullptr);

// Whether the file at `path` is read-only (no write permission; on
// Windows its attribute). False when there is none.
bool Read_Only(const std::string& path);

// Whether a symbolic link (on Windows any reparse point) stands at `path`
// itself.
bool Is_Link(const std::string& path);

// The file that `path` names now, as the lookup finds it: on Linux a name
// may stand in several letter cases, each a file of its own, and a Windows
// name finds the one in its own letters first. "" where nothing stands,
// and on Windows, where a name in any letter case is the same file.
std::string On_Disk(const std::string& path);

// Names in `folder` and below it are matched exactly as written, in no
// other letter case, as a native game reads its user folder; and a copy to
// a target whose folder is missing right inside `folder` makes that folder
// (the game's Maps, System, ...). For the rest of the run. Nothing on
// Windows, which matches names itself.
void Exact_Names(const std::string& folder);

// Holds the folder `folder` for this process until it ends, however it
// ends, by a lock on the first byte of the file "morvane.lock" in it (made
// empty when missing, and left there: a removed one would let two runs hold
// two files of that name). A second process that asks for the same folder,
// under any spelling of its path, from either build and any Wine prefix,
// gets EBUSY. ENOENT or ENOTDIR when there is no such folder; EINVAL when
// what stands at that name is no file.
int Hold(const std::string& folder);

// The names of what stands in `folder` (files and folders, "." and ".."
// left out), read from the folder now; none when it cannot be read.
std::vector<std::string> Names_In(const std::string& folder);

// Removes the folder `folder` when it is empty. 0, or the errno value.
int Remove_Folder(const std::string& folder);

// Makes the folder `folder` (no separator at its end) and every missing
// folder above it, each on the disk. 0 when it stands there; ENOTDIR when
// something else stands at one of those names.
int Make_Folder(const std::string& folder);

// Gives what stands at `from` (a file, or a symbolic link as it is) the
// name `to`, in another folder of the same disk, on the disk when it
// returns 0. Never replaces: EEXIST when anything stands at `to`; EXDEV
// across disks.
int Move(const std::string& from, const std::string& to);

// Where the symbolic link at `path` leads, as its text says; "" when no
// link stands there (always on Windows).
std::string Link_Target(const std::string& path);

// Whether a run holds `folder` (as Hold does it) without taking it and
// without making anything: EBUSY when one does; 0 when none does, or there
// is no lock file (nor folder); else the errno value that says why it
// cannot be told.
int Held(const std::string& folder);

// Whether a copy to `target` would make its missing folder (a native
// game's Maps, System, ... right inside its user folder; never on Windows).
bool Makes_Folder_For(const std::string& target);

// A stream open for writing that takes everything and keeps nothing (the
// null device): the new index of a preview.
std::FILE* Null_Stream();

// Whether the files `a` and `b` hold the same bytes. False when they differ,
// and when either cannot be read whole or is no file.
bool Same_Bytes(const std::string& a, const std::string& b);

// Keeps the file `path` under the name `keep`, whose missing folders are
// made, while `path` stays where it is: by a hard link where the file system
// allows it (the file then stands under both names until `path` is
// replaced), else by a whole copy, flushed (a disk without hard links,
// another file system). A symbolic link is kept as one that leads where it
// led. A file already there is never replaced: the first free name of
// `keep`, then "name (2).ext", "name (3).ext", ..., is taken, and `*kept`
// gets it. Name and folders are on the disk when it returns 0; a keep that
// fails leaves nothing, not even the folders it made.
int Keep(const std::string& path, const std::string& keep, std::string* kept);

// Takes back the keep that Keep has just made under `kept`, with the folders
// it made for it: for a copy that could not take its target's place after all.
void Unkeep(const std::string& kept);

// Removes every file in `folder` (a path that ends in its separator) whose
// name has the form of a copy's temporary name (Temporary_Name): what a copy
// cut short left there, or an old index set aside for a new one. Once a
// folder for the run; nothing else is touched.
void Remove_Temporaries(const std::string& folder);

// Either way the copy is on the disk, with its name, when Copy returns:
// the cached file may go next.
enum class Copy_Mode {
  // The package's move within its installation: a hard link where the file
  // system allows, else a copy.
  move,
  // A copy of the bytes, to a further installation.
  copy,
};

// What became of the file that stood at a copy's target.
struct Kept {
  std::string name;  // where it was kept; "" when nothing was
  int error = 0;     // why it could not be kept: the copy then failed with it
};

// The native build's COPY (on Windows the shell copies): puts the content of the file `source` at
// `target`, replacing a file there whole; an interrupted copy leaves nothing that the next copy to
// the same target does not remove. ENOENT when there is no source, ENOTDIR when the target's folder
// is missing, EACCES for a read-only target, EISDIR for a folder at either name, EINVAL for a
// source that is no file (a pipe, a device), EIO when it cannot be told whether the target is
// there. A source that is a symbolic link is copied, never linked. A file at the target that
// differs from the source is first kept under `keep` (as Keep does it; none when `keep` is empty),
// and `kept` says where, or why it could not be: no copy replaces what it does not hold. The keep
// is taken back when the copy fails after it: the old file either stays at the target with
// nothing kept, or is kept with the copy in its place.
int Copy(const std::string& source, const std::string& target, Copy_Mode mode,
         const std::string& keep = "", Kept* kept = nullptr);

// What tells one file from another and from a later version of itself:
// its size, the time of its last change, and where it lies on its disk
// (device and inode; on Windows the volume's serial number and the file's
// index). A symbolic link is looked at itself, never followed.
struct Identity {
  int64_t size = -1;  // -1: nothing stands there
  int64_t time = 0;   // of the last change, in nanoseconds since 1970
  uint64_t volume = 0;
  uint64_t file = 0;
  bool operator==(const Identity&) const = default;
};
Identity Identify(const std::string& path);
// Whether two identities are of one file, or one folder.
inline bool Same_File(const Identity& a, const Identity& b) {
  return a.size >= 0 && b.size >= 0 && a.volume == b.volume && a.file == b.file;
}

// Gives the file at `path` the second name `name` (a hard link), where
// nothing stands (EEXIST else). EXDEV where the disk makes no link there
// (another disk, a file system without links, too many links). The name is
// on the disk once Sync_Folder has synced its folder.
int Link(const std::string& path, const std::string& name);

// Waits until the names in `folder` are on the disk (nothing on Windows,
// whose file systems keep their folders themselves).
int Sync_Folder(const std::string& folder);

// A copy of its own of the file `from` at `to`, where nothing stands (EEXIST
// else); on the disk when it returns 0.
int Copy_Whole(const std::string& from, const std::string& to);

// Takes every write permission from the file at `path` (on Windows: gives
// it the read-only attribute), as it was before a run moved it.
int Make_Read_Only(const std::string& path);

// Makes a symbolic link at `path` whose text is `text`; never replaces
// (EEXIST). ENOSYS on Windows, where the program keeps no links.
int Make_Link(const std::string& text, const std::string& path);

// The name of what stands at `path` in its own letters, which may differ
// from those of `path` where names match in any letter case; the name of
// `path` when nothing stands there.
std::string Name_On_Disk(const std::string& path);

// A further installation's folder as a run stores it: a folder named
// relative to the working folder (on Linux "./", "../"; on Windows any
// without a drive or server) becomes the whole path; any other stays as
// it is.
std::string Whole_Path(const std::string& folder);

// Whether the folder of `path` lets this process put a file there, replace
// the one at `path` or remove it: it may write into the folder (into the one
// above it, for a missing folder that a copy would make), and in a folder
// with the sticky bit (Linux) the file at `path`, or the folder, is the
// process's own. True when that cannot be told.
bool May_Change(const std::string& path);

}  // namespace Host_Files
