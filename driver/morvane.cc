// The whole run of the program, from the banner to the closing prompt.
#include "driver/morvane.h"

#include <algorithm>
#include <cerrno>
#include <map>

#include "base/errors.h"
#include "base/utf8.h"
#include "driver/cacheverarbeitung.h"
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

// A folder goes into command lines inside double quotes: what would end the
// quotes or be expanded by the command shell cannot be handed over safely,
// and what no Windows folder name holds would name another file, or none;
// nor would bytes that are no text (a Linux name that is no UTF-8).
void ordner_pruefen(const std::string& ordner) {
  for (unsigned char c : ordner)
    if (c == '"' || c == '%' || c == '?' || c == '*' || c == '<' || c == '>' || c == '|' || c < 32)
      throw IO_Exceptions::Name_Error("unsicherer Ordnername: " + ordner);
  if (!Utf8::Valid(ordner)) throw IO_Exceptions::Name_Error("unsicherer Ordnername: " + ordner);
}

bool fehlt(const std::string& pfad) {
  return Host_Files::Look(pfad) == Host_Files::Kind::absent;
}

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

// A further installation must be there before anything changes: a
// mistyped folder would get no copies while the cache is emptied. What is
// looked at is what the copies use, the folder with its separator; an empty
// argument (an unset variable in a script) would name the root of the drive.
void ordner_vorhanden(const std::string& ordner) {
  if (ordner.empty() || Host_Files::Look(ordner + "\\") != Host_Files::Kind::folder)
    throw IO_Exceptions::Name_Error(ordner);
}

// The summary of a pass that met entries: moved, kept and removed add up to
// the lines after "[Cache]"; each failed copy is named by its target, so
// that it can be finished by hand. A preview's says what a run would do.
void bilanz_zeigen(const Bilanz& bilanz, int gesichert, bool vorschau) {
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
  if (gesichert > 0)
    Text_Files::Put_Line((vorschau ? "- in Morvane-Sicherung wuerden alte Fassungen gesichert: "
                                   : "- alte Fassungen gesichert in Morvane-Sicherung: ") +
                         std::to_string(gesichert));
}

// The old index goes: into `aufheben` (the run folder's copy of the index
// as the run read it, which a restore gives back), else removed.
void alten_index_weg(const std::string& cachepfad, const std::string& aufheben) {
  if (!aufheben.empty() && Host_Files::Move(cachepfad + "cache.ini", aufheben) == 0) return;
  if (Host_Files::Remove(cachepfad + "cache.ini") != 0)
    throw IO_Exceptions::Use_Error(cachepfad + "cache.ini");
}

// The new index, on the disk and closed, takes the old one's name.
void neuen_index_umbenennen(const std::string& cachepfad) {
  // The shell's exit status does not tell whether the rename was done.
  int status = Util::Execution::Execute(
      Util::Execution::Rename_Command(cachepfad + "tempcache.ini", "cache.ini"));
  if (status != 0 || !fehlt(cachepfad + "tempcache.ini") || fehlt(cachepfad + "cache.ini"))
    throw IO_Exceptions::Use_Error("neuer Index bleibt unter " + cachepfad + "tempcache.ini");
}

// The new index `tempdatei`, written whole, in place of the old one
// `cachedatei`: on the disk, and still at its name (the folder may have
// been swapped for a copy), before the old one goes (into `aufheben`).
void index_ersetzen(const std::string& cachepfad, Text_Files::File& cachedatei,
                    Text_Files::File& tempdatei, const std::string& aufheben = "") {
  Text_Files::Sync(tempdatei);
  Text_Files::Close(cachedatei);
  alten_index_weg(cachepfad, aufheben);
  Text_Files::Close(tempdatei);
  neuen_index_umbenennen(cachepfad);
}

// Opens the index of a held cache.
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

// A further installation as the command line names it: a Linux path (its
// "~" made the home) joined with "/", a Windows path with "\".
struct Ort {
  std::string ordner, trenner;
};
Ort ort_von(std::string ordner) {
  bool linux = Host_Path(ordner);
  return {ordner, linux ? "/" : "\\"};
}

// Removes what is empty of the run folders in the installation and in
// every further one.
void ueberall_leere_laufordner_entfernen(const std::string& utpfad, const std::string& trenner,
                                         const std::vector<std::string>& argumente) {
  leere_laufordner_entfernen(utpfad, trenner);
  for (const std::string& weitere : argumente) {
    Ort ort = ort_von(weitere);
    leere_laufordner_entfernen(ort.ordner, ort.trenner);
  }
}

// Makes ready this process's record of a run or a restore: a new one in a
// run folder of its own, numbered after the installation's latest.
void aufzeichnen(Protokoll kopf, const std::string& utpfad, const std::string& trenner,
                 long hoechste) {
  kopf.nummer = hoechste + 1;
  kopf.installation = utpfad;
  kopf.trenner = trenner;
  std::string sicherung = sicherung_von(utpfad, trenner);
  protokoll_vorbereiten(kopf, sicherung + Util::Execution::Run_Name(sicherung) + trenner);
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
  aufzeichnen(kopf, utpfad, trenner, hoechste);
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
  // A failed copy takes back what it kept: nothing changed, nothing to undo.
  bool veraendert = bilanz.kopiert > 0 || Util::Execution::Kept_Count() > 0;
  // The index as the run read it stays in the run folder, for a restore.
  index_ersetzen(cachepfad, cachedatei, tempdatei,
                 veraendert ? protokoll_ordner() + "cache.ini" : "");
  // A keep taken back (the target held by another program) may have left
  // its folders: no run folder stays empty.
  ueberall_leere_laufordner_entfernen(utpfad, trenner, argumente);
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
  std::string index = cachepfad + "cache.ini";
  if (indexdatei(index) == Host_Files::Kind::absent &&
      indexdatei(cachepfad + "tempcache.ini") == Host_Files::Kind::file) {
    Text_Files::New_Line();
    Text_Files::Put_Line("- cache.ini fehlt: tempcache.ini des letzten Laufs wuerde uebernommen");
    index = cachepfad + "tempcache.ini";
  }
  Text_Files::Open(cachedatei, Text_Files::In_File, index);
  Text_Files::Take_Byte_Order_Mark(cachedatei);
  std::FILE* nirgends = Host_Files::Null_Stream();
  if (!nirgends) throw IO_Exceptions::Use_Error("(Vorschau)");
  Text_Files::Attach(tempdatei, nirgends, Text_Files::Out_File, "(Vorschau)");
  return cacheverarbeitung(utpfad, cachepfad, cachedatei, tempdatei, argumente,
                           vorschau_ausfuehren(vorschau), vorschau_nachsehen(vorschau), &bilanz,
                           vorschau_worte, Aufzeichnung::keine);
}

// The pass over the index, or its preview;
// `gesichert` gets how many files it kept, or would keep. Returns whether
// the index had entries.
bool durchgang(const std::string& utpfad, const std::string& cachepfad, const std::string& trenner,
               bool exakt, const std::vector<std::string>& weitere, Text_Files::File& cachedatei,
               Text_Files::File& tempdatei, Modus modus, Bilanz& bilanz, int& gesichert) {
  if (modus == Modus::ausfuehren) {
    bool eintraege =
        lauf(utpfad, cachepfad, trenner, exakt, weitere, cachedatei, tempdatei, bilanz);
    gesichert = Util::Execution::Kept_Count();
    return eintraege;
  }
  Vorschau vorschau;
  vorschau.exakt = exakt;
  bool eintraege =
      vorschau_lauf(utpfad, cachepfad, trenner, weitere, cachedatei, tempdatei, vorschau, bilanz);
  gesichert = vorschau.gesichert;
  return eintraege;
}

// The lines of an index file and how it is stored.
struct Indexzeilen {
  std::vector<std::string> zeilen;
  Text_Files::Encoding kodierung = Text_Files::Encoding::eight_bit;
};

Indexzeilen index_lesen(const std::string& pfad) {
  Indexzeilen gelesen;
  if (indexdatei(pfad) != Host_Files::Kind::file) return gelesen;
  Text_Files::File datei;
  Text_Files::Open(datei, Text_Files::In_File, pfad);
  gelesen.kodierung = Text_Files::Take_Byte_Order_Mark(datei);
  while (!Text_Files::End_Of_File(datei))
    gelesen.zeilen.push_back(Util::Files::Text_IO::Get_Line(datei));
  return gelesen;
}

// A line of an index as the console shows it.
std::string gezeigt(const std::string& zeile, Text_Files::Encoding kodierung) {
  return sichtbar(kodierung == Text_Files::Encoding::eight_bit ? Eight_Bit_Text(zeile) : zeile);
}

// The index of a restore, or its preview: as the run read it (`gelesen`,
// its copy in the run folder), without the lines of the packages that did
// not come back (`fehlen`: their numbers there), and with the lines that
// came into the index since the run after the run's. Where nothing else
// changes, its bytes are those that the run read.
void index_wie_gelesen(const std::string& cachepfad, bool exakt, const std::string& gelesen,
                       const std::vector<long>& fehlen, Modus modus) {
  Indexzeilen alt = index_lesen(gelesen);
  std::string jetzt_pfad = cachepfad + "cache.ini";
  if (modus == Modus::vorschau && indexdatei(jetzt_pfad) == Host_Files::Kind::absent)
    jetzt_pfad = cachepfad + "tempcache.ini";
  Indexzeilen jetzt = index_lesen(jetzt_pfad);
  // The lines of each index that the other lacks, counted as a multiset.
  std::map<std::string, long> im_alten, im_jetzigen;
  for (const std::string& zeile : alt.zeilen) ++im_alten[zeile];
  for (const std::string& zeile : jetzt.zeilen) ++im_jetzigen[zeile];
  std::vector<std::string> neu;
  for (const std::string& zeile : jetzt.zeilen)
    if (im_alten[zeile]-- <= 0) neu.push_back(zeile);
  std::vector<std::string> zeilen;
  for (size_t i = 0; i < alt.zeilen.size(); ++i) {
    const std::string& zeile = alt.zeilen[i];
    if (std::find(fehlen.begin(), fehlen.end(), static_cast<long>(i + 1)) != fehlen.end()) continue;
    zeilen.push_back(zeile);
    if (im_jetzigen[zeile]-- <= 0)
      Text_Files::Put_Line(std::string(modus == Modus::vorschau
                                           ? "Zeile wuerde zurueck in cache.ini: "
                                           : "Zeile zurueck in cache.ini: ") +
                           gezeigt(zeile, alt.kodierung));
  }
  zeilen.insert(zeilen.end(), neu.begin(), neu.end());
  if (modus == Modus::vorschau) return;
  index_retten(cachepfad);
  if (fehlen.empty() && neu.empty()) {
    // Byte for byte as the run read it.
    int fehler = 0;
    std::FILE* von = Host_Files::Open(gelesen, "rb", &fehler);
    if (!von) throw IO_Exceptions::Use_Error(gelesen);
    std::FILE* nach = Host_Files::Open(cachepfad + "tempcache.ini", "wbx", &fehler);
    if (!nach) {
      std::fclose(von);
      throw IO_Exceptions::Use_Error(cachepfad + "tempcache.ini");
    }
    char puffer[65536];
    bool gut = true;
    for (size_t n; (n = std::fread(puffer, 1, sizeof puffer, von)) > 0;)
      gut = gut && std::fwrite(puffer, 1, n, nach) == n;
    gut = gut && !std::ferror(von) && Host_Files::Sync(nach, cachepfad + "tempcache.ini") == 0;
    std::fclose(von);
    if (std::fclose(nach) != 0 || !gut) throw IO_Exceptions::Use_Error(cachepfad + "tempcache.ini");
    if (indexdatei(cachepfad + "cache.ini") != Host_Files::Kind::absent)
      alten_index_weg(cachepfad, "");
    neuen_index_umbenennen(cachepfad);
    return;
  }
  Text_Files::File vorlage, cachedatei, tempdatei;
  Text_Files::Open(vorlage, Text_Files::In_File, gelesen);
  Text_Files::Take_Byte_Order_Mark(vorlage);
  alten_index_oeffnen(cachepfad, cachedatei);
  Text_Files::Create_New(tempdatei, Text_Files::Out_File, cachepfad + "tempcache.ini");
  Text_Files::Set_Encoding(tempdatei, alt.kodierung);
  // Its line ends are those of the index as the run read it.
  Text_Files::Write_Line_Ends_As(tempdatei, vorlage);
  for (const std::string& zeile : zeilen) Text_Files::Put_Line(tempdatei, zeile);
  (void)exakt;
  index_ersetzen(cachepfad, cachedatei, tempdatei);
}

// Puts the index lines of a restore (`zeilen`) back in the index, each
// where it stood among the lines that the run left there (`alle`: every
// line that the run's record names, with its number in the index the run
// read); a line there already (a run cut short before its new index was in
// place) stays where it is. For a run whose copy of the index is gone.
void zeilen_zuruecklegen(const std::string& cachepfad, bool exakt,
                         const std::vector<std::pair<long, std::string>>& zeilen,
                         const std::vector<std::pair<long, std::string>>& alle, Modus modus) {
  Text_Files::File cachedatei, tempdatei;
  std::string index = cachepfad + "cache.ini";
  if (modus == Modus::vorschau && indexdatei(index) == Host_Files::Kind::absent)
    index = cachepfad + "tempcache.ini";
  if (modus == Modus::vorschau) {
    if (indexdatei(index) == Host_Files::Kind::file) {
      Text_Files::Open(cachedatei, Text_Files::In_File, index);
      Text_Files::Take_Byte_Order_Mark(cachedatei);
    }
  } else {
    alten_index_oeffnen(cachepfad, cachedatei);
    neuen_index_anlegen(cachepfad, exakt, cachedatei, tempdatei);
  }
  // Each line's place: after how many of the lines that the run left, and
  // among the lines of the record by their numbers.
  std::map<std::string, long> nummern;
  std::vector<long> alle_nummern;
  for (const auto& [nummer, zeile] : alle) {
    nummern[zeile] = nummer;
    alle_nummern.push_back(nummer);
  }
  std::sort(alle_nummern.begin(), alle_nummern.end());
  auto davor = [&](long nummer) {
    long verschoben =
        std::lower_bound(alle_nummern.begin(), alle_nummern.end(), nummer) - alle_nummern.begin();
    return nummer - 1 - verschoben;
  };
  struct Platz {
    long gelassen;
    long nummer;
    std::string zeile;
  };
  std::vector<Platz> platz;
  long gelassen = 0;
  while (Text_Files::Is_Open(cachedatei) && !Text_Files::End_Of_File(cachedatei)) {
    std::string zeile = Util::Files::Text_IO::Get_Line(cachedatei);
    auto nummer = nummern.find(zeile);
    if (nummer == nummern.end()) {
      platz.push_back({++gelassen, -1, zeile});
    } else {
      platz.push_back({davor(nummer->second), nummer->second, zeile});
      nummern.erase(nummer);
    }
  }
  Text_Files::Encoding kodierung = Text_Files::Is_Open(cachedatei)
                                       ? Text_Files::Encoding_Of(cachedatei)
                                       : Text_Files::Encoding::eight_bit;
  bool geaendert = false;
  std::vector<std::pair<long, std::string>> der_reihe_nach = zeilen;
  std::sort(der_reihe_nach.begin(), der_reihe_nach.end());
  for (const auto& [nummer, zeile] : der_reihe_nach) {
    if (!nummern.count(zeile)) continue;  // there already
    platz.push_back({davor(nummer), nummer, zeile});
    nummern.erase(zeile);
    Text_Files::Put_Line(std::string(modus == Modus::vorschau
                                         ? "Zeile wuerde zurueck in cache.ini: "
                                         : "Zeile zurueck in cache.ini: ") +
                         gezeigt(zeile, kodierung));
    geaendert = true;
  }
  if (modus == Modus::vorschau) return;
  std::stable_sort(platz.begin(), platz.end(), [](const Platz& a, const Platz& b) {
    return a.gelassen != b.gelassen ? a.gelassen < b.gelassen : a.nummer < b.nummer;
  });
  Text_Files::Set_Encoding(tempdatei, kodierung);
  for (const Platz& p : platz) Text_Files::Put_Line(tempdatei, p.zeile);
  if (!geaendert) {
    Text_Files::Close(tempdatei);
    Host_Files::Remove(cachepfad + "tempcache.ini");
    return;
  }
  index_ersetzen(cachepfad, cachedatei, tempdatei);
}

// The Morvane-Sicherung that --restore named with a run's path must be the
// chosen installation's.
void sicherung_pruefen(const std::string& genannt, const std::string& sicherung) {
  std::string ordner = genannt;
  Host_Path(ordner);
  Host_Files::Identity dort = Host_Files::Identify(ordner);
  Host_Files::Identity hier = Host_Files::Identify(sicherung);
  if (dort.size < 0 || hier.size < 0 || dort.volume != hier.volume || dort.file != hier.file)
    throw IO_Exceptions::Name_Error("kein Lauf der gewaehlten Installation: " + genannt);
}

// A restore (--restore), or its preview (-n): holds the cache, as a run
// does, since it changes the installation; undoes the run that
// rueckgang_waehlen chooses in every installation that it touched; sums
// up. `argumente` count only for a run folder without a record, whose
// further installations are not known.
void zurueck_lauf(const std::string& utpfad, const std::string& cachepfad,
                  const std::string& trenner, bool exakt, const std::vector<std::string>& argumente,
                  const Optionen& gewaehlt, Modus modus) {
  std::string cacheordner = utpfad + trenner + "Cache";
  if (modus == Modus::vorschau) {
    halten_melden(Host_Files::Held(cacheordner), cacheordner, trenner);
  } else {
    cache_halten(cacheordner, trenner);
  }
  std::string sicherung = sicherung_von(utpfad, trenner);
  if (!gewaehlt.sicherung.empty()) sicherung_pruefen(gewaehlt.sicherung, sicherung);
  Rueckgang rueckgang = rueckgang_waehlen(utpfad, trenner, gewaehlt.lauf);
  // A record that names a place outside its installations is refused
  // before anything changes, in a preview too.
  if (rueckgang.was == Rueckgang::Was::lauf || rueckgang.was == Rueckgang::Was::fortsetzen)
    protokoll_pruefen(rueckgang.protokoll);
  if (modus == Modus::ausfuehren) {
    // What a run cut short left of the index is healed first.
    index_retten(cachepfad);
    abgebrochenen_lauf_aufraeumen(utpfad, trenner);
  }
  Rueckgabe rueckgabe;
  bool nach_namen = true;
  if (rueckgang.was == Rueckgang::Was::nichts) {
    Text_Files::New_Line();
    if (rueckgang.zurueckgenommen.empty()) {
      Text_Files::Put_Line("- nichts wiederherzustellen in " + sicherung);
    } else {
      Text_Files::Put_Line("- nichts wiederherzustellen: schon zurueckgenommen ist " + sicherung +
                           rueckgang.zurueckgenommen + trenner);
      if (!rueckgang.wirksam.empty())
        Text_Files::Put_Line("- noch zurueckzunehmen, mit --restore und dem Ordner des Laufs:");
      for (const std::string& lauf : rueckgang.wirksam)
        Text_Files::Put_Line("  " + sicherung + lauf + trenner);
    }
  } else {
    // The restore is a run of its own: it keeps what it takes away, and
    // its record says which run it undoes.
    Protokoll kopf;
    kopf.art = Art::wiederherstellung;
    kopf.von = rueckgang.lauf.empty() ? rueckgang.name : rueckgang.lauf;
    kopf.alt = rueckgang.was == Rueckgang::Was::alt ||
               (rueckgang.was == Rueckgang::Was::fortsetzen && rueckgang.protokoll.alt);
    kopf.weitere = rueckgang.was == Rueckgang::Was::lauf || !kopf.alt ? rueckgang.protokoll.weitere
                                                                      : argumente;
    bool fortsetzen = rueckgang.was == Rueckgang::Was::fortsetzen;
    nach_namen = kopf.alt;
    if (modus == Modus::ausfuehren) {
      if (fortsetzen) {
        Util::Execution::Continue_Run(rueckgang.name);
        protokoll_vorbereiten(kopf, sicherung + rueckgang.name + trenner, true);
      } else {
        aufzeichnen(kopf, utpfad, trenner, rueckgang.hoechste);
      }
      protokoll_beginnen();
    }
    Text_Files::New_Line();
    if (fortsetzen)
      Text_Files::Put_Line("- eine unterbrochene Wiederherstellung wird zu Ende gefuehrt");
    if (kopf.alt) {
      Text_Files::Put_Line(
          "- Lauf ohne Protokoll (Morvane 0.91): zurueckgelegt wird nach den "
          "Namen der gesicherten Dateien");
      std::string alt = rueckgang.was == Rueckgang::Was::alt ? rueckgang.name : rueckgang.lauf;
      nach_namen_zuruecklegen(utpfad, trenner, alt, modus, rueckgabe);
      for (const std::string& weitere : kopf.weitere) {
        Ort ort = ort_von(weitere);
        nach_namen_zuruecklegen(ort.ordner, ort.trenner, alt, modus, rueckgabe);
      }
    } else {
      Text_Files::Put_Line(std::string(modus == Modus::vorschau ? "wuerde wiederherstellen aus "
                                                                : "stelle wieder her aus ") +
                           sicherung + rueckgang.lauf + trenner);
      lauf_zuruecknehmen(rueckgang, modus, rueckgabe);
      // The index: as the run read it where its run folder holds that.
      std::string gelesen = sicherung + rueckgang.lauf + trenner + "cache.ini";
      bool wie_gelesen =
          !Host_Files::Is_Link(gelesen) && indexdatei(gelesen) == Host_Files::Kind::file;
      std::vector<long> fehlen;
      std::vector<std::pair<long, std::string>> alle;
      for (const Paket_Schritt& schritt : rueckgang.protokoll.pakete) {
        alle.push_back({schritt.zeilennummer, schritt.zeile});
        bool zurueck = std::any_of(rueckgabe.zeilen.begin(), rueckgabe.zeilen.end(),
                                   [&](const auto& z) { return z.first == schritt.zeilennummer; });
        if (!zurueck) fehlen.push_back(schritt.zeilennummer);
      }
      if (wie_gelesen || !rueckgabe.zeilen.empty()) Text_Files::New_Line();
      if (wie_gelesen) {
        index_wie_gelesen(cachepfad, exakt, gelesen, fehlen, modus);
      } else if (!rueckgabe.zeilen.empty()) {
        zeilen_zuruecklegen(cachepfad, exakt, rueckgabe.zeilen, alle, modus);
      }
    }
    if (modus == Modus::ausfuehren)
      ueberall_leere_laufordner_entfernen(utpfad, trenner, kopf.weitere);
    // A restore that could not put everything back is finished by the next
    // --restore, as one cut short is.
    if (modus == Modus::ausfuehren && rueckgabe.fehlgeschlagen == 0) protokoll_ende();
  }
  Text_Files::New_Line();
  std::string summe = modus == Modus::vorschau ? "- Vorschau: " : "- ";
  if (!nach_namen)
    summe += std::string(modus == Modus::vorschau ? "Pakete wuerden zurueck in den Cache: "
                                                  : "Pakete zurueck im Cache: ") +
             std::to_string(rueckgabe.pakete) + ", ";
  summe += std::string(modus == Modus::vorschau ? "Dateien wuerden zurueckgelegt: "
                                                : "Dateien zurueckgelegt: ") +
           std::to_string(rueckgabe.zurueck);
  if (rueckgabe.fehlgeschlagen > 0)
    summe += ", nicht zurueckgelegt: " + std::to_string(rueckgabe.fehlgeschlagen);
  Text_Files::Put_Line(summe);
  if (Util::Execution::Kept_Count() > 0)
    Text_Files::Put_Line("- alte Fassungen gesichert in Morvane-Sicherung: " +
                         std::to_string(Util::Execution::Kept_Count()));
}

}  // namespace

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
  // A further installation is stored as a whole path, wherever the next
  // run or restore starts.
  for (std::string& ordner : argumente) {
    Host_Path(ordner);
    ordner = Host_Files::Whole_Path(ordner);
  }

  Text_Files::Put_Line(kSterne);
  Text_Files::Put_Line(bannerzeile("Morvane 0.91 Beta"));
  Text_Files::Put_Line(bannerzeile("(c) 2026 das Morvane-Projekt"));
  Text_Files::Put_Line(bannerzeile("https://morvane.example"));
  Text_Files::Put_Line(kSterne);
  Text_Files::New_Line();
  if (gewaehlt.vorschau) {
    Text_Files::Put_Line("Vorschau: es wird nichts veraendert, nur gezeigt, was ein Lauf taete.");
    Text_Files::New_Line();
  }

  // A mistyped further installation is told before any question is asked;
  // when the games' Wine prefixes are listed, a drive letter names a drive
  // of the prefix chosen, so whether such a folder is there is told after
  // the choice. A Linux path is the same in every prefix.
  const bool nach_wahl = Searches_Launchers();
  auto mit_laufwerk = [&](std::string ordner) { return nach_wahl && !Host_Path(ordner); };
  for (const std::string& ordner : argumente) {
    ordner_pruefen(ordner);
    if (!mit_laufwerk(ordner)) ordner_vorhanden(ordner);
  }
  Installation installation = utinstallationen();
  // A Wine player sees the game's paths (C:\UT2004); where that is here:
  std::string hier = installation.exact_names ? "" : Place_On_This_Computer(installation.folder);
  if (!hier.empty()) {
    Text_Files::New_Line();
    Text_Files::Put_Line("- Installation auf diesem Rechner: " + sichtbar(hier));
  }
  for (const std::string& ordner : argumente)
    if (mit_laufwerk(ordner)) ordner_vorhanden(ordner);
  utpfad = installation.folder;
  ordner_pruefen(utpfad);
  // A native game's user folder is a Linux folder, whose names the game
  // reads exactly: its paths are written with "/".
  const std::string trenner = installation.exact_names ? "/" : "\\";
  if (installation.exact_names) {
    Host_Files::Exact_Names(utpfad);
    Native_Game_Chosen();
  }
  cachepfad = utpfad + trenner + "Cache" + trenner;
  int gesichert = 0;
  if (gewaehlt.zurueck) {
    zurueck_lauf(utpfad, cachepfad, trenner, installation.exact_names, argumente, gewaehlt,
                 gewaehlt.vorschau ? Modus::vorschau : Modus::ausfuehren);
  } else {
    eintraege = durchgang(
        utpfad, cachepfad, trenner, installation.exact_names, argumente, cachedatei, tempdatei,
        gewaehlt.vorschau ? Modus::vorschau : Modus::ausfuehren, bilanz, gesichert);
    Text_Files::New_Line();
    if (!eintraege) {
      Text_Files::Put_Line("- cache.ini leer");
    } else {
      bilanz_zeigen(bilanz, gesichert, gewaehlt.vorschau);
    }
  }
  if (!hier.empty() && Host_Files::Look(utpfad + "\\Morvane-Sicherung", Host_Files::Seen::read) ==
                           Host_Files::Kind::folder)
    Text_Files::Put_Line("- Morvane-Sicherung auf diesem Rechner: " + sichtbar(hier) +
                         "/Morvane-Sicherung");
  Text_Files::New_Line();
  Text_Files::Put_Line("++ 'Enter' druecken um das Programm zu beenden ++");
  ustrings::Get_Line(zeile);
}
