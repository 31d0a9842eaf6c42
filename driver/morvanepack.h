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
// Technology\Installed Apps, then (natively, unless WINEPREFIX names one
// prefix) those registered in the Wine prefixes of the game launchers,
// named with launcher and prefix, then the native games' user folders;
// asks for the number of one and returns it: a registered one with its
// "Folder" value unchanged (empty when it has none), its prefix in use from
// then on. The rest of the answer line is taken. Registry_Error when
// nothing is found anywhere or the registry cannot be read; Data_Error or
// End_Error for an answer that is no number, Constraint_Error for a number
// outside the list.
Installation utinstallationen();
