// The whole run of the program, from the banner to the closing prompt.
#include "driver/morvane.h"

#include <algorithm>
#include <cerrno>
#include <map>

#include "base/errors.h"
#include "base/paths.h"
#include "base/utf8.h"
#include "driver/cacheverarbeitung.h"
#include "driver/fortschritt.h"
#include "driver/morvanepack.h"
#include "driver/optionen.h"
#include "driver/protokoll.h"
#include "driver/vorschau.h"
#include "driver/wiederherstellen.h"
#include "platform/host_files.h"
#include "platform/host_text.h"
#include "platform/launchers.h"
#include "support/text_files.h"
#include "support/ustrings.h"
#include "support/util-execution.h"
#include "support/util-files-text_io.h"

namespace {

const char kSterne[] = " *************************************";

// A banner line: the text centred between two asterisks, 38 characters in all.
std::string bannerzeile(const std::string& text) {
  const size_t innen = 35;
  size_t links = (innen - text.size()) / 2;
  return " *" + std::string(links, ' ') + text + std::string(innen - text.size() - links, ' ') +
         "*";
}

// A folder goes into command lines inside double quotes: one that cannot
// be handed over safely is refused.
void ordner_pruefen(const std::string& ordner) {
  if (unsicherer_ordner(ordner))
    throw IO_Exceptions::Name_Error("unsicherer Ordnername: " + ordner);
}

bool fehlt(const std::string& pfad) {
  return Host_Files::Look(pfad) == Host_Files::Kind::absent;
}

// A further installation must be there before anything changes: a
// mistyped folder would get no copies while the cache is emptied. What is
// looked at is what the copies use, the folder with its separator; an empty
// argument (an unset variable in a script) would name the root of the drive.
void ordner_vorhanden(const std::string& ordner) {
  if (ordner.empty() || Host_Files::Look(ordner + "\\") != Host_Files::Kind::folder)
    throw IO_Exceptions::Name_Error(ordner);
}

// The installation named on the command line must hold its Cache before
// anything changes: a mistyped folder is told, not searched for an index.
void installation_vorhanden(const std::string& utpfad, const std::string& trenner) {
  // A file or a device, and what its name with a separator does not reach
  // as a folder, is none.
  Host_Files::Kind art = Host_Files::Look(utpfad, Host_Files::Seen::read);
  if (art == Host_Files::Kind::absent)
    throw IO_Exceptions::Name_Error("Installation nicht gefunden: " + utpfad);
  if (art == Host_Files::Kind::unknown)
    throw IO_Exceptions::Name_Error("Installation nicht lesbar: " + utpfad);
  if (art != Host_Files::Kind::folder ||
      Host_Files::Look(utpfad + trenner, Host_Files::Seen::read) != Host_Files::Kind::folder)
    throw IO_Exceptions::Name_Error("Installation ist kein Ordner: " + utpfad);
  Host_Files::Kind cache =
      Host_Files::Look(utpfad + trenner + "Cache" + trenner, Host_Files::Seen::read);
  if (cache == Host_Files::Kind::unknown)
    throw IO_Exceptions::Name_Error("Installation nicht lesbar: " + utpfad);
  if (cache != Host_Files::Kind::folder)
    throw IO_Exceptions::Name_Error("kein Ordner Cache in der Installation: " + utpfad);
}

// The summary of a pass that met entries: moved, kept and removed add up to
// the lines after "[Cache]"; each failed copy is named by its target, so
// that it can be finished by hand, and with further installations
// (`weitere`) each installation's Morvane-Sicherung that got older files
// (`gesichert`, where they went), with their count. A preview's says what
// a run would do.
void bilanz_zeigen(const Bilanz& bilanz, const std::vector<std::string>& gesichert, bool vorschau,
                   const std::string& utpfad, const std::string& trenner,
                   const std::vector<std::string>& weitere) {
  std::string summe =
      vorschau ? "- Vorschau: Pakete wuerden verschoben: " : "- Pakete verschoben: ";
  summe +=
      std::to_string(bilanz.verschoben) + ", Zeilen behalten: " + std::to_string(bilanz.behalten);
  if (bilanz.entfernt > 0) summe += ", Zeilen entfernt: " + std::to_string(bilanz.entfernt);
  Text_Files::Put_Line(summe);
  if (!bilanz.fehlgeschlagen.empty())
    Text_Files::Put_Line((vorschau ? "- Kopien in weitere Installationen wuerden fehlschlagen: "
                                   : "- Kopien in weitere Installationen fehlgeschlagen: ") +
                         std::to_string(bilanz.fehlgeschlagen.size()));
  for (const std::string& ziel : bilanz.fehlgeschlagen) Text_Files::Put_Line("  " + ziel);
  if (gesichert.empty()) return;
  Text_Files::Put_Line((vorschau ? "- in Morvane-Sicherung wuerden alte Fassungen gesichert: "
                                 : "- alte Fassungen gesichert in Morvane-Sicherung: ") +
                       std::to_string(gesichert.size()));
  if (weitere.empty()) return;
  // Each Morvane-Sicherung once, in the order of the installations; each
  // kept file counted in the one whose path it begins with.
  std::vector<std::string> sicherungen = {sicherung_von(utpfad, trenner)};
  for (const std::string& ordner : weitere) {
    Ort ort = ort_von(ordner);
    std::string sicherung = sicherung_von(ort.ordner, ort.trenner);
    if (std::find(sicherungen.begin(), sicherungen.end(), sicherung) == sicherungen.end())
      sicherungen.push_back(sicherung);
  }
  for (std::string sicherung : sicherungen) {
    long anzahl = std::count_if(gesichert.begin(), gesichert.end(), [&](const std::string& pfad) {
      return pfad.starts_with(sicherung);
    });
    sicherung.pop_back();
    if (anzahl > 0) Text_Files::Put_Line("  " + sicherung + ": " + std::to_string(anzahl));
  }
}

// The run itself: holds the cache, makes the pass and puts the new index in
// place of the old one; each package is in the run's record before it
// moves. Returns whether the index had entries.
bool lauf(const std::string& utpfad, const std::string& cachepfad, const std::string& trenner,
          bool exakt, const std::vector<std::string>& argumente, Text_Files::File& cachedatei,
          Text_Files::File& tempdatei, Bilanz& bilanz) {
  cache_halten(utpfad + trenner + "Cache", trenner);
  abgebrochenen_lauf_aufraeumen(utpfad, trenner);
  // What a keep's copy cut short left goes, whether this run keeps or not.
  Host_Files::Remove_Temporaries(sicherung_von(utpfad, trenner));
  for (const std::string& weitere : argumente) {
    Ort ort = ort_von(weitere);
    Host_Files::Remove_Temporaries(sicherung_von(ort.ordner, ort.trenner));
  }
  // The index first: what is wrong with it is said as before.
  alten_index_oeffnen(cachepfad, cachedatei);
  Protokoll kopf;
  long hoechste = 0;
  neuestes_protokoll(sicherung_von(utpfad, trenner), trenner, kopf, &hoechste);
  kopf = Protokoll{};
  kopf.weitere = argumente;
  protokoll_anlegen(kopf, utpfad, trenner, hoechste);
  // Where no record can be written, nothing may move: told before anything
  // changes. A run that moves nothing removes it again, and so does one
  // that ends with an error before its first package.
  protokoll_beginnen();
  struct Verwerfen {
    ~Verwerfen() { protokoll_ohne_paket_verwerfen(); }
  } ohne_paket;
  neuen_index_anlegen(cachepfad, exakt, cachedatei, tempdatei);
  bool eintraege = cacheverarbeitung(utpfad, cachepfad, cachedatei, tempdatei, argumente,
                                     Util::Execution::Execute, Host_Files::Look, &bilanz,
                                     lauf_worte, Aufzeichnung::protokoll);
  // A failed copy takes back what it kept: nothing changed, nothing to
  // undo. Lines dropped for packages gone from the cache are a change.
  bool veraendert = bilanz.kopiert > 0 || Util::Execution::Kept_Count() > 0 || bilanz.entfernt > 0;
  // The index as the run read it stays in the run folder, for a restore.
  index_ersetzen(cachepfad, cachedatei, tempdatei,
                 veraendert ? protokoll_ordner() + "cache.ini" : "");
  // A keep taken back (the target held by another program) may have left
  // its folders: no run folder stays empty.
  leere_laufordner_entfernen(utpfad, trenner, argumente);
  if (!veraendert) {
    protokoll_verwerfen();
  } else {
    protokoll_ende();
  }
  return eintraege;
}

// The preview: the same pass with the preview's runner and looker and its
// words, on the index read where a run would find it, into no new index.
// Nothing is made, written, renamed or removed; a cache that a run holds
// ends it as it ends a second run.
bool vorschau_lauf(const std::string& utpfad, const std::string& cachepfad,
                   const std::string& trenner, const std::vector<std::string>& argumente,
                   Text_Files::File& cachedatei, Text_Files::File& tempdatei, Vorschau& vorschau,
                   Bilanz& bilanz) {
  std::string cacheordner = utpfad + trenner + "Cache";
  halten_melden(Host_Files::Held(cacheordner), cacheordner, trenner);
  // A Cache that the run could not hold: it makes the lock file where there
  // is none.
  std::string sperre = cachepfad + "morvane.lock";
  if (Host_Files::Look(sperre) == Host_Files::Kind::absent && !Host_Files::May_Change(sperre))
    throw IO_Exceptions::Use_Error(sperre);
  std::string index = cachepfad + "cache.ini";
  if (index_wuerde_gerettet(cachepfad)) index = cachepfad + "tempcache.ini";
  Text_Files::Open(cachedatei, Text_Files::In_File, index);
  Text_Files::Take_Byte_Order_Mark(cachedatei);
  protokoll_moeglich(utpfad, trenner);
  // Nor one that it could not write its new index into, which it makes
  // after its record.
  if (!Host_Files::May_Change(cachepfad + "tempcache.ini"))
    throw IO_Exceptions::Use_Error(cachepfad + "tempcache.ini");
  std::FILE* nirgends = Host_Files::Null_Stream();
  if (!nirgends) throw IO_Exceptions::Use_Error("(Vorschau)");
  Text_Files::Attach(tempdatei, nirgends, Text_Files::Out_File, "(Vorschau)");
  return cacheverarbeitung(utpfad, cachepfad, cachedatei, tempdatei, argumente,
                           vorschau_ausfuehren(vorschau), vorschau_nachsehen(vorschau), &bilanz,
                           vorschau_worte, Aufzeichnung::keine);
}

// The pass over the index, or its preview;
// `gesichert` gets where it kept files, or would keep them. Returns whether
// the index had entries.
bool durchgang(const std::string& utpfad, const std::string& cachepfad, const std::string& trenner,
               bool exakt, const std::vector<std::string>& weitere, Text_Files::File& cachedatei,
               Text_Files::File& tempdatei, Modus modus, Bilanz& bilanz,
               std::vector<std::string>& gesichert) {
  if (modus == Modus::ausfuehren) {
    bool eintraege =
        lauf(utpfad, cachepfad, trenner, exakt, weitere, cachedatei, tempdatei, bilanz);
    gesichert = Util::Execution::Kept_Paths();
    return eintraege;
  }
  Vorschau vorschau;
  vorschau.exakt = exakt;
  bool eintraege =
      vorschau_lauf(utpfad, cachepfad, trenner, weitere, cachedatei, tempdatei, vorschau, bilanz);
  gesichert = vorschau.gesichert;
  return eintraege;
}

}  // namespace

// Ends the run with the report for `error`, what asking for the hold on
// `cacheordner` gave (Host_Files::Hold or Held): another run holds it, its
// file system cannot lock, or its lock file cannot be had. A missing folder
// holds nothing (opening the index then says so).
void halten_melden(int error, const std::string& cacheordner, const std::string& trenner) {
  if (error == EBUSY)
    throw IO_Exceptions::Use_Error("wird gerade von einem anderen Lauf bearbeitet: " + cacheordner);
  // A network file system without its lock service: no run could hold it.
  if (error == ENOLCK)
    throw IO_Exceptions::Use_Error("Dateisystem ohne Sperren, kein Lauf kann den Ordner sperren: " +
                                   cacheordner);
  if (error != 0 && error != ENOENT && error != ENOTDIR)
    throw IO_Exceptions::Use_Error(cacheordner + trenner + "morvane.lock");
}

// Two runs on one cache would write one index each and remove each other's:
// the folder is held from before the first look at the index until the run
// ends. A missing folder holds nothing (opening the index then says so).
void cache_halten(const std::string& cacheordner, const std::string& trenner) {
  // Held once: a restore that does a run again holds it already.
  static std::string gehalten;
  if (gehalten == cacheordner) return;
  halten_melden(Host_Files::Hold(cacheordner), cacheordner, trenner);
  gehalten = cacheordner;
}

// What stands at one of the index's names, read from its folder now; a
// name that cannot be looked up ends the run before either index is
// opened, created or renamed.
Host_Files::Kind indexdatei(const std::string& pfad) {
  Host_Files::Kind art = Host_Files::Look(pfad, Host_Files::Seen::read);
  if (art == Host_Files::Kind::unknown) throw IO_Exceptions::Device_Error(pfad);
  return art;
}

// A run that ended between removing the old index and renaming the new one
// left the only index under the name tempcache.ini: it becomes cache.ini
// again before anything else is done. Only a file is taken for an index.
void index_retten(const std::string& cachepfad) {
  // An old index that made way for a new one that has its name now.
  Host_Files::Remove_Temporaries(cachepfad);
  Host_Files::Kind alt = indexdatei(cachepfad + "cache.ini");
  Host_Files::Kind neu = indexdatei(cachepfad + "tempcache.ini");
  if (neu == Host_Files::Kind::folder) throw IO_Exceptions::Use_Error(cachepfad + "tempcache.ini");
  // The program never makes a link there: one left at that name is nobody's
  // index, and what it points to is never written. It gives way to the new
  // index.
  if (Host_Files::Is_Link(cachepfad + "tempcache.ini")) {
    if (Host_Files::Remove(cachepfad + "tempcache.ini") != 0)
      throw IO_Exceptions::Use_Error(cachepfad + "tempcache.ini");
    return;
  }
  // Beside an index, a tempcache.ini is what a run cut short was writing: it
  // gives way, so that the new index is a new file (a hard link there would
  // have the new index written into the file it shares).
  if (alt != Host_Files::Kind::absent && neu == Host_Files::Kind::file) {
    if (Host_Files::Remove(cachepfad + "tempcache.ini") != 0)
      throw IO_Exceptions::Use_Error(cachepfad + "tempcache.ini");
    return;
  }
  if (alt != Host_Files::Kind::absent || neu != Host_Files::Kind::file) return;
  Text_Files::New_Line();
  Text_Files::Put_Line("- cache.ini fehlt: tempcache.ini des letzten Laufs wird uebernommen");
  if (Host_Files::Rename(cachepfad + "tempcache.ini", "cache.ini") != 0)
    throw IO_Exceptions::Use_Error(cachepfad + "tempcache.ini");
}

Alter_Index alten_index_weg(const std::string& cachepfad, const std::string& aufheben) {
  std::string index = cachepfad + "cache.ini";
  if (!aufheben.empty() && Host_Files::Move(index, aufheben) == 0) return {aufheben, true};
  // Beside it, under a name that the sweep of temporary files knows: one
  // left there by a run cut short is no index any more.
  std::string beiseite = cachepfad + Temporary_Name(index);
  Host_Files::Remove(beiseite);
  if (Host_Files::Move(index, beiseite) != 0) throw IO_Exceptions::Use_Error(index);
  return {beiseite, false};
}

void neuen_index_umbenennen(const std::string& cachepfad, const Alter_Index& alt) {
  std::string index = cachepfad + "cache.ini";
  std::string neu = cachepfad + "tempcache.ini";
  // The shell's exit status does not tell whether the rename was done: the
  // disk does.
  Util::Execution::Execute(Util::Execution::Rename_Command(neu, "cache.ini"));
  if (fehlt(neu) && !fehlt(index)) {
    if (!alt.pfad.empty() && !alt.aufgehoben) Host_Files::Remove(alt.pfad);
    return;
  }
  // The game is never left without its index: the old one comes back.
  // From a run folder as a copy, which a restore gives back; where no copy
  // can be made, the run folder's own.
  bool weg = !alt.pfad.empty() && fehlt(index);
  if (weg && (!alt.aufgehoben || Host_Files::Copy_Whole(alt.pfad, index) != 0) && fehlt(index))
    Host_Files::Move(alt.pfad, index);
  if (weg && !fehlt(index))
    throw IO_Exceptions::Use_Error("neuer Index nicht uebernommen, alter Index gilt weiter: " +
                                   index);
  throw IO_Exceptions::Use_Error("neuer Index bleibt unter " + neu);
}

// The new index `tempdatei`, written whole, in place of the old one
// `cachedatei`: on the disk, and still at its name (the folder may have
// been swapped for a copy), before the old one makes way (into `aufheben`).
void index_ersetzen(const std::string& cachepfad, Text_Files::File& cachedatei,
                    Text_Files::File& tempdatei, const std::string& aufheben) {
  Text_Files::Sync(tempdatei);
  Text_Files::Close(cachedatei);
  Alter_Index alt = alten_index_weg(cachepfad, aufheben);
  Text_Files::Close(tempdatei);
  neuen_index_umbenennen(cachepfad, alt);
}

bool index_wuerde_gerettet(const std::string& cachepfad) {
  if (indexdatei(cachepfad + "cache.ini") != Host_Files::Kind::absent ||
      indexdatei(cachepfad + "tempcache.ini") != Host_Files::Kind::file ||
      Host_Files::Is_Link(cachepfad + "tempcache.ini"))
    return false;
  Text_Files::New_Line();
  Text_Files::Put_Line("- cache.ini fehlt: tempcache.ini des letzten Laufs wuerde uebernommen");
  return true;
}

void alten_index_oeffnen(const std::string& cachepfad, Text_Files::File& cachedatei) {
  index_retten(cachepfad);
  Util::Files::Text_IO::Open_File(cachedatei, Text_Files::In_File, cachepfad + "cache.ini");
}

// Makes the new index beside the open one.
void neuen_index_anlegen(const std::string& cachepfad, bool exakt, Text_Files::File& cachedatei,
                         Text_Files::File& tempdatei) {
  Text_Files::Create_New(tempdatei, Text_Files::Out_File, cachepfad + "tempcache.ini");
  // The native game writes its index with its own line ends: they stay.
  if (exakt) Text_Files::Write_Line_Ends_As(tempdatei, cachedatei);
}

void morvane(std::vector<std::string> argumente) {
  std::string utpfad;
  std::string zeile;
  Text_Files::File cachedatei;
  Text_Files::File tempdatei;
  std::string cachepfad;
  bool eintraege = false;
  Bilanz bilanz;

  Optionen gewaehlt = optionen(argumente);
  if (gewaehlt.fertig) return;
  // The console's title shows how far the work is, and comes back as it
  // was when the work ends, also with an error.
  struct Titel_zurueck {
    ~Titel_zurueck() { fortschritt_ende(); }
  } titel_zurueck;
  for (std::string& ordner : argumente) Host_Path(ordner);

  Text_Files::Put_Line(kSterne);
  Text_Files::Put_Line(bannerzeile("Morvane 0.91 Beta"));
  Text_Files::Put_Line(bannerzeile("(c) 2026 das Morvane-Projekt"));
  Text_Files::Put_Line(bannerzeile("https://morvane.example"));
  Text_Files::Put_Line(kSterne);
  Text_Files::New_Line();
  if (gewaehlt.vorschau) {
    Text_Files::Put_Line(
        "Vorschau: es wird nichts veraendert, nur gezeigt, was ein Lauf tun wuerde.");
    Text_Files::New_Line();
  }

  // A mistyped further installation is told before any question is asked;
  // when the games' Wine prefixes are listed, a drive letter names a drive
  // of the prefix chosen, so whether such a folder is there is told after
  // the choice (or the installation named, which may be in a prefix of its
  // own). A Linux path is the same in every prefix.
  const bool nach_wahl = Searches_Launchers() || gewaehlt.installation;
  auto mit_laufwerk = [&](std::string ordner) { return nach_wahl && !Host_Path(ordner); };
  for (const std::string& ordner : argumente) {
    ordner_pruefen(ordner);
    if (!mit_laufwerk(ordner)) ordner_vorhanden(ordner);
  }
  Installation installation =
      gewaehlt.installation ? genannte_installation(*gewaehlt.installation) : utinstallationen();
  utpfad = installation.folder;
  ordner_pruefen(utpfad);
  const std::string trenner = installation.linux_path ? "/" : "\\";
  // A native game's folder, whose names the game reads exactly.
  if (installation.exact_names) {
    Host_Files::Exact_Names(utpfad);
    Native_Game_Chosen();
  }
  if (gewaehlt.installation) installation_vorhanden(utpfad, trenner);
  // A Wine player sees the game's Windows paths (C:\UT2004), and is told
  // where that is here:
  std::string hier = installation.linux_path ? "" : Place_On_This_Computer(installation.folder);
  if (!hier.empty()) {
    Text_Files::New_Line();
    Text_Files::Put_Line("- Installation auf diesem Rechner: " + sichtbar(hier));
  }
  for (const std::string& ordner : argumente)
    if (mit_laufwerk(ordner)) ordner_vorhanden(ordner);
  // A further installation is used and stored as a whole path, so that a
  // restore started from another folder finds it.
  for (std::string& ordner : argumente) ordner = Host_Files::Whole_Path(ordner);
  cachepfad = utpfad + trenner + "Cache" + trenner;
  std::vector<std::string> gesichert;
  if (gewaehlt.zurueck) {
    wiederherstellen(utpfad, cachepfad, trenner, installation.exact_names, argumente, gewaehlt.lauf,
                     gewaehlt.sicherung, gewaehlt.vorschau ? Modus::vorschau : Modus::ausfuehren);
    fortschritt_ende();
  } else {
    eintraege = durchgang(
        utpfad, cachepfad, trenner, installation.exact_names, argumente, cachedatei, tempdatei,
        gewaehlt.vorschau ? Modus::vorschau : Modus::ausfuehren, bilanz, gesichert);
    fortschritt_ende();
    Text_Files::New_Line();
    if (!eintraege) {
      Text_Files::Put_Line("- cache.ini leer");
    } else {
      bilanz_zeigen(bilanz, gesichert, gewaehlt.vorschau, utpfad, trenner, argumente);
    }
  }
  // Where the kept files and the records are, or where a run would put
  // them: a preview that would change something names the folder too.
  if (!hier.empty()) {
    bool da = Host_Files::Look(utpfad + "\\Morvane-Sicherung", Host_Files::Seen::read) ==
              Host_Files::Kind::folder;
    bool wuerde = gewaehlt.vorschau && !gewaehlt.zurueck &&
                  (bilanz.kopiert > 0 || !gesichert.empty() || bilanz.entfernt > 0);
    if (da || wuerde)
      Text_Files::Put_Line(std::string(da ? "- Morvane-Sicherung auf diesem Rechner: "
                                          : "- Morvane-Sicherung wuerde angelegt auf diesem "
                                            "Rechner: ") +
                           sichtbar(hier) + "/Morvane-Sicherung");
  }
  Text_Files::New_Line();
  Text_Files::Put_Line("++ 'Enter' druecken um das Programm zu beenden ++");
  ustrings::Get_Line(zeile);
}
