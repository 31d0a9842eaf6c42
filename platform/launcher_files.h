// Reads the files in which game launchers keep their libraries and their
// games' Wine prefixes: Steam's libraryfolders.vdf, a Lutris game's YAML
// and a Heroic GamesConfig JSON. What cannot be read gives nothing.
#pragma once

#include <string>
#include <vector>

namespace Launcher_Files {

// The library folders listed in Steam's libraryfolders.vdf, in the file's
// order: the "path" of each numbered entry, or the entry's own text in the
// older form of the file.
std::vector<std::string> Steam_Libraries(const std::string& vdf);

// The "prefix" in the "game" section of a Lutris game's configuration, or "".
std::string Lutris_Prefix(const std::string& yaml);

// The "winePrefix" of each game in a Heroic GamesConfig file.
std::vector<std::string> Heroic_Prefixes(const std::string& json);

}  // namespace Launcher_Files
