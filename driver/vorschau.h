// A preview (-n, --dry-run): what a run would do, said and changed nowhere.
// Its runner takes each command as done after saying what it would do; its
// looker sees the disk as those commands would have left it.
#pragma once

#include <map>
#include <string>

#include "driver/cacheverarbeitung.h"

// What the commands of a preview would have changed, by path: a package
// copied (a file of that size) or deleted (-1); and how many older files
// its copies would keep.
struct Vorschau {
  std::map<std::string, int64_t> geaendert;
  int gesichert = 0;
};

// The runner: a COPY says where it would keep the file it would replace,
// or why it would fail (a missing folder); a DEL is taken as done. Nothing
// is run and nothing on the disk is touched.
Command_Runner vorschau_ausfuehren(Vorschau& vorschau);

// The looker: Host_Files::Look, but for what the preview's commands would
// have changed.
Looker vorschau_nachsehen(Vorschau& vorschau);
