// The Wine prefixes that game launchers (Steam, Lutris, Heroic, Bottles,
// PlayOnLinux) make for their games, found from the launchers' own files,
// and the choice of the prefix whose registry and drives are used.
#pragma once

#include <string>
#include <vector>

struct Launcher_Prefix {
  std::string launcher;  // "Steam", "Lutris", ...
  std::string folder;    // the prefix
  std::string shown;     // the prefix as the list shows it: the home as "~"
};

// Unless the player chose a prefix (WINEPREFIX): the prefixes with a
// registry that the launchers know of, each once and none that is the
// default prefix, in the order Steam, Lutris, Heroic, Bottles, PlayOnLinux.
// A place that cannot be read is passed over. None on Windows.
std::vector<Launcher_Prefix> Launcher_Prefixes();

// Whether Launcher_Prefixes looks at all: natively, when no WINEPREFIX
// names the one prefix.
bool Searches_Launchers();

// Where Launcher_Prefixes looks, in words for a player; "" when it does not.
std::string Launcher_Places();

// A UT2004 that Steam installed (app 13230), found by Steam's own files,
// whether a registry names it or not.
struct Steam_Game {
  std::string library;  // the Steam library, as the list shows it
  std::string folder;   // the game's folder: a Linux path, or on Windows a Windows path
  std::string prefix;   // the Wine prefix that Proton made for it; "" for none
};

// The Steam games of every Steam library that holds the game's manifest,
// in the order of Steam's list of libraries. A place that cannot be read,
// and a manifest whose folder's name leads out of steamapps/common, are
// passed over.
// On Windows the libraries of the Steam that the registry names; on Linux
// those of the player's Steam, unless the player chose a prefix.
std::vector<Steam_Game> Steam_Games();

// The folder of the native UT2004 that OldUnreal's installer put in, as
// the menu entry it writes names it ($XDG_DATA_HOME, else
// ~/.local/share, then applications/OldUnreal-UT2004.desktop); "" when
// there is none. Always "" on Windows.
std::string Native_Game_Folder();

// The Wine prefix that a folder named as a Linux path belongs to: the one
// whose drive C: holds it (`folder` then becomes its C:\ path, as the game
// there names it), or for a Steam game's folder Proton's prefix for it; ""
// for none, and always on Windows.
std::string Prefix_Of(std::string& folder);

// From now on the registry and the drives are those of `prefix`.
void Use_Prefix(const std::string& prefix);

// One text for every spelling of one installation folder (a Windows path,
// in the prefix in use): two prefixes that reach the same folder give the
// same text.
std::string Installation_Identity(const std::string& folder);

// Where `folder`, a Windows path in the prefix in use, lies on this
// computer, for a player who looks for it there: on Linux the folder it
// stands for, links resolved, the home written "~"; "" on Windows, where
// the game's path is the computer's.
std::string Place_On_This_Computer(const std::string& folder);
