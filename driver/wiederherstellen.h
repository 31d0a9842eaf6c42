// Undoing a run (--restore): the files that one run kept in an
// installation's Morvane-Sicherung go back to where they stood.
#pragma once

#include <string>

// What restores did, counted.
struct Rueckgabe {
  int zurueck = 0;         // files put back
  int fehlgeschlagen = 0;  // files that stay kept: their copy back failed
};

// Puts back, in the installation `installation` (its paths joined with
// `trenner`), every file kept by the run whose folder in Morvane-Sicherung
// is named `lauf`, or by its latest run with kept files when `lauf` is
// empty. Where the run kept several versions of one name, the oldest (the
// one that stood before the run) goes back. What stands at a place now and
// differs is kept in its turn, in a new run folder, and so are the other
// versions: a restore can itself be undone. The restored run folder is
// removed once it is empty; a run folder of that name that is gone leaves
// nothing to do. Name_Error for a name that is no run folder of the
// program's (its form, "..", a path, a link). The cache and its
// index are not touched.
void wiederherstellen(const std::string& installation, const std::string& trenner,
                      const std::string& lauf, Rueckgabe& rueckgabe);
