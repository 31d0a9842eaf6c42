// Undoing a run: from its record, or by the names of its kept files.
#include "driver/wiederherstellen.h"

#include <algorithm>
#include <map>

#include "base/errors.h"
#include "base/paths.h"
#include "driver/cacheverarbeitung.h"
#include "platform/host_files.h"
#include "support/text_files.h"
#include "support/util-execution.h"

namespace {

// The empty line that opens what a restore says of one package: written
// before its first line, so that a package of which nothing is said leaves
// none.
bool absatz_offen = false;

void melden(const std::string& zeile) {
  if (absatz_offen) Text_Files::New_Line();
  absatz_offen = false;
  Text_Files::Put_Line(zeile);
}

// A line in the words of a restore, or of its preview.
void sagen(Modus modus, const char* getan, const char* vorschau, const std::string& was) {
  melden((modus == Modus::vorschau ? vorschau : getan) + was);
}

bool steht_da(const std::string& pfad) {
  return Host_Files::Is_Link(pfad) ||
         Host_Files::Look(pfad, Host_Files::Seen::read) != Host_Files::Kind::absent;
}

// Whether what stands at a target is still what the run's copy left there:
// the same file, unchanged since (a record without that says: the
// package's bytes, `paket`, and no link).
bool wie_hinterlassen(const Ziel_Schritt& ziel, const std::string& paket) {
  if (ziel.stand.size >= 0) return Host_Files::Identify(ziel.ziel) == ziel.stand;
  return !Host_Files::Is_Link(ziel.ziel) && Host_Files::Same_Bytes(ziel.ziel, paket);
}

// Takes away what stands at the target of `ziel`: removed when it is what
// the run left there; else it is the player's, and is kept in this
// restore's run folder. True when nothing stands there afterwards.
bool wegnehmen(const Ziel_Schritt& ziel, const std::string& paket, Modus modus,
               Rueckgabe& rueckgabe) {
  const std::string& pfad = ziel.ziel;
  if (!steht_da(pfad)) return true;
  if (Host_Files::Look(pfad, Host_Files::Seen::read) == Host_Files::Kind::unknown) {
    melden("!! nicht zu entfernen: " + pfad + " !!");
    ++rueckgabe.fehlgeschlagen;
    return false;
  }
  if (wie_hinterlassen(ziel, paket)) {
    sagen(modus, "entferne ", "wuerde entfernen ", pfad);
    if (modus == Modus::vorschau) return true;
    if (Host_Files::Remove(pfad) == 0) return true;
  } else {
    std::string sicherung = Util::Execution::Next_Keep(pfad);
    melden("seit dem Lauf geaendert: " + pfad);
    if (modus == Modus::vorschau) {
      Text_Files::Put_Line("alte Fassung wuerde gesichert nach " + sicherung);
      return true;
    }
    if (Host_Files::Make_Folder(
            Folder_Part(sicherung).substr(0, Folder_Part(sicherung).size() - 1)) == 0 &&
        Host_Files::Move(pfad, sicherung) == 0) {
      Util::Execution::Report_Kept(sicherung);
      return true;
    }
  }
  melden("!! nicht zu entfernen: " + pfad + " !!");
  ++rueckgabe.fehlgeschlagen;
  return false;
}

// What became of a package that a restore puts back into the Cache.
enum class Im_Cache {
  zurueck,    // it is back (or, in a preview, would be)
  geblieben,  // it never left: the run's copy failed, or the run was cut short before its DEL
  nicht,      // it is no longer where the run left it: it stays out, and so does its line
};

// Brings the package of `schritt` back into the Cache `cache` from its
// place in the game folder, where the run put it; it stays there until
// its copies are taken away.
Im_Cache ins_cache(const Paket_Schritt& schritt, const std::string& cache, Modus modus) {
  Host_Files::Kind im_cache = Host_Files::Look(cache, Host_Files::Seen::read);
  if (im_cache == Host_Files::Kind::file) return Im_Cache::geblieben;
  if (im_cache != Host_Files::Kind::absent || Host_Files::Is_Link(cache)) {
    melden("!! nicht zu sehen, was im Cache steht: " + cache + " !!");
    return Im_Cache::nicht;
  }
  const Ziel_Schritt& haupt = schritt.ziele.front();
  int64_t groesse = -1;
  bool da = haupt.stand.size >= 0 ? Host_Files::Identify(haupt.ziel) == haupt.stand
                                  : !Host_Files::Is_Link(haupt.ziel) &&
                                        Host_Files::Look(haupt.ziel, Host_Files::Seen::read,
                                                         &groesse) == Host_Files::Kind::file &&
                                        groesse == schritt.groesse;
  if (!da) {
    melden("!! Paket nicht mehr da, wie der Lauf es hinterliess: " + haupt.ziel + " !!");
    return Im_Cache::nicht;
  }
  sagen(modus, "Paket zurueck in den Cache: ", "Paket wuerde zurueck in den Cache: ", cache);
  if (modus == Modus::vorschau) return Im_Cache::zurueck;
  // A second name of the file (a copy where the disk has no hard links).
  std::string gemacht;
  if (Host_Files::Keep(haupt.ziel, cache, &gemacht) == 0 && gemacht == cache &&
      Host_Files::Same_Bytes(haupt.ziel, cache))
    return Im_Cache::zurueck;
  if (!gemacht.empty()) Host_Files::Unkeep(gemacht);
  melden("!! Paket nicht in den Cache zu legen: " + cache + " !!");
  return Im_Cache::nicht;
}

// Undoes one package's step.
void paket_zuruecknehmen(const Protokoll& protokoll, const Paket_Schritt& schritt, Modus modus,
                         Rueckgabe& rueckgabe) {
  const std::string& t = protokoll.trenner;
  std::string cache = protokoll.installation + t + "Cache" + t +
                      (schritt.datei.empty() ? schritt.schluessel + ".uxx" : schritt.datei);
  absatz_offen = true;
  Im_Cache im_cache = ins_cache(schritt, cache, modus);
  if (im_cache == Im_Cache::nicht) {
    ++rueckgabe.fehlgeschlagen;
    absatz_offen = false;
    return;
  }
  // In a preview the package is still where the run put it.
  std::string paket =
      modus == Modus::vorschau && !steht_da(cache) ? schritt.ziele.front().ziel : cache;
  for (size_t i = schritt.ziele.size(); i-- > 0;) {
    const Ziel_Schritt& ziel = schritt.ziele[i];
    // What a copy cut short left beside the target goes first.
    if (modus == Modus::ausfuehren) Host_Files::Remove_Temporaries(Folder_Part(ziel.ziel));
    if (ziel.sicherung.empty()) {
      // Nothing stood there before the run; a folder that the run made for
      // it goes when nothing else is in it.
      if (wegnehmen(ziel, paket, modus, rueckgabe) && ziel.ordner && modus == Modus::ausfuehren)
        Host_Files::Remove_Folder(
            Folder_Part(ziel.ziel).substr(0, Folder_Part(ziel.ziel).size() - 1));
      continue;
    }
    // Nothing was kept there: the copy held what stood there already, or
    // the run was cut short before it. What stands there stays.
    if (!steht_da(ziel.sicherung) || !wegnehmen(ziel, paket, modus, rueckgabe)) continue;
    // Back under its own name, in its own letters.
    std::string zurueck = ziel.war.empty() ? ziel.ziel : Folder_Part(ziel.ziel) + ziel.war;
    sagen(modus, "lege zurueck nach ", "wuerde zuruecklegen nach ", zurueck);
    // A link comes back with the text it had, relative or not.
    bool als_link = !ziel.link.empty() && Host_Files::Is_Link(ziel.sicherung);
    if (modus == Modus::vorschau || (als_link ? Host_Files::Make_Link(ziel.link, zurueck) == 0 &&
                                                    Host_Files::Remove(ziel.sicherung) == 0
                                              : Host_Files::Move(ziel.sicherung, zurueck) == 0)) {
      ++rueckgabe.zurueck;
    } else {
      melden("!! Zuruecklegen fehlgeschlagen -> bleibt in Morvane-Sicherung !!");
      ++rueckgabe.fehlgeschlagen;
    }
  }
  absatz_offen = false;
  if (im_cache == Im_Cache::zurueck) ++rueckgabe.pakete;
  rueckgabe.zeilen.push_back({schritt.zeilennummer, schritt.zeile});
}

// The folder of a type without its backslashes ("Maps").
std::string ordnername(const Typ& typ) {
  return std::string(typ.subpfad.substr(1, typ.subpfad.size() - 2));
}

// A kept file of a run folder without a record: its path, and its number
// among the versions of its name ("DM-Foo (2).ut2" is the second).
struct Fassung {
  int nummer;
  std::string pfad;
};

// The name without its number " (n)" before the ending, and the number (1
// for none).
std::string grundname(const std::string& name, int& nummer) {
  size_t punkt = std::min(name.rfind('.'), name.size());
  size_t klammer = name.rfind(" (", punkt);
  nummer = 1;
  if (klammer == std::string::npos || punkt < klammer + 4 || name[punkt - 1] != ')') return name;
  std::string ziffern = name.substr(klammer + 2, punkt - 1 - (klammer + 2));
  if (ziffern.size() > 6 || ziffern[0] == '0' ||
      !std::all_of(ziffern.begin(), ziffern.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return name;
  nummer = std::stoi(ziffern);
  return name.substr(0, klammer) + name.substr(punkt);
}

// The kept files of a run folder without a record, by "<type
// folder><trenner><name>", each with its versions, oldest first. Only
// files of folders of its own: a link there is never followed.
std::map<std::string, std::vector<Fassung>> gesicherte(const std::string& laufordner,
                                                       const std::string& trenner) {
  std::map<std::string, std::vector<Fassung>> gefunden;
  for (const Typ& typ : typtabelle) {
    std::string ordner = laufordner + ordnername(typ);
    if (Host_Files::Is_Link(ordner)) continue;
    ordner += trenner;
    for (const std::string& name : Host_Files::Names_In(ordner)) {
      if (Host_Files::Is_Link(ordner + name) ||
          Host_Files::Look(ordner + name, Host_Files::Seen::read) != Host_Files::Kind::file)
        continue;
      int nummer = 1;
      std::string grund = grundname(name, nummer);
      gefunden[ordnername(typ) + trenner + grund].push_back({nummer, ordner + name});
    }
  }
  for (auto& [name, fassungen] : gefunden)
    std::sort(fassungen.begin(), fassungen.end(),
              [](const Fassung& a, const Fassung& b) { return a.nummer < b.nummer; });
  return gefunden;
}

// Whether `name` is a run folder as the program makes it: a folder of its
// own (no link), named for its time.
bool laufordner(const std::string& sicherung, const std::string& name) {
  return Util::Execution::Is_Run_Name(name) &&
         Host_Files::Look(sicherung + name, Host_Files::Seen::read) == Host_Files::Kind::folder &&
         !Host_Files::Is_Link(sicherung + name);
}

// Puts the oldest version back at `ziel` (what stands there is kept by the
// copy when it differs), then keeps the others beside it. False when the
// copy back failed: then every version stays where it is.
bool zuruecklegen(const std::vector<Fassung>& fassungen, const std::string& ziel, Modus modus) {
  const std::string& aelteste = fassungen.front().pfad;
  sagen(modus, "lege zurueck nach ", "wuerde zuruecklegen nach ", ziel);
  if (modus == Modus::vorschau) return true;
  if (Util::Execution::Execute(Util::Execution::Copy_Command(aelteste, ziel)) != 0 ||
      !Host_Files::Same_Bytes(aelteste, ziel))
    return false;
  Util::Execution::Execute(Util::Execution::Delete_Command(aelteste));
  for (size_t i = 1; i < fassungen.size(); ++i) {
    std::string gesichert;
    if (Host_Files::Keep(fassungen[i].pfad, Util::Execution::Keep_Path(ziel), &gesichert) != 0)
      continue;  // it stays in the old run folder
    Util::Execution::Report_Kept(gesichert);
    Host_Files::Remove(fassungen[i].pfad);
  }
  return true;
}

}  // namespace

std::string sicherung_von(const std::string& installation, const std::string& trenner) {
  return installation + trenner + "Morvane-Sicherung" + trenner;
}

void leere_laufordner_entfernen(const std::string& installation, const std::string& trenner) {
  std::string sicherung = sicherung_von(installation, trenner);
  for (const std::string& name : Host_Files::Names_In(sicherung)) {
    if (!Util::Execution::Is_Run_Name(name)) continue;
    for (const Typ& typ : typtabelle)
      Host_Files::Remove_Folder(sicherung + name + trenner + ordnername(typ));
    Host_Files::Remove_Folder(sicherung + name);
  }
  Host_Files::Remove_Folder(sicherung.substr(0, sicherung.size() - trenner.size()));
}

Rueckgang rueckgang_waehlen(const std::string& utpfad, const std::string& trenner,
                            const std::string& lauf) {
  std::string sicherung = sicherung_von(utpfad, trenner);
  Rueckgang rueckgang;
  Protokoll neuestes;
  std::string name = neuestes_protokoll(sicherung, trenner, neuestes, &rueckgang.hoechste);
  // Every record: which runs restores undid, and which are still in effect.
  std::vector<std::pair<long, std::string>> laeufe;
  std::vector<std::string> zurueckgenommen;
  for (const std::string& ordner : Host_Files::Names_In(sicherung)) {
    Protokoll gelesen;
    if (!laufordner(sicherung, ordner) ||
        !protokoll_lesen(sicherung + ordner + trenner + kProtokollname, gelesen))
      continue;
    if (gelesen.art == Art::wiederherstellung && gelesen.beendet)
      zurueckgenommen.push_back(gelesen.von);
    if (gelesen.art == Art::lauf && !gelesen.pakete.empty())
      laeufe.push_back({gelesen.nummer, ordner});
  }
  auto ist_zurueckgenommen = [&](const std::string& ordner) {
    return std::find(zurueckgenommen.begin(), zurueckgenommen.end(), ordner) !=
           zurueckgenommen.end();
  };
  auto nichts_mehr = [&](const std::string& ordner) {
    rueckgang.was = Rueckgang::Was::nichts;
    rueckgang.zurueckgenommen = ordner;
    std::sort(laeufe.rbegin(), laeufe.rend());
    for (const auto& [nummer, wirksam] : laeufe)
      if (!ist_zurueckgenommen(wirksam)) rueckgang.wirksam.push_back(wirksam);
    return rueckgang;
  };
  if (!lauf.empty()) {
    if (!laufordner(sicherung, lauf))
      throw IO_Exceptions::Name_Error("kein Lauf von Morvane in " + sicherung + ": " + lauf);
    name = lauf;
    if (!protokoll_lesen(sicherung + lauf + trenner + kProtokollname, neuestes)) {
      rueckgang.was = Rueckgang::Was::alt;
      rueckgang.name = lauf;
      return rueckgang;
    }
    if (neuestes.art == Art::lauf && ist_zurueckgenommen(lauf)) return nichts_mehr(lauf);
  }
  if (name.empty()) {
    // No record anywhere: the latest run folder with kept files.
    std::vector<std::string> namen = Host_Files::Names_In(sicherung);
    std::sort(namen.rbegin(), namen.rend());
    for (const std::string& alt : namen)
      if (laufordner(sicherung, alt) && !gesicherte(sicherung + alt + trenner, trenner).empty()) {
        rueckgang.was = Rueckgang::Was::alt;
        rueckgang.name = alt;
        return rueckgang;
      }
    return rueckgang;
  }
  rueckgang.name = name;
  if (neuestes.art == Art::lauf) {
    rueckgang.was = Rueckgang::Was::lauf;
    rueckgang.lauf = name;
    rueckgang.protokoll = neuestes;
    return rueckgang;
  }
  // A restore that ended: what it undid stays undone.
  if (neuestes.beendet) return nichts_mehr(neuestes.von);
  rueckgang.lauf = neuestes.von;
  if (neuestes.alt) {
    rueckgang.was = Rueckgang::Was::fortsetzen;
    rueckgang.protokoll = neuestes;
    return rueckgang;
  }
  Protokoll von;
  if (!laufordner(sicherung, neuestes.von) ||
      !protokoll_lesen(sicherung + neuestes.von + trenner + kProtokollname, von) ||
      von.art != Art::lauf)
    throw IO_Exceptions::Name_Error("kein Lauf von Morvane in " + sicherung + ": " + neuestes.von);
  rueckgang.was = Rueckgang::Was::fortsetzen;
  rueckgang.protokoll = von;
  return rueckgang;
}

void lauf_zuruecknehmen(const Rueckgang& rueckgang, Modus modus, Rueckgabe& rueckgabe) {
  const Protokoll& protokoll = rueckgang.protokoll;
  for (auto schritt = protokoll.pakete.rbegin(); schritt != protokoll.pakete.rend(); ++schritt)
    paket_zuruecknehmen(protokoll, *schritt, modus, rueckgabe);
}

void nach_namen_zuruecklegen(const std::string& installation, const std::string& trenner,
                             const std::string& name, Modus modus, Rueckgabe& rueckgabe) {
  std::string sicherung = sicherung_von(installation, trenner);
  Text_Files::New_Line();
  if (!laufordner(sicherung, name)) {
    Text_Files::Put_Line("- nichts wiederherzustellen in " + sicherung);
    return;
  }
  std::string ordner = sicherung + name + trenner;
  sagen(modus, "stelle wieder her aus ", "wuerde wiederherstellen aus ", ordner);
  for (const auto& [pfad, fassungen] : gesicherte(ordner, trenner)) {
    if (zuruecklegen(fassungen, installation + trenner + pfad, modus)) {
      ++rueckgabe.zurueck;
    } else {
      Text_Files::Put_Line("!! Zuruecklegen fehlgeschlagen -> bleibt in Morvane-Sicherung !!");
      ++rueckgabe.fehlgeschlagen;
    }
  }
}

void abgebrochenen_lauf_aufraeumen(const std::string& utpfad, const std::string& trenner) {
  Protokoll protokoll;
  std::string sicherung = sicherung_von(utpfad, trenner);
  if (neuestes_protokoll(sicherung, trenner, protokoll).empty() || protokoll.beendet ||
      protokoll.art != Art::lauf)
    return;
  protokoll_pruefen(protokoll);
  // A kept file that still holds what stands at its target was kept just
  // before the cut: the copy never replaced it.
  for (const Paket_Schritt& schritt : protokoll.pakete)
    for (const Ziel_Schritt& ziel : schritt.ziele)
      if (!ziel.sicherung.empty() && steht_da(ziel.sicherung) &&
          (ziel.link.empty() ? !Host_Files::Is_Link(ziel.ziel) &&
                                   Host_Files::Same_Bytes(ziel.sicherung, ziel.ziel)
                             : Host_Files::Is_Link(ziel.sicherung) &&
                                   Host_Files::Link_Target(ziel.ziel) == ziel.link))
        Host_Files::Remove(ziel.sicherung);
}
