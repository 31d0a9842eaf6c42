// Undoing a run: one pass over its record, whose every look and step goes
// through Zugriff, so that its preview says what it does, line by line.
#include "driver/wiederherstellen.h"

#include <algorithm>
#include <map>

#include "base/errors.h"
#include "base/paths.h"
#include "driver/cacheverarbeitung.h"
#include "driver/fortschritt.h"
#include "driver/morvane.h"
#include "driver/nach_namen.h"
#include "driver/zugriff.h"
#include "platform/host_files.h"
#include "platform/host_text.h"
#include "support/text_files.h"
#include "support/util-execution.h"
#include "support/util-files-text_io.h"

namespace {

// What --restore does in an installation.
struct Rueckgang {
  enum class Was {
    nichts,      // no run to undo
    lauf,        // undo the run `name` from its record
    fortsetzen,  // finish the restore `name` of the run in `protokoll`, cut short
    alt,         // a run folder without a record, by the names of its files
  } was = Was::nichts;
  std::string name;  // the run folder in the chosen installation's Morvane-Sicherung
  std::string lauf;  // the run that is undone
  // Its record; for a restore of a run without a record cut short, the
  // restore's own.
  Protokoll protokoll;
  long hoechste = 0;  // the highest record number there
  // Nothing to do since a restore undid the run `zurueckgenommen`; the
  // runs in `wirksam` (latest first) are still in effect and can be undone
  // by their names.
  std::string zurueckgenommen;
  std::vector<std::string> wirksam;
};

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
void sagen(const Zugriff& zugriff, const char* getan, const char* vorschau,
           const std::string& was) {
  melden((zugriff.vorschau ? vorschau : getan) + was);
}

// Whether the file `jetzt` is still the one whose identity was `stand`:
// its size and the time of its last change (a file
// written anew, or in place, has another). Where the file lies on the disk
// may differ: a copy of the whole installation keeps the times of its files.
bool unveraendert(const Host_Files::Identity& stand, const Host_Files::Identity& jetzt) {
  // To 100 ns, which Windows keeps: either build reads the other's records.
  return jetzt.size >= 0 && jetzt.size == stand.size && jetzt.time / 100 == stand.time / 100;
}

// Whether what stands at a target is still what the run's copy left there:
// the same file, unchanged since (a record without that says: the
// package's bytes, `paket`, and no link).
bool wie_hinterlassen(const Zugriff& zugriff, const Ziel_Schritt& ziel, const std::string& paket,
                      bool bytes = false) {
  if (ziel.stand.size < 0)
    return !ist_link(zugriff, ziel.ziel) && gleiche_bytes(zugriff, ziel.ziel, paket);
  Host_Files::Identity jetzt = identitaet(zugriff, ziel.ziel);
  auto gleich = zugriff.gleichwertig.find(schluessel(zugriff, ziel.ziel));
  return (unveraendert(ziel.stand, jetzt) ||
          (gleich != zugriff.gleichwertig.end() && unveraendert(gleich->second, jetzt))) &&
         (!bytes || gleiche_bytes(zugriff, ziel.ziel, paket));
}

// Takes away what stands at the target of `ziel`: removed when it is what
// the run left there; else it is the player's, and is kept in this
// restore's run folder. True when nothing stands there afterwards.
bool wegnehmen(Zugriff& zugriff, const Ziel_Schritt& ziel, const std::string& paket,
               Rueckgabe& rueckgabe, bool weitere) {
  const std::string& pfad = ziel.ziel;
  if (!steht_da(zugriff, pfad)) return true;
  if (art(zugriff, pfad) == Host_Files::Kind::unknown) {
    melden("!! nicht zu entfernen: " + pfad + " !!");
    ++rueckgabe.fehlgeschlagen;
    return false;
  }
  // A copy in a further installation goes only where it holds the package's
  // bytes: nothing that is not in the Cache again leaves a folder there.
  if (wie_hinterlassen(zugriff, ziel, paket, weitere)) {
    sagen(zugriff, "entferne ", "wuerde entfernen ", pfad);
    if (entfernen(zugriff, pfad) == 0) return true;
  } else {
    std::string sicherung = naechste_sicherung(zugriff, pfad);
    melden("seit dem Lauf geaendert: " + pfad);
    if (verschieben(zugriff, pfad, sicherung) == 0) {
      if (zugriff.vorschau) {
        Text_Files::Put_Line("alte Fassung wuerde gesichert nach " + sicherung);
        ++zugriff.gesichert;
      } else {
        Util::Execution::Report_Kept(sicherung);
      }
      return true;
    }
  }
  melden("!! nicht zu entfernen: " + pfad + " !!");
  ++rueckgabe.fehlgeschlagen;
  return false;
}

// The package's place in the Cache, its name in its own letters.
std::string cache_von(const Protokoll& protokoll, const Paket_Schritt& schritt) {
  const std::string& t = protokoll.trenner;
  return protokoll.installation + t + "Cache" + t +
         (schritt.datei.empty() ? schritt.schluessel + ".uxx" : schritt.datei);
}

// What became of a package that a restore puts back into the Cache.
enum class Im_Cache {
  zurueck,    // it is back
  geblieben,  // it never left: the run's copy failed, or the run was cut short before its DEL
  nicht,      // it is no longer where the run left it: it stays out, and so does its line
};

// Brings the package of `schritt` back into the Cache `cache` from its
// place in the game folder, where the run put it; it stays there until
// its copies are taken away.
Im_Cache ins_cache(Zugriff& zugriff, const Paket_Schritt& schritt, const std::string& cache) {
  const Ziel_Schritt& haupt = schritt.ziele.front();
  Host_Files::Kind im_cache = art(zugriff, cache);
  if (im_cache == Host_Files::Kind::file) {
    // Still at its place, with another file in the Cache under its name
    // (the game downloaded it again: not the package whose DEL failed,
    // whose copy has its size and time): it stays where it is.
    Host_Files::Identity dort = identitaet(zugriff, haupt.ziel), hier = identitaet(zugriff, cache);
    if (haupt.stand.size >= 0 && unveraendert(haupt.stand, dort) &&
        !Host_Files::Same_File(hier, dort) && !unveraendert(haupt.stand, hier)) {
      melden("!! Paket nicht in den Cache zu legen: " + cache + " !!");
      return Im_Cache::nicht;
    }
    return Im_Cache::geblieben;
  }
  if (im_cache != Host_Files::Kind::absent || ist_link(zugriff, cache)) {
    melden("!! Inhalt des Cache nicht lesbar: " + cache + " !!");
    return Im_Cache::nicht;
  }
  int64_t groesse = -1;
  bool da = haupt.stand.size >= 0
                ? wie_hinterlassen(zugriff, haupt, "")
                : !ist_link(zugriff, haupt.ziel) &&
                      art(zugriff, haupt.ziel, &groesse) == Host_Files::Kind::file &&
                      groesse == schritt.groesse;
  if (!da) {
    melden("!! Paket nicht mehr so, wie der Lauf es hinterliess: " + haupt.ziel + " !!");
    return Im_Cache::nicht;
  }
  sagen(zugriff, "Paket zurueck in den Cache: ", "Paket wuerde zurueck in den Cache: ", cache);
  // The package goes back as a second name of its file, or as a copy of
  // its own where that file stays at the target (the run replaced a file of
  // the same bytes, which it kept nowhere) or only stands for the package
  // (a later one of the same bytes replaced it). Read-only again where the
  // game had left it so.
  bool bleibt = !haupt.sicherung.empty() && !steht_da(zugriff, haupt.sicherung);
  bool eigene =
      (haupt.stand.size < 0 || unveraendert(haupt.stand, identitaet(zugriff, haupt.ziel))) &&
      !bleibt;
  if (zweiter_name(zugriff, haupt.ziel, cache, eigene) == 0 &&
      (!schritt.nur_lesen || zugriff.vorschau || Host_Files::Make_Read_Only(cache) == 0))
    return Im_Cache::zurueck;
  melden("!! Paket nicht in den Cache zu legen: " + cache + " !!");
  return Im_Cache::nicht;
}

// Undoes one package's step.
void paket_zuruecknehmen(Zugriff& zugriff, const Protokoll& protokoll, const Paket_Schritt& schritt,
                         Rueckgabe& rueckgabe) {
  std::string cache = cache_von(protokoll, schritt);
  absatz_offen = true;
  Im_Cache im_cache = ins_cache(zugriff, schritt, cache);
  if (im_cache == Im_Cache::nicht) {
    ++rueckgabe.fehlgeschlagen;
    absatz_offen = false;
    return;
  }
  for (size_t i = schritt.ziele.size(); i-- > 0;) {
    const Ziel_Schritt& ziel = schritt.ziele[i];
    // A further installation that is the installation itself, spelt
    // otherwise: its target is the installation's, undone once.
    if (std::any_of(schritt.ziele.begin(), schritt.ziele.begin() + i,
                    [&](const Ziel_Schritt& vorher) {
                      return gleicher_ort(zugriff, vorher.ziel, ziel.ziel);
                    }))
      continue;
    // What a copy cut short left beside the target goes first.
    if (!zugriff.vorschau) Host_Files::Remove_Temporaries(Folder_Part(ziel.ziel));
    if (ziel.sicherung.empty()) {
      // Nothing stood there before the run; a folder that the run made for
      // it goes when nothing else is in it.
      std::string ordner = Folder_Part(ziel.ziel);
      if (wegnehmen(zugriff, ziel, cache, rueckgabe, i > 0) && ziel.ordner && !zugriff.vorschau)
        Host_Files::Remove_Folder(ordner.substr(0, ordner.size() - 1));
      continue;
    }
    // Nothing was kept there: the copy held what stood there already, or
    // the run was cut short before it. What stands there stays, and where
    // it is what the copy left, it has the bytes that an earlier step left.
    if (!steht_da(zugriff, ziel.sicherung)) {
      if (wie_hinterlassen(zugriff, ziel, cache)) {
        // Read-only again, as what it stands for was.
        if (ziel.nur_lesen && !zugriff.vorschau) Host_Files::Make_Read_Only(ziel.ziel);
        zugriff.gleichwertig[schluessel(zugriff, ziel.ziel)] = identitaet(zugriff, ziel.ziel);
      }
      continue;
    }
    if (!wegnehmen(zugriff, ziel, cache, rueckgabe, i > 0)) continue;
    // Back under its own name, in its own letters; a link with the text it
    // had, relative or not.
    std::string zurueck = ziel.war.empty() ? ziel.ziel : Folder_Part(ziel.ziel) + ziel.war;
    sagen(zugriff, "lege zurueck nach ", "wuerde zuruecklegen nach ", zurueck);
    bool als_link = !ziel.link.empty() && ist_link(zugriff, ziel.sicherung);
    if ((als_link ? link_zuruecklegen(zugriff, ziel.sicherung, ziel.link, zurueck)
                  : verschieben(zugriff, ziel.sicherung, zurueck)) == 0) {
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

// Chooses what --restore undoes in the installation `utpfad` (paths joined
// with `trenner`): the run folder `lauf`, or "" for the latest with a
// record (and where none has one, the latest with kept files). The latest
// record that is a restore cut short is finished; a run that a restore
// undid is not undone again, nor done again. Name_Error for a name that is
// no run folder of the program's (its form, "..", a path, a link, none of
// that name).
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
    if (!ist_laufordner(sicherung, ordner) ||
        !protokoll_lesen(sicherung + ordner + trenner + kProtokollname, gelesen))
      continue;
    if (gelesen.art == Art::wiederherstellung && gelesen.beendet)
      zurueckgenommen.push_back(gelesen.von);
    if (gelesen.art == Art::lauf && (!gelesen.pakete.empty() || gelesen.beendet))
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
    if (!ist_laufordner(sicherung, lauf))
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
      if (ist_laufordner(sicherung, alt) && hat_gesicherte(sicherung + alt + trenner, trenner)) {
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
  if (!ist_laufordner(sicherung, neuestes.von) ||
      !protokoll_lesen(sicherung + neuestes.von + trenner + kProtokollname, von) ||
      von.art != Art::lauf)
    throw IO_Exceptions::Name_Error("kein Lauf von Morvane in " + sicherung + ": " + neuestes.von);
  rueckgang.was = Rueckgang::Was::fortsetzen;
  rueckgang.protokoll = von;
  return rueckgang;
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

// Where the index as the restore found it goes when a new one takes its
// place: the restore's own folder, where it stays ("" for none begun).
std::string vorher_aufheben() {
  return protokoll_ordner().empty() ? "" : protokoll_ordner() + "cache.ini";
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
  // A preview meets the refusal of a Cache that the player may not change.
  if (modus == Modus::vorschau && !Host_Files::May_Change(cachepfad + "tempcache.ini"))
    throw IO_Exceptions::Use_Error(cachepfad + "tempcache.ini");
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
    Alter_Index alt;
    if (indexdatei(cachepfad + "cache.ini") != Host_Files::Kind::absent)
      alt = alten_index_weg(cachepfad, vorher_aufheben());
    neuen_index_umbenennen(cachepfad, alt);
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
  index_ersetzen(cachepfad, cachedatei, tempdatei, vorher_aufheben());
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
  // A preview meets the refusal of a Cache that the player may not change.
  if (modus == Modus::vorschau && !Host_Files::May_Change(cachepfad + "tempcache.ini"))
    throw IO_Exceptions::Use_Error(cachepfad + "tempcache.ini");
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
  index_ersetzen(cachepfad, cachedatei, tempdatei, vorher_aufheben());
}

// The Morvane-Sicherung that --restore named with a run's path must be the
// chosen installation's.
void sicherung_pruefen(const std::string& genannt, const std::string& sicherung) {
  std::string ordner = genannt;
  Host_Path(ordner);
  Host_Files::Identity dort = Host_Files::Identify(ordner);
  Host_Files::Identity hier = Host_Files::Identify(sicherung);
  if (!Host_Files::Same_File(dort, hier))
    throw IO_Exceptions::Name_Error("kein Lauf der gewaehlten Installation: " + genannt);
}

}  // namespace

void leere_laufordner_entfernen(const std::string& installation, const std::string& trenner,
                                const std::vector<std::string>& weitere) {
  std::string sicherung = sicherung_von(installation, trenner);
  for (const std::string& name : Host_Files::Names_In(sicherung)) {
    if (!Util::Execution::Is_Run_Name(name)) continue;
    for (const Typ& typ : typtabelle)
      Host_Files::Remove_Folder(sicherung + name + trenner + ordnername(typ));
    Host_Files::Remove_Folder(sicherung + name);
  }
  Host_Files::Remove_Folder(sicherung.substr(0, sicherung.size() - trenner.size()));
  for (const std::string& ordner : weitere) {
    Ort ort = ort_von(ordner);
    leere_laufordner_entfernen(ort.ordner, ort.trenner);
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
      if (!ziel.sicherung.empty() &&
          (Host_Files::Is_Link(ziel.sicherung) ||
           Host_Files::Look(ziel.sicherung, Host_Files::Seen::read) != Host_Files::Kind::absent) &&
          (ziel.link.empty() ? !Host_Files::Is_Link(ziel.ziel) &&
                                   Host_Files::Same_Bytes(ziel.sicherung, ziel.ziel)
                             : Host_Files::Is_Link(ziel.sicherung) &&
                                   Host_Files::Link_Target(ziel.ziel) == ziel.link))
        Host_Files::Remove(ziel.sicherung);
}

void wiederherstellen(const std::string& utpfad, const std::string& cachepfad,
                      const std::string& trenner, bool exakt,
                      const std::vector<std::string>& weitere, const std::string& lauf,
                      const std::string& genannt, Modus modus) {
  Zugriff zugriff;
  zugriff.vorschau = modus == Modus::vorschau;
  zugriff.exakt = exakt;
  std::string cacheordner = utpfad + trenner + "Cache";
  if (zugriff.vorschau) {
    halten_melden(Host_Files::Held(cacheordner), cacheordner, trenner);
  } else {
    cache_halten(cacheordner, trenner);
  }
  std::string sicherung = sicherung_von(utpfad, trenner);
  if (!genannt.empty()) sicherung_pruefen(genannt, sicherung);
  Rueckgang rueckgang = rueckgang_waehlen(utpfad, trenner, lauf);
  // A record that names a place outside its installations is refused
  // before anything changes, in a preview too.
  if (rueckgang.was == Rueckgang::Was::lauf || rueckgang.was == Rueckgang::Was::fortsetzen)
    protokoll_pruefen(rueckgang.protokoll);
  // What a run cut short left of the index is healed first.
  if (zugriff.vorschau) {
    index_wuerde_gerettet(cachepfad);
  } else {
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
      for (const std::string& wirksam : rueckgang.wirksam)
        Text_Files::Put_Line("  " + sicherung + wirksam + trenner);
    }
  } else {
    // The restore is a run of its own: it keeps what it takes away, and
    // its record says which run it undoes.
    Protokoll kopf;
    kopf.art = Art::wiederherstellung;
    kopf.von = rueckgang.lauf.empty() ? rueckgang.name : rueckgang.lauf;
    kopf.alt = rueckgang.was == Rueckgang::Was::alt ||
               (rueckgang.was == Rueckgang::Was::fortsetzen && rueckgang.protokoll.alt);
    kopf.weitere =
        rueckgang.was == Rueckgang::Was::lauf || !kopf.alt ? rueckgang.protokoll.weitere : weitere;
    bool fortsetzen = rueckgang.was == Rueckgang::Was::fortsetzen;
    nach_namen = kopf.alt;
    // Its keeps go into its own run folder, which a preview names as the
    // restore would make it.
    if (fortsetzen) {
      Util::Execution::Continue_Run(rueckgang.name);
    } else {
      Util::Execution::Run_Name(sicherung);
    }
    if (!zugriff.vorschau) {
      if (fortsetzen) {
        protokoll_vorbereiten(kopf, sicherung + rueckgang.name + trenner, true);
      } else {
        protokoll_anlegen(kopf, utpfad, trenner, rueckgang.hoechste);
      }
      protokoll_beginnen();
    }
    Text_Files::New_Line();
    if (fortsetzen)
      Text_Files::Put_Line(zugriff.vorschau
                               ? "- eine unterbrochene Wiederherstellung wuerde zu Ende gefuehrt"
                               : "- eine unterbrochene Wiederherstellung wird zu Ende gefuehrt");
    if (kopf.alt) {
      Text_Files::Put_Line(
          "- Ordner ohne Protokoll: zurueckgelegt wird nach den Namen der gesicherten "
          "Dateien");
      std::string alt = rueckgang.was == Rueckgang::Was::alt ? rueckgang.name : rueckgang.lauf;
      nach_namen_zuruecklegen(utpfad, trenner, alt, modus, rueckgabe);
      for (const std::string& ordner : kopf.weitere) {
        Ort ort = ort_von(ordner);
        nach_namen_zuruecklegen(ort.ordner, ort.trenner, alt, modus, rueckgabe);
      }
    } else {
      Text_Files::Put_Line(std::string(zugriff.vorschau ? "wuerde wiederherstellen aus "
                                                        : "stelle wieder her aus ") +
                           sicherung + rueckgang.lauf + trenner);
      const Protokoll& protokoll = rueckgang.protokoll;
      fortschritt_beginnen([&] { return static_cast<long>(protokoll.pakete.size()); });
      for (auto schritt = protokoll.pakete.rbegin(); schritt != protokoll.pakete.rend();
           ++schritt) {
        paket_zuruecknehmen(zugriff, protokoll, *schritt, rueckgabe);
        fortschritt_weiter();
        Text_Files::Flush(Text_Files::Standard_Output());
      }
      // The packages' names in the Cache are on the disk before their
      // lines are in the index.
      if (auf_die_platte(zugriff) != 0)
        throw IO_Exceptions::Use_Error(protokoll.installation + trenner + "Cache");
      // The index: as the run read it where its run folder holds that.
      std::string gelesen = sicherung + rueckgang.lauf + trenner + "cache.ini";
      bool wie_gelesen =
          !Host_Files::Is_Link(gelesen) && indexdatei(gelesen) == Host_Files::Kind::file;
      std::vector<long> fehlen;
      std::vector<std::pair<long, std::string>> alle;
      // A line stays out where its package did not come back, unless a
      // package of that name is in the Cache all the same.
      for (const Paket_Schritt& schritt : protokoll.pakete) {
        alle.push_back({schritt.zeilennummer, schritt.zeile});
        std::string cache = cache_von(protokoll, schritt);
        if (std::none_of(rueckgabe.zeilen.begin(), rueckgabe.zeilen.end(),
                         [&](const auto& z) { return z.first == schritt.zeilennummer; }) &&
            art(zugriff, cache) != Host_Files::Kind::file)
          fehlen.push_back(schritt.zeilennummer);
      }
      if (wie_gelesen || !rueckgabe.zeilen.empty()) Text_Files::New_Line();
      if (wie_gelesen) {
        index_wie_gelesen(cachepfad, exakt, gelesen, fehlen, modus);
      } else if (!rueckgabe.zeilen.empty()) {
        zeilen_zuruecklegen(cachepfad, exakt, rueckgabe.zeilen, alle, modus);
      }
    }
    if (!zugriff.vorschau) leere_laufordner_entfernen(utpfad, trenner, kopf.weitere);
    // A restore that could not put everything back is finished by the next
    // --restore, as one cut short is.
    if (!zugriff.vorschau && rueckgabe.fehlgeschlagen == 0) protokoll_ende();
  }
  Text_Files::New_Line();
  std::string summe = zugriff.vorschau ? "- Vorschau: " : "- ";
  if (!nach_namen)
    summe += std::string(zugriff.vorschau ? "Pakete wuerden zurueck in den Cache: "
                                          : "Pakete zurueck im Cache: ") +
             std::to_string(rueckgabe.pakete) + ", ";
  summe += std::string(zugriff.vorschau ? "Dateien wuerden zurueckgelegt: "
                                        : "Dateien zurueckgelegt: ") +
           std::to_string(rueckgabe.zurueck);
  if (rueckgabe.fehlgeschlagen > 0)
    summe += ", nicht zurueckgelegt: " + std::to_string(rueckgabe.fehlgeschlagen);
  Text_Files::Put_Line(summe);
  if (zugriff.gesichert > 0)
    Text_Files::Put_Line("- in Morvane-Sicherung wuerden alte Fassungen gesichert: " +
                         std::to_string(zugriff.gesichert));
  if (Util::Execution::Kept_Count() > 0)
    Text_Files::Put_Line("- alte Fassungen gesichert in Morvane-Sicherung: " +
                         std::to_string(Util::Execution::Kept_Count()));
}
