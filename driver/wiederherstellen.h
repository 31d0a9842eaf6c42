// Undoing a run (--restore), from its record: each moved package back in
// the Cache with its index line, each copy taken away, each kept file back
// where it stood; a run folder without a record (made by Morvane 0.91) by
// the names of its kept files.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "driver/protokoll.h"

// Where an installation keeps what runs replaced: its Morvane-Sicherung,
// joined with `trenner` and ending in it.
std::string sicherung_von(const std::string& installation, const std::string& trenner);

// Removes what is empty of the run folders in the installation's
// Morvane-Sicherung, every run's (a file held open may have kept one from
// going): their type folders, the run folders, Morvane-Sicherung itself.
void leere_laufordner_entfernen(const std::string& installation, const std::string& trenner);

// Whether a run or a restore changes the disk or only says what it would
// do (-n).
enum class Modus { ausfuehren, vorschau };

// What restores did, counted.
struct Rueckgabe {
  int pakete = 0;          // packages back in the Cache
  int zurueck = 0;         // kept files put back
  int fehlgeschlagen = 0;  // what could not be put back: it stays where it is
  // The index lines to put back: their numbers in the index the run read,
  // and their bytes.
  std::vector<std::pair<long, std::string>> zeilen;
};

// What --restore does in an installation.
struct Rueckgang {
  enum class Was {
    nichts,      // no run to undo
    lauf,        // undo the run `name` from its record
    fortsetzen,  // finish the restore `name` of the run in `protokoll`, cut short
    alt,         // a run folder without a record, by the names of its files
  } was = Was::nichts;
  // Nothing to do since a restore undid the run `zurueckgenommen`; the
  // runs in `wirksam` (latest first) are still in effect and can be undone
  // by their names.
  std::string zurueckgenommen;
  std::vector<std::string> wirksam;
  std::string name;  // the run folder in the chosen installation's Morvane-Sicherung
  std::string lauf;  // the run that is undone or done again
  // Its record; for a restore of a run without a record cut short, the
  // restore's own.
  Protokoll protokoll;
  long hoechste = 0;  // the highest record number there
};

// Chooses what --restore undoes in the installation `utpfad` (paths joined
// with `trenner`): the run folder `lauf`, or "" for the latest with a
// record (and where none has one, the latest with kept files). The latest
// record that is a restore cut short is finished; a run that a restore
// undid is not undone again, nor done again. Name_Error for a name that is
// no run folder of the program's (its form, "..", a path, a link, none of
// that name).
Rueckgang rueckgang_waehlen(const std::string& utpfad, const std::string& trenner,
                            const std::string& lauf);

// Undoes the run in `rueckgang` (lauf or fortsetzen) in every installation
// that its record names, steps in reverse order: the package goes back
// into the Cache, its copies are taken away, and what was kept goes back
// where it stood, a link as a link. Only what stands there as the run left
// it is removed; what differs is kept in this restore's run folder, as a
// run keeps it. The index lines come back in `rueckgabe.zeilen`.
void lauf_zuruecknehmen(const Rueckgang& rueckgang, Modus modus, Rueckgabe& rueckgabe);

// A run folder without a record: puts back, in the installation
// `installation`, the kept files of the run folder `name`, oldest version
// first, as Morvane 0.91 named them. Only files and folders of its own are
// followed, no links.
void nach_namen_zuruecklegen(const std::string& installation, const std::string& trenner,
                             const std::string& name, Modus modus, Rueckgabe& rueckgabe);

// Before a run: where the latest run of the installation was cut short
// right after keeping a file, before its copy replaced it, the kept file
// goes (the file itself still stands where it stood): the next keep must
// not keep it a second time.
void abgebrochenen_lauf_aufraeumen(const std::string& utpfad, const std::string& trenner);
