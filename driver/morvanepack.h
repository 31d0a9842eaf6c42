// Finding the installed games and letting the user choose one.
#pragma once

#include <string>

// A game installation to work on.
struct Installation {
  std::string name;    // as the list shows it
  std::string folder;  // the installation folder (`utpfad`)
  // A native game's user folder: names there are exact, as the game reads
  // them, and paths are written with "/". Otherwise a game registered in
  // the registry, whose folder is a Windows path.
  bool exact_names = false;
};

// Lists the installations registered under HKEY_LOCAL_MACHINE\SOFTWARE\Unreal
// Technology\Installed Apps, then the native games' user folders, asks for
// the number of one and returns it; a registered one with its "Folder" value
// unchanged (empty when it has none). The rest of the answer line is taken.
// Registry_Error when the key is missing and there is no user folder either,
// or the registry cannot be read; Data_Error or End_Error for an answer that
// is no number, Constraint_Error for a number outside the list.
Installation utinstallationen();
