// One pass over a cache index: every package of a known file type is copied
// under its proper name into the game folder for its type (and into the same
// folder of every extra installation), then deleted from the cache; every
// other line goes unchanged into the new index.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/host_files.h"
#include "support/text_files.h"

// A row of the table of file types: a name ending in `endung` belongs in
// the folder `subpfad` ("\\Maps\\") of an installation.
struct Typ {
  std::string_view endung;
  std::string_view subpfad;
};

// The folder of a type without its separators ("Maps").
inline std::string ordnername(const Typ& typ) {
  return std::string(typ.subpfad.substr(1, typ.subpfad.size() - 2));
}

// The table of file types, tried in this order; the first row whose ending
// ends the name wins.
extern const std::array<Typ, 8> typtabelle;

// Runs one command text and returns its exit status (0: done).
using Command_Runner = std::function<int(const std::string&)>;
// Says what stands at a path, and the size of a file (Host_Files::Look).
using Looker = std::function<Host_Files::Kind(const std::string&, Host_Files::Seen, int64_t*)>;

// The words of a pass about each line: a run's, or a preview's, which say
// what a run would do and cannot be taken for a thing done.
struct Worte {
  const char* kopiere;  // before the target of each copy
  const char* unbekannt;
  const char* inkompatibel;
  const char* unsicher;
  const char* fehlgeschlagen;
  const char* fehlt;
  const char* loeschen_fehlgeschlagen;
  const char* ordner_im_weg;
  const char* weitere_fehlgeschlagen;
};
extern const Worte lauf_worte;
extern const Worte vorschau_worte;

// What a pass did, counted.
struct Bilanz {
  int verschoben = 0;  // packages moved
  int behalten = 0;    // lines after "[Cache]" that stay in the index
  int entfernt = 0;    // lines dropped: their packages were gone from the cache
  int kopiert = 0;     // copies made, to any installation
  // The targets of the copies to further installations that failed.
  std::vector<std::string> fehlgeschlagen;
};

// A line as the console shows it: control characters, which a terminal
// would obey, as \x and two hex digits; a byte that is no character as "?".
std::string sichtbar(std::string_view text);

// The row of the table whose ending ends `zielname`; null for none.
const Typ* typ_von(std::string_view zielname);

// Whether a folder cannot go into a command line inside double quotes: what
// would end the quotes or be expanded by the command shell, what no Windows
// folder name holds, bytes that are no text (a Linux name that is no UTF-8).
bool unsicherer_ordner(std::string_view ordner);

// Whether a name from an index may not be used in a path: what the command
// shell expands, what leaves its folder, what Windows does not take in a
// file name, a device's name, another file's short name, no character.
bool unsicher(std::string_view name);

// Whether a pass writes each package's step to the run's record before it
// moves it (protokoll_paket): a run does, a preview does not.
enum class Aufzeichnung { keine, protokoll };

// Reads `cachedatei` from its start to its end and writes the new index to
// `tempdatei`; closes neither. `cachepfad` is `utpfad` followed by "\Cache\".
// Returns true when at least one line had the entry layout (a 34-character
// key, "=", a name). End_Error when the index ends before its "[Cache]" line.
// A package that is not in the cache loses its line without a command; one
// that is no file keeps it without a command; one whose copy does not stand
// whole at its target afterwards (a file of the package's size), or that is
// still there after its DEL, keeps it.
// A further installation written in the host's own form (Host_Path) gets
// its paths joined with "/". `bilanz`, when given, gets the counts of the pass.
// The console gets `worte`.
bool cacheverarbeitung(const std::string& utpfad, const std::string& cachepfad,
                       Text_Files::File& cachedatei, Text_Files::File& tempdatei,
                       const std::vector<std::string>& argumente, const Command_Runner& ausfuehren,
                       const Looker& nachsehen = Host_Files::Look, Bilanz* bilanz = nullptr,
                       const Worte& worte = lauf_worte,
                       Aufzeichnung aufzeichnung = Aufzeichnung::keine);
