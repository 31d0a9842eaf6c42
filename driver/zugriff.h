// The disk as a restore reaches it: every look and every step of the
// restore goes through here. A restore's steps are done; a preview's are
// only noted, and what it looks at afterwards is the disk as those steps
// would have left it, so that the preview makes every choice the restore
// makes.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/host_files.h"

// Whether a run or a restore changes the disk or only says what it would
// do (-n).
enum class Modus { ausfuehren, vorschau };

// What a restore did, counted.
struct Rueckgabe {
  int pakete = 0;          // packages back in the Cache
  int zurueck = 0;         // kept files put back
  int fehlgeschlagen = 0;  // what could not be put back: it stays where it is
  // The index lines whose packages are in the Cache again: their numbers
  // in the index the run read, and their bytes.
  std::vector<std::pair<long, std::string>> zeilen;
};

struct Zugriff {
  bool vorschau = false;  // steps are noted, not done
  bool exakt = false;     // names matched exactly, as in a native game's user folder
  // What a preview's steps would have changed, by path as the file system
  // compares names: what would stand there (`da`), and the path on the disk
  // of the file or link that would (its bytes, identity and link text).
  struct Stand {
    bool da = false;
    std::string quelle;
  };
  std::map<std::string, Stand> geaendert;
  int gesichert = 0;  // files that the preview's steps would keep
  // Targets where a later step of the run replaced a file with one of the
  // same bytes: what stands there now stands for what an earlier step
  // left there.
  std::map<std::string, Host_Files::Identity> gleichwertig;
  // The folders of second names not yet synced, and how many were made.
  std::set<std::string> ungesynct;
  long verknuepft = 0;
};

// `pfad` as the file system compares names.
std::string schluessel(const Zugriff& zugriff, const std::string& pfad);

// Whether `a` and `b` name the same file: the same name, as the file system
// compares names, in the same folder, however that folder is spelt.
bool gleicher_ort(const Zugriff& zugriff, const std::string& a, const std::string& b);

// Looks.
bool steht_da(const Zugriff& zugriff, const std::string& pfad);
Host_Files::Kind art(const Zugriff& zugriff, const std::string& pfad, int64_t* groesse = nullptr);
bool ist_link(const Zugriff& zugriff, const std::string& pfad);
Host_Files::Identity identitaet(const Zugriff& zugriff, const std::string& pfad);
bool gleiche_bytes(const Zugriff& zugriff, const std::string& a, const std::string& b);
// Where the next keep for `pfad` lands, past what stands there and past
// what the preview would have kept.
std::string naechste_sicherung(const Zugriff& zugriff, const std::string& pfad);

// Steps; each returns 0 when done, else the errno value.
// A second name `nach` of the file `von` (Host_Files::Keep, under that name
// only); with `verknuepfen` false a copy of its own.
int zweiter_name(Zugriff& zugriff, const std::string& von, const std::string& nach,
                 bool verknuepfen = true);
// Waits until the second names made so far are on the disk.
int auf_die_platte(Zugriff& zugriff);
int entfernen(Zugriff& zugriff, const std::string& pfad);
// Moves what stands at `von` to `nach`, making the folders of `nach`.
int verschieben(Zugriff& zugriff, const std::string& von, const std::string& nach);
// A symbolic link at `pfad` with the text `text`, in place of the one at `von`.
int link_zuruecklegen(Zugriff& zugriff, const std::string& von, const std::string& text,
                      const std::string& pfad);
