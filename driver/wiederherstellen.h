// Undoing a run (--restore), from its record: each moved package back in
// the Cache, each copy taken away, each kept file back where it stood, the
// index as the run read it; a run folder without a record (made by Morvane
// 0.91) by the names of its kept files. Its preview (-n --restore) is the
// same pass, whose steps are only said.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "driver/protokoll.h"
#include "driver/zugriff.h"

// Removes what is empty of the run folders in the installation's
// Morvane-Sicherung, every run's (a file held open may have kept one from
// going): their type folders, the run folders, Morvane-Sicherung itself;
// and the same in each further installation `weitere`.
void leere_laufordner_entfernen(const std::string& installation, const std::string& trenner,
                                const std::vector<std::string>& weitere = {});

// Before a run: where the latest run of the installation was cut short
// right after keeping a file, before its copy replaced it, the kept file
// goes (the file itself still stands where it stood): the next keep must
// not keep it a second time. A record that names a place outside its
// installations ends the run before anything changes.
void abgebrochenen_lauf_aufraeumen(const std::string& utpfad, const std::string& trenner);

// --restore in the installation `utpfad` (paths joined with `trenner`, its
// cache folder `cachepfad`): holds the cache; undoes its latest run still
// in effect, or the run folder `lauf` (in `sicherung`, the Morvane-Sicherung
// that the player named with it, which must be the installation's), in
// every installation that the run touched; finishes a restore cut short;
// sums up. `weitere` count only for a run folder without a record. With
// Modus::vorschau nothing changes and the same lines say what it would do.
void wiederherstellen(const std::string& utpfad, const std::string& cachepfad,
                      const std::string& trenner, bool exakt,
                      const std::vector<std::string>& weitere, const std::string& lauf,
                      const std::string& sicherung, Modus modus);
