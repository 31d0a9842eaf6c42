// The preview's runner and looker.
#include "driver/vorschau.h"

#include "base/paths.h"
#include "support/text_files.h"
#include "support/util-execution.h"

namespace {

Host_Files::Kind ansehen(const Vorschau& vorschau, const std::string& pfad, Host_Files::Seen seen,
                         int64_t* groesse) {
  auto geaendert = vorschau.geaendert.find(pfad);
  if (geaendert == vorschau.geaendert.end()) return Host_Files::Look(pfad, seen, groesse);
  if (geaendert->second < 0) return Host_Files::Kind::absent;
  if (groesse) *groesse = geaendert->second;
  return Host_Files::Kind::file;
}

int kopieren(Vorschau& vorschau, const std::string& paket, const std::string& ziel) {
  int64_t groesse = -1;
  if (ansehen(vorschau, paket, Host_Files::Seen::read, &groesse) != Host_Files::Kind::file) {
    Text_Files::Put_Line("Paket nicht im Cache: " + paket);
    return 1;
  }
  std::string ordner = Folder_Part(ziel);
  if (Host_Files::Look(ordner) != Host_Files::Kind::folder && !Host_Files::Makes_Folder_For(ziel)) {
    Text_Files::Put_Line("Zielordner fehlt: " + ordner);
    return 1;
  }
  if (ansehen(vorschau, ziel, Host_Files::Seen::read, nullptr) == Host_Files::Kind::file &&
      !Host_Files::Same_Bytes(paket, ziel)) {
    Text_Files::Put_Line("alte Fassung wuerde gesichert nach " + Util::Execution::Keep_Path(ziel));
    ++vorschau.gesichert;
  }
  vorschau.geaendert[ziel] = groesse;
  return 0;
}

}  // namespace

Command_Runner vorschau_ausfuehren(Vorschau& vorschau) {
  return [&vorschau](const std::string& befehl) {
    Util::Execution::Command worte = Util::Execution::Parse(befehl);
    if (worte.verb == "copy" && worte.arguments.size() == 2)
      return kopieren(vorschau, worte.arguments[0], worte.arguments[1]);
    if (worte.verb == "del" && worte.arguments.size() == 1) {
      vorschau.geaendert[worte.arguments[0]] = -1;
      return 0;
    }
    return 1;
  };
}

Looker vorschau_nachsehen(Vorschau& vorschau) {
  return [&vorschau](const std::string& pfad, Host_Files::Seen seen, int64_t* groesse) {
    return ansehen(vorschau, pfad, seen, groesse);
  };
}
