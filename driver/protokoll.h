// The record of a run: what it is about to do, package by package, written
// to its run folder in Morvane-Sicherung and handed to the system before
// the package is moved, so that a restore knows what the run did, and the
// next run what a run cut short left. A text a person can read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/host_files.h"

// One copy of a package: its target, and what stood there before.
struct Ziel_Schritt {
  std::string ziel;
  // Where what stood at the target goes when the copy replaces it (a
  // different file, or a link); "" when nothing stood there.
  std::string sicherung;
  std::string link;  // where a link that stood there led; "" for none
  // The name of what stood there, in its own letters, where they are not
  // those of the target ("a.ut2" for "A.ut2"); "" when they are.
  std::string war;
  bool ordner = false;     // the copy made the target's folder
  bool nur_lesen = false;  // what stood there was read-only
  // What the copy left at the target (size -1: not known, the run was cut
  // short before it was written).
  Host_Files::Identity stand;
  long zeile = 0;  // the record's line that names the target
};

// One package moved: its index line and every copy, the installation's first.
struct Paket_Schritt {
  long zeilennummer = 0;   // the line's number in the index, from 1
  std::string zeile;       // the line as the index holds it, byte for byte
  std::string schluessel;  // the key, as text
  int64_t groesse = -1;    // the package's size in bytes
  std::vector<Ziel_Schritt> ziele;
  // The package's name in the Cache, in its own letters, where they are not
  // those of the key; "" when they are.
  std::string datei;
  bool nur_lesen = false;  // the package in the Cache was read-only
};

enum class Art { lauf, wiederherstellung };

struct Protokoll {
  long nummer = 0;  // one more than the latest record's of the installation
  Art art = Art::lauf;
  std::string von;   // a restore: the run folder it undoes
  bool alt = false;  // a restore of a run folder without a record
  // The installation. Read back, the one where the record lies, in which
  // every place of the record is (a copied installation's record speaks of
  // the copy), whatever the run called it.
  std::string installation;
  std::string trenner;  // the separator of the installation's paths
  std::vector<std::string> weitere;
  // Only packages whose lines were all written before the record ended.
  std::vector<Paket_Schritt> pakete;
  bool beendet = false;  // the run ended; else it was cut short (or a restore failed in part)
  std::string pfad;      // where it was read
  // Why it may not be acted on: a path that leaves the installations it
  // names, with the record's line; "" when it may.
  std::string verweigert;
};
// Where an installation keeps what runs replaced, and their records: its
// Morvane-Sicherung, joined with `trenner` and ending in it.
std::string sicherung_von(const std::string& installation, const std::string& trenner);

// Whether `name` in `sicherung` is a run folder as the program makes it: a
// folder of its own (no link), named for its time.
bool ist_laufordner(const std::string& sicherung, const std::string& name);

// A further installation as the command line names it: a Linux path (its
// "~" made the home) joined with "/", a Windows path with "\".
struct Ort {
  std::string ordner, trenner;
};
Ort ort_von(std::string ordner);

// The record's name in a run folder.
extern const char kProtokollname[];

// Reads the record at `pfad` (in "<installation><t>Morvane-Sicherung<t><run>"):
// its paths in that installation and the further ones it names. False when
// there is none there, or what is there is no record of the program's (a
// link, another file). A record one of whose paths leaves those
// installations, or whose key is no key, is read as far as that line and
// says so in `verweigert`.
bool protokoll_lesen(const std::string& pfad, Protokoll& protokoll);

// The run folders with a record in `sicherung` (a path that ends in its
// separator): the name of the latest one (highest number) and its record;
// "" when there is none. A run's record without a package (a run that moved
// nothing, cut short) is none. `hoechste` gets the highest number of all (0
// for none).
std::string neuestes_protokoll(const std::string& sicherung, const std::string& trenner,
                               Protokoll& protokoll, long* hoechste = nullptr);

// This process's record, written in the run folder `ordner` (a path that
// ends in its separator). `kopf` gives all but the packages. Nothing is
// written before the first step (or protokoll_beginnen): a run that
// changes nothing leaves no record. `fortsetzen`: the record is there
// already and is written on.
void protokoll_vorbereiten(const Protokoll& kopf, const std::string& ordner,
                           bool fortsetzen = false);

// Makes ready this process's record of a run or a restore in the
// installation `utpfad`: a new one in a run folder of its own, numbered
// after the installation's latest (`hoechste`).
void protokoll_anlegen(Protokoll kopf, const std::string& utpfad, const std::string& trenner,
                       long hoechste);

// Ends a preview with the error with which a run in the installation
// `utpfad` would end before any change: where its record could not be
// made (something that is no folder at Morvane-Sicherung, a folder that
// may not be changed).
void protokoll_moeglich(const std::string& utpfad, const std::string& trenner);

// Writes the header now, when it was not written yet.
void protokoll_beginnen();

// Writes one package's step and hands it to the system before its copies
// are made; every 256 packages the record is on the disk itself. A later
// step of the same line takes the place of an earlier one.
void protokoll_paket(const Paket_Schritt& schritt);

// What the copies of `schritt` left at their targets (Ziel_Schritt::stand):
// written with the next step, or at the end.
void protokoll_stand(const Paket_Schritt& schritt);

// Ends the run with the error that a record refused (Protokoll::verweigert)
// names; nothing when it is not refused.
void protokoll_pruefen(const Protokoll& protokoll);

// Where the copy to the target numbered `ziel` (0: the installation's) of
// the step of line `zeilennummer` kept what stood there, when that is not
// where its step said (the disk changed after the step was written, or a
// lookup failed).
void protokoll_nachtrag(long zeilennummer, size_t ziel, const std::string& sicherung);

// The run folder of this process's record, ending in its separator; ""
// when none was begun.
std::string protokoll_ordner();

// Ends the record, and waits until it is on the disk. Nothing when none was begun.
void protokoll_ende();

// Removes the record begun when no package was written to it yet: for a
// run that ends with an error before its first package.
void protokoll_ohne_paket_verwerfen();

// Removes the record begun, with its run folder and Morvane-Sicherung
// where they are empty: for a run whose every step failed, which changed
// nothing and is not the one a restore should undo.
void protokoll_verwerfen();
