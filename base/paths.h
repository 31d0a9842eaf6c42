// Windows paths as the program builds them: parts joined by backslashes
// (slashes are taken too).
#pragma once

#include <string>

// The path up to and with its last separator, "" when it has none: the
// folder to which a new name of the same file is joined.
inline std::string Folder_Part(const std::string& path) {
  size_t cut = path.find_last_of("\\/");
  return cut == std::string::npos ? "" : path.substr(0, cut + 1);
}
