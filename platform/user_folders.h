// Where the native games keep each player's files: the user folder that
// holds their download cache and is searched before the installation.
#pragma once

#include <string>
#include <vector>

// The user folders of the native games that hold a folder named exactly
// "Cache", in the order in which they are listed, as the program's text
// (Windows-1252; a character the code page lacks becomes "?"). None on
// Windows, whose games keep their cache in the installation.
std::vector<std::string> User_Folders();

// The folders of the native games, whether they hold a Cache or not, in the
// order of User_Folders. None on Windows.
std::vector<std::string> Native_Game_Folders();

// Where the platform looked for games besides the registry's key, for a
// player told that none was found: on Linux the Wine prefix's registry file,
// the launchers' places and the user folders' Cache folders, joined by ", ".
// Empty on Windows.
std::string Places_Searched();
