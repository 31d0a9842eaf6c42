// Turns a Windows path, as the program builds it, into the name under which
// this platform's file calls find the file. On Windows that is the path
// itself; elsewhere the path is resolved the way Wine resolves it.
#pragma once

#include <string>

// Backslashes and slashes separate components and empty components are
// skipped. "C:..." starts at $WINEPREFIX/dosdevices/c: ($HOME/.wine when
// WINEPREFIX is unset), a leading separator starts at "/", anything else is
// relative to the current folder. A component that names an existing entry in
// another letter case resolves to that entry; otherwise it is used as given.
std::string Host_Path(const std::string& path);

// Tells the resolver that the program itself has just created or removed the
// file `host_path` (a result of Host_Path), so that what it remembers of that
// folder's names stays true without reading the folder again.
void Note_Change(const std::string& host_path);
