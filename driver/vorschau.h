// A preview (-n, --dry-run): what a run would do, said and changed nowhere.
// The pass runs as in a run, against a view of the disk that answers each
// question as the disk would answer it after the commands before: its
// runner takes each command as done after saying what it would do, its
// looker sees what those commands would have left.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "driver/cacheverarbeitung.h"

// What the commands of a preview would have changed: by the file on the
// disk, or for a file that they would make, by its path as the file system
// compares names (in any letter case, unless `exakt`).
struct Vorschau {
  struct Stand {
    bool da = false;     // a file stands there; else it was removed
    std::string quelle;  // the file whose bytes stand there ("" for a kept file)
    int64_t groesse = -1;
  };
  std::map<std::string, Stand> geaendert;
  bool exakt = false;                  // names matched exactly, as in a native game's user folder
  std::vector<std::string> gesichert;  // where its copies would keep older files
};

// The runner: a COPY says where it would keep the file it would replace
// (numbered as a run numbers it), or why it would fail (a missing folder,
// a target that the runner refuses, a keep whose folders could not be
// made); a DEL is taken as done, unless the
// runner would refuse it. Nothing is run and nothing on the disk is touched.
Command_Runner vorschau_ausfuehren(Vorschau& vorschau);

// The looker: Host_Files::Look, but for what the preview's commands would
// have changed.
Looker vorschau_nachsehen(Vorschau& vorschau);
