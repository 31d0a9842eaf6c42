// Reads Steam's own files: the libraries that libraryfolders.vdf lists and
// the folder that an app's manifest (appmanifest_<app>.acf) names. What
// cannot be read gives nothing.
#pragma once

#include <string>
#include <vector>

namespace Steam_Files {

// The library folders listed in Steam's libraryfolders.vdf, in the file's
// order: the "path" of each numbered entry, or the entry's own text in the
// older form of the file.
std::vector<std::string> Libraries(const std::string& vdf);

// The "installdir" of an app's manifest: the name of the app's folder in
// the library's steamapps/common. "" when there is none, or when it would
// lead elsewhere (a path, "..", a drive) or is no name a folder can have.
std::string Installdir(const std::string& acf);

}  // namespace Steam_Files
