// Windows paths found on a Linux file system the way Wine finds them: drive
// letters through the prefix's dosdevices, names in UTF-8 and compared
// without letter case. What is learnt of a folder's names is kept in a
// counting filter of fixed size, so that a folder is read once, not at every
// lookup, and memory stays the same however many names it holds.
#pragma once

#include <sys/stat.h>

#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace Wine_Paths {

// Where a Windows path lies here, and what stands there.
struct Found {
  std::string path;
  bool exists = false;
  // False when a folder on the way could not be read whole, so that a name
  // in another letter case may stand there unseen.
  bool certain = true;
  struct stat st = {};  // what stands there (lstat), when it exists
};

// What the program knows of the folders it has read: a counting Bloom filter
// of their names (in compare form, with the folder) and when each folder
// last changed as far as the filter knows. And the last few paths found:
// one step of the program (a lookup, then its copy or delete) finds its
// paths once; the program's own changes keep what they say true.
struct Names {
  std::vector<uint8_t> counters;  // four bits each
  std::unordered_map<std::string, timespec> folders_read;
  struct Recent {
    std::string windows_path;
    Found found;
  };
  std::array<Recent, 4> recent;
  size_t next_recent = 0;
  // Host folders below which names are exact (Is_Exact).
  std::vector<std::string> exact_roots;
};

// How far an answer "not there" may rest on the filter.
enum class Absence {
  known,  // a name the filter has not seen in an unchanged folder is not
          // there, and a path found a moment ago is as it was found
  read,   // looked up anew, and the folder read to be sure: another process
          // may have written there within the same tick of its clock. Every
          // path found before is forgotten: a new step begins
};

// Backslashes and slashes separate names, and empty names are skipped.
// "C:..." starts at $WINEPREFIX/dosdevices/c:, a leading separator at "/",
// anything else at the current folder. A name that stands on disk in another
// letter case is found as it stands; one that stands nowhere is taken as given.
Found Find(Names& names, const std::string& windows_path, Absence absence = Absence::known);

// Whether `host_path` is one of the folders whose names are exact, or lies
// below one: found as written, never in another letter case.
bool Is_Exact(const Names& names, const std::string& host_path);

// The program itself has just made or removed `host_path`: what the filter
// knows of its folder stays true without reading the folder again. (Its
// time is read anew at once: a folder read again later would count its
// names twice, and a removed name would then seem to be there still.)
void Note_Made(Names& names, const std::string& host_path);
void Note_Removed(Names& names, const std::string& host_path);

// The program itself has just put a file at `windows_path` (at
// `found.path`), whose lstat it knows: the next lookup of that path is
// answered from it, without asking the disk.
void Note_Found(Names& names, const std::string& windows_path, const Found& found);

// Forgets the paths found a moment ago: a call on them failed, so something
// may have changed that the program did not do.
void Forget_Recent(Names& names);

// A name as it stands on disk in the form in which Windows compares names:
// letters folded. A name that is no UTF-8 gets a form that no name of ours
// has.
std::string Compare_Form(const std::string& name);

// The folder of a host path: "" for a bare name, "/" for one in the root.
std::string Folder_Of(const std::string& host_path);

}  // namespace Wine_Paths
