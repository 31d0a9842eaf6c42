// The preview's runner and looker: the disk as a run would have left it.
#include "driver/vorschau.h"

#include "base/paths.h"
#include "base/utf8.h"
#include "support/text_files.h"
#include "support/util-execution.h"

namespace {

// A file on the disk is itself (two spellings of a name may be two files
// of a Linux folder); one that a copy of the preview would make is its name
// in any letter case.
std::string schluessel(const Vorschau& vorschau, const std::string& pfad) {
  if (vorschau.exakt) return pfad;
  std::string da = Host_Files::On_Disk(pfad);
  return da.empty() ? Utf8::Fold(pfad) : da;
}

const Vorschau::Stand* gesehen(const Vorschau& vorschau, const std::string& pfad) {
  auto stand = vorschau.geaendert.find(schluessel(vorschau, pfad));
  return stand == vorschau.geaendert.end() ? nullptr : &stand->second;
}

Host_Files::Kind ansehen(const Vorschau& vorschau, const std::string& pfad, Host_Files::Seen seen,
                         int64_t* groesse) {
  const Vorschau::Stand* stand = gesehen(vorschau, pfad);
  if (!stand) return Host_Files::Look(pfad, seen, groesse);
  if (!stand->da) return Host_Files::Kind::absent;
  if (groesse) *groesse = stand->groesse;
  return Host_Files::Kind::file;
}

// Whether anything stands at `pfad`, a link that leads nowhere included.
bool steht_da(const Vorschau& vorschau, const std::string& pfad) {
  const Vorschau::Stand* stand = gesehen(vorschau, pfad);
  if (stand) return stand->da;
  return Host_Files::Is_Link(pfad) || Host_Files::Look(pfad) != Host_Files::Kind::absent;
}

// Whether the copy of `paket` would hold what stands at `ziel` already.
bool gleich(const Vorschau& vorschau, const std::string& paket, const std::string& ziel) {
  const Vorschau::Stand* stand = gesehen(vorschau, ziel);
  if (stand)
    return stand->da && !stand->quelle.empty() && Host_Files::Same_Bytes(paket, stand->quelle);
  return !Host_Files::Is_Link(ziel) && Host_Files::Same_Bytes(paket, ziel);
}

int kopieren(Vorschau& vorschau, const std::string& paket, const std::string& ziel) {
  int64_t groesse = -1;
  if (ansehen(vorschau, paket, Host_Files::Seen::read, &groesse) != Host_Files::Kind::file) {
    Text_Files::Put_Line("Paket nicht im Cache: " + paket);
    return 1;
  }
  std::string ordner = Folder_Part(ziel);
  Host_Files::Kind art = Host_Files::Look(ordner.substr(0, ordner.size() - 1));
  if (art != Host_Files::Kind::folder &&
      !(art == Host_Files::Kind::absent && Host_Files::Makes_Folder_For(ziel))) {
    Text_Files::Put_Line("Zielordner fehlt: " + ordner);
    return 1;
  }
  // What the runner refuses before trying: a target that a copy of this
  // preview would have replaced is a new file by then.
  if (!gesehen(vorschau, ziel)) {
    std::string grund = Util::Execution::Refusal(ziel);
    if (!grund.empty()) {
      Text_Files::Put_Line(grund);
      return 1;
    }
  }
  if (steht_da(vorschau, ziel) && !gleich(vorschau, paket, ziel)) {
    // A keep whose folders could not be made refuses the copy.
    std::string grund = Util::Execution::Keep_Refusal(ziel);
    if (!grund.empty()) return Util::Execution::Report_Not_Kept(grund, true);
    // Numbered as the run's keep numbers it: past what stands there, and
    // past what this preview would have kept.
    std::string sicherung = Util::Execution::Next_Keep(
        ziel, [&vorschau](const std::string& pfad) { return steht_da(vorschau, pfad); });
    Text_Files::Put_Line("alte Fassung wuerde gesichert nach " + sicherung);
    vorschau.geaendert[schluessel(vorschau, sicherung)] = {true, "", 0};
    vorschau.gesichert.push_back(sicherung);
  }
  vorschau.geaendert[schluessel(vorschau, ziel)] = {true, paket, groesse};
  return 0;
}

// A DEL is taken as done, unless the runner would fail at it (a folder that
// this process may not change; on Windows a read-only package, or one that
// another program holds).
int loeschen(Vorschau& vorschau, const std::string& paket) {
  std::string grund = Util::Execution::Delete_Refusal(paket);
  if (!grund.empty()) {
    Text_Files::Put_Line(grund);
    return 1;
  }
  vorschau.geaendert[schluessel(vorschau, paket)] = {false, "", -1};
  return 0;
}

}  // namespace

Command_Runner vorschau_ausfuehren(Vorschau& vorschau) {
  return [&vorschau](const std::string& befehl) {
    Util::Execution::Command worte = Util::Execution::Parse(befehl);
    if (worte.verb == "copy" && worte.arguments.size() == 2)
      return kopieren(vorschau, worte.arguments[0], worte.arguments[1]);
    if (worte.verb == "del" && worte.arguments.size() == 1)
      return loeschen(vorschau, worte.arguments[0]);
    return 1;
  };
}

Looker vorschau_nachsehen(Vorschau& vorschau) {
  return [&vorschau](const std::string& pfad, Host_Files::Seen seen, int64_t* groesse) {
    return ansehen(vorschau, pfad, seen, groesse);
  };
}
