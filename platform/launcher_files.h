// Reads the files in which game launchers keep their games' Wine prefixes (a
// Lutris game's YAML, a Heroic GamesConfig JSON), and the menu entry that
// OldUnreal's installer writes for the native game. What cannot be read
// gives nothing.
#pragma once

#include <string>
#include <vector>

namespace Launcher_Files {

// The "prefix" in the "game" section of a Lutris game's configuration, or "".
std::string Lutris_Prefix(const std::string& yaml);

// The "winePrefix" of each game in a Heroic GamesConfig file.
std::vector<std::string> Heroic_Prefixes(const std::string& json);

// The game's folder that a menu entry's Exec line starts ("<folder>/System/
// UT2004", quoted or not): "" when it starts no such program or is no
// menu entry.
std::string Desktop_Game_Folder(const std::string& desktop);

}  // namespace Launcher_Files
