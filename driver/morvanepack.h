// Finding the installed games and letting the user choose one.
#pragma once

#include <string>

// A game installation to work on.
struct Installation {
  std::string name;    // as the list shows it
  std::string folder;  // the installation folder (`utpfad`)
  // A native game's folder: names there are exact, as the game reads them.
  // Otherwise Wine's rules (or Windows' own) find them in any letter case.
  bool exact_names = false;
  // A folder found or named as a Linux path (a native game's, Steam's, one
  // the player typed), joined with "/"; otherwise a Windows path, as the
  // registry gives it, joined with "\\".
  bool linux_path = false;
};

// Lists the installations registered under HKEY_LOCAL_MACHINE\SOFTWARE\Unreal
// Technology\Installed Apps, then (natively, unless WINEPREFIX names one
// prefix) those registered in the Wine prefixes of the game launchers,
// named with launcher and prefix, then the games in Steam's libraries that
// no registry listed, then the native games' folders that hold a Cache;
// asks for the number of one and returns it: a registered one with its
// "Folder" value unchanged (empty when it has none), its prefix in use from
// then on. The rest of the answer line is taken. Registry_Error when
// nothing is found anywhere or the registry cannot be read; Data_Error or
// End_Error for an answer that is no number, Constraint_Error for a number
// outside the list.
Installation utinstallationen();

// The installation in `ordner`, named on the command line: a Linux path
// ("~" the home; one in a Wine prefix's drive C: is the game's C:\ path
// there, with that prefix in use, and a Steam game's folder has Proton's
// prefix), or a Windows path in the prefix in use; a native game's folder
// with exact names. Whether it holds a Cache is for the caller to look at.
// Name_Error for an empty name.
Installation genannte_installation(std::string ordner);
