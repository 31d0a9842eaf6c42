// The whole run of the program, from the banner to the closing prompt.
#pragma once

#include <string>
#include <vector>

#include "platform/host_files.h"
#include "support/text_files.h"

// Shows the banner, lets the user choose an installation, empties its cache
// into the game folders (and those of the `argumente`, further installation
// folders, after any options), puts the new index in place of the old one,
// sums up what it did and waits for Enter. An option that asks for a text
// (--help, --version) shows it and ends the run there; -n shows what a run
// would do instead, changing nothing; --restore puts back what a run kept. Every failure is
// thrown as an Error and ends the run where it happens.
void morvane(std::vector<std::string> argumente);

// The cache's index files, as the run handles them and a restore too: the
// hold on the cache, opening the index, taking over what a run cut short
// left of it, and putting a new index in place of the old one.

// Ends the run with the report for `error`, what asking for the hold on
// `cacheordner` gave (Host_Files::Hold or Held): another run holds it, its
// file system cannot lock, or its lock file cannot be had. A missing folder
// holds nothing (opening the index then says so).
void halten_melden(int error, const std::string& cacheordner, const std::string& trenner);

// Holds the cache folder until the process ends: two runs on one cache
// would write one index each and remove each other's.
void cache_halten(const std::string& cacheordner, const std::string& trenner);

// What stands at one of the index's names, read from its folder now;
// Device_Error for a name that cannot be looked up.
Host_Files::Kind indexdatei(const std::string& pfad);

// A run that ended between removing the old index and renaming the new one
// left the only index under the name tempcache.ini: it becomes cache.ini
// again before anything else is done. A tempcache.ini beside an index, or
// a link at that name, goes, and so does an old index left beside it
// under a temporary name.
void index_retten(const std::string& cachepfad);

// What index_retten would do, said in a preview's words; true when the
// index would be taken over from tempcache.ini.
bool index_wuerde_gerettet(const std::string& cachepfad);

// Opens the index of a held cache (`cachepfad` ends in its separator),
// after index_retten; a missing one is made empty.
void alten_index_oeffnen(const std::string& cachepfad, Text_Files::File& cachedatei);

// Makes the new index, tempcache.ini, beside the open one; with `exakt`
// (a native game's) its line ends are the old one's.
void neuen_index_anlegen(const std::string& cachepfad, bool exakt, Text_Files::File& cachedatei,
                         Text_Files::File& tempdatei);

// Where the old index went to make way for the new one.
struct Alter_Index {
  std::string pfad;         // "" for none
  bool aufgehoben = false;  // in a run folder, where it stays
};

// The old index makes way for the new one: into `aufheben` (a run folder's
// copy of the index as the run read it), or where that cannot be, or is
// "", beside it under a temporary name until the new one has its name.
// Use_Error when it cannot move: it stays.
Alter_Index alten_index_weg(const std::string& cachepfad, const std::string& aufheben);

// The new index, on the disk and closed, takes the old one's name. Where it
// cannot, the old one comes back from `alt` (a copy of it, from a run
// folder), and the run ends saying so; the new one stays as tempcache.ini.
void neuen_index_umbenennen(const std::string& cachepfad, const Alter_Index& alt = {});

// The new index `tempdatei`, written whole, in place of the old one
// `cachedatei`: on the disk, and still at its name (the folder may have
// been swapped for a copy), before the old one goes (into `aufheben`).
void index_ersetzen(const std::string& cachepfad, Text_Files::File& cachedatei,
                    Text_Files::File& tempdatei, const std::string& aufheben = "");
