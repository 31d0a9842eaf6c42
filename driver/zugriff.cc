// The restore's looks and steps: on the disk, or noted in a preview's view.
// A look takes what the program knows of a folder (the cache is held, and
// no step replaces what stands at its target: an absence that is no longer
// true makes the step fail, never lose anything), so that a folder is read
// once, not at every package. A preview's step is refused where the
// player may not change the folder, as the step itself would be.
#include "driver/zugriff.h"

#include <cerrno>

#include "base/paths.h"
#include "base/utf8.h"
#include "support/util-execution.h"

std::string schluessel(const Zugriff& zugriff, const std::string& pfad) {
  return zugriff.exakt ? pfad : Utf8::Fold(pfad);
}

bool gleicher_ort(const Zugriff& zugriff, const std::string& a, const std::string& b) {
  std::string ordner_a = Folder_Part(a), ordner_b = Folder_Part(b);
  if (schluessel(zugriff, a.substr(ordner_a.size())) !=
      schluessel(zugriff, b.substr(ordner_b.size())))
    return false;
  if (schluessel(zugriff, ordner_a) == schluessel(zugriff, ordner_b)) return true;
  Host_Files::Identity hier = Host_Files::Identify(ordner_a.substr(0, ordner_a.size() - 1));
  Host_Files::Identity dort = Host_Files::Identify(ordner_b.substr(0, ordner_b.size() - 1));
  return Host_Files::Same_File(hier, dort);
}

namespace {

const Zugriff::Stand* gesehen(const Zugriff& zugriff, const std::string& pfad) {
  if (!zugriff.vorschau) return nullptr;
  auto stand = zugriff.geaendert.find(schluessel(zugriff, pfad));
  return stand == zugriff.geaendert.end() ? nullptr : &stand->second;
}

// The path on the disk whose file stands at `pfad` in the view; "" when
// nothing would stand there.
std::string quelle(const Zugriff& zugriff, const std::string& pfad) {
  const Zugriff::Stand* stand = gesehen(zugriff, pfad);
  if (!stand) return pfad;
  return stand->da ? stand->quelle : "";
}

void notieren(Zugriff& zugriff, const std::string& pfad, bool da, const std::string& von) {
  zugriff.geaendert[schluessel(zugriff, pfad)] = {da, von};
}

}  // namespace

bool steht_da(const Zugriff& zugriff, const std::string& pfad) {
  std::string dort = quelle(zugriff, pfad);
  return !dort.empty() &&
         (Host_Files::Is_Link(dort) || Host_Files::Look(dort) != Host_Files::Kind::absent);
}

Host_Files::Kind art(const Zugriff& zugriff, const std::string& pfad, int64_t* groesse) {
  std::string dort = quelle(zugriff, pfad);
  if (dort.empty()) return Host_Files::Kind::absent;
  return Host_Files::Look(dort, Host_Files::Seen::known, groesse);
}

bool ist_link(const Zugriff& zugriff, const std::string& pfad) {
  std::string dort = quelle(zugriff, pfad);
  return !dort.empty() && Host_Files::Is_Link(dort);
}

Host_Files::Identity identitaet(const Zugriff& zugriff, const std::string& pfad) {
  std::string dort = quelle(zugriff, pfad);
  return dort.empty() ? Host_Files::Identity{} : Host_Files::Identify(dort);
}

bool gleiche_bytes(const Zugriff& zugriff, const std::string& a, const std::string& b) {
  std::string von = quelle(zugriff, a), nach = quelle(zugriff, b);
  return !von.empty() && !nach.empty() && Host_Files::Same_Bytes(von, nach);
}

std::string naechste_sicherung(const Zugriff& zugriff, const std::string& pfad) {
  if (!zugriff.vorschau) return Util::Execution::Next_Keep(pfad);
  return Util::Execution::Next_Keep(
      pfad, [&zugriff](const std::string& dort) { return steht_da(zugriff, dort); });
}

int zweiter_name(Zugriff& zugriff, const std::string& von, const std::string& nach,
                 bool verknuepfen) {
  if (zugriff.vorschau) {
    if (steht_da(zugriff, nach)) return EEXIST;
    if (!Host_Files::May_Change(nach)) return EACCES;
    notieren(zugriff, nach, true, quelle(zugriff, von));
    return 0;
  }
  // A second name of the file, its folder synced a batch at a time, as a
  // run syncs its own; a copy, flushed, where the disk has no hard links.
  int fehler = verknuepfen ? Host_Files::Link(von, nach) : EXDEV;
  if (fehler == 0) {
    zugriff.ungesynct.insert(Folder_Part(nach));
    if (++zugriff.verknuepft % 256 == 0) auf_die_platte(zugriff);
    return 0;
  }
  if (fehler != EXDEV) return fehler;
  fehler = Host_Files::Copy_Whole(von, nach);
  return fehler != 0 || Host_Files::Same_Bytes(von, nach) ? fehler : EIO;
}

int auf_die_platte(Zugriff& zugriff) {
  int fehler = 0;
  for (const std::string& ordner : zugriff.ungesynct) {
    int dort = Host_Files::Sync_Folder(ordner.substr(0, ordner.size() - 1));
    if (fehler == 0) fehler = dort;
  }
  zugriff.ungesynct.clear();
  return fehler;
}

int entfernen(Zugriff& zugriff, const std::string& pfad) {
  if (zugriff.vorschau) {
    if (!Host_Files::May_Change(pfad)) return EACCES;
    notieren(zugriff, pfad, false, "");
    return 0;
  }
  return Host_Files::Remove(pfad);
}

int verschieben(Zugriff& zugriff, const std::string& von, const std::string& nach) {
  if (zugriff.vorschau) {
    if (steht_da(zugriff, nach)) return EEXIST;
    if (!Host_Files::May_Change(von) || !Host_Files::May_Change(nach)) return EACCES;
    notieren(zugriff, nach, true, quelle(zugriff, von));
    notieren(zugriff, von, false, "");
    return 0;
  }
  std::string ordner = Folder_Part(nach);
  int fehler = Host_Files::Make_Folder(ordner.substr(0, ordner.size() - 1));
  return fehler != 0 ? fehler : Host_Files::Move(von, nach);
}

int link_zuruecklegen(Zugriff& zugriff, const std::string& von, const std::string& text,
                      const std::string& pfad) {
  if (zugriff.vorschau) return verschieben(zugriff, von, pfad);
  int fehler = Host_Files::Make_Link(text, pfad);
  return fehler != 0 ? fehler : Host_Files::Remove(von);
}
