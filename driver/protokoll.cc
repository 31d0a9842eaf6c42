// The record of a run, written before each package is moved and read back
// by a restore and by the next run.
#include "driver/protokoll.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "base/errors.h"
#include "base/paths.h"
#include "base/utf8.h"
#include "driver/cacheverarbeitung.h"
#include "platform/host_files.h"
#include "platform/host_text.h"
#include "support/text_files.h"
#include "support/util-execution.h"
#include "support/util-files-text_io.h"

const char kProtokollname[] = "morvane-protokoll.txt";

namespace {

// Version 1 named every place by its whole path; version 2 names it by the
// installation it is in (0: the one where the record lies, 1...: the
// further ones in their order) and the rest of its path there.
const char kKopf1[] = "Morvane-Protokoll 1";
const char kKopf[] = "Morvane-Protokoll 2";
const char kHex[] = "0123456789ABCDEF";

// A value on one line of the record: backslashes doubled, control
// characters as \xHH, and in a value that is no UTF-8 every byte beyond
// ASCII too, so that the record is text and gives back every byte.
std::string maskiert(const std::string& wert) {
  bool text = Utf8::Valid(wert);
  std::string zeile;
  for (unsigned char c : wert) {
    if (c == '\\') {
      zeile += "\\\\";
    } else if (c < 32 || c == 127 || (c >= 128 && !text)) {
      zeile += "\\x";
      zeile += kHex[c >> 4];
      zeile += kHex[c & 15];
    } else {
      zeile += static_cast<char>(c);
    }
  }
  return zeile;
}

int hexziffer(char c) {
  const char* stelle = std::find(kHex, kHex + 16, c);
  return stelle == kHex + 16 ? -1 : static_cast<int>(stelle - kHex);
}

std::string unmaskiert(const std::string& zeile) {
  std::string wert;
  for (size_t i = 0; i < zeile.size(); ++i) {
    if (zeile[i] == '\\' && i + 1 < zeile.size() && zeile[i + 1] == '\\') {
      wert += '\\';
      ++i;
    } else if (zeile[i] == '\\' && i + 3 < zeile.size() && zeile[i + 1] == 'x' &&
               hexziffer(zeile[i + 2]) >= 0 && hexziffer(zeile[i + 3]) >= 0) {
      wert += static_cast<char>(hexziffer(zeile[i + 2]) * 16 + hexziffer(zeile[i + 3]));
      i += 3;
    } else {
      wert += zeile[i];
    }
  }
  return wert;
}

int64_t zahl(const std::string& text) {
  int64_t wert = 0;
  for (char c : text) {
    if (c < '0' || c > '9' || wert > (INT64_MAX - 9) / 10) return -1;
    wert = wert * 10 + (c - '0');
  }
  return text.empty() ? -1 : wert;
}

// The installations that a record's places are in: the chosen one, then
// each further one, each with the separator that its paths are joined with.
struct Orte {
  std::vector<std::string> basis, trenner;
};

Orte orte_von(const std::string& installation, const std::string& trenner,
              const std::vector<std::string>& weitere) {
  Orte orte{{installation}, {trenner}};
  for (const std::string& ordner : weitere) {
    Ort ort = ort_von(ordner);
    orte.basis.push_back(ort.ordner);
    orte.trenner.push_back(ort.trenner);
  }
  return orte;
}

// The rest of a target's path in its installation: "<type folder><t><name>",
// a safe name whose ending is of that folder's type.
bool zielform(std::string_view rest, const std::string& t) {
  size_t stelle = rest.find(t);
  if (stelle == std::string_view::npos) return false;
  std::string_view name = rest.substr(stelle + t.size());
  const Typ* typ = typ_von(name);
  return typ && rest.substr(0, stelle) == ordnername(*typ) && !unsicher(name);
}

// The rest of a keep's path: "Morvane-Sicherung<t><run><t>" and a target's.
bool sicherungsform(std::string_view rest, const std::string& t) {
  std::string anfang = "Morvane-Sicherung" + t;
  if (!rest.starts_with(anfang)) return false;
  rest.remove_prefix(anfang.size());
  size_t stelle = rest.find(t);
  return stelle != std::string_view::npos &&
         Util::Execution::Is_Run_Name(std::string(rest.substr(0, stelle))) &&
         zielform(rest.substr(stelle + t.size()), t);
}

// `pfad` as the record names it: "<installation's number> <rest>"; "" when
// it is in none of them, in the form of a target or (`sicherung`) a keep.
std::string relativ(const Orte& orte, const std::string& pfad, bool sicherung) {
  for (size_t i = 0; i < orte.basis.size(); ++i) {
    std::string anfang = orte.basis[i] + orte.trenner[i];
    if (!pfad.starts_with(anfang)) continue;
    std::string rest = pfad.substr(anfang.size());
    if (sicherung ? sicherungsform(rest, orte.trenner[i]) : zielform(rest, orte.trenner[i]))
      return std::to_string(i) + " " + rest;
  }
  return "";
}

// The whole path of what a record names as "<number> <rest>", in the
// installations `orte`; "" when that is no place of theirs.
std::string absolut(const Orte& orte, const std::string& wert, bool sicherung) {
  size_t zwischen = wert.find(' ');
  if (zwischen == std::string::npos) return "";
  int64_t i = zahl(wert.substr(0, zwischen));
  std::string rest = wert.substr(zwischen + 1);
  if (i < 0 || i >= static_cast<int64_t>(orte.basis.size())) return "";
  const std::string& t = orte.trenner[i];
  if (!(sicherung ? sicherungsform(rest, t) : zielform(rest, t))) return "";
  return orte.basis[i] + t + rest;
}

// The installation in which the record `pfad` lies: three levels above it.
std::string installation_von(const std::string& pfad) {
  std::string ordner = pfad;
  for (int i = 0; i < 3; ++i) {
    size_t stelle = ordner.find_last_of("/\\");
    if (stelle == std::string::npos) return "";
    ordner.resize(stelle);
  }
  return ordner;
}

// A further installation as a record may name it: a whole path, with no
// "." or ".." in it, that a run would have taken.
bool ganzer_ordner(const std::string& ordner) {
  bool ganz = ordner.starts_with("/") || ordner.starts_with("\\\\") ||
              (ordner.size() >= 3 && ordner[1] == ':' && (ordner[2] == '\\' || ordner[2] == '/'));
  if (!ganz || unsicherer_ordner(ordner)) return false;
  size_t anfang = 0;
  while (anfang <= ordner.size()) {
    size_t ende = std::min(ordner.find_first_of("/\\", anfang), ordner.size());
    std::string teil = ordner.substr(anfang, ende - anfang);
    if (teil == "." || teil == "..") return false;
    anfang = ende + 1;
  }
  return true;
}

// This process's record: written with one write a step, past the line
// layer, as it is written once for every package moved.
Protokoll kopf;
Orte orte_des_kopfs;  // its installations' folders, with their separators
std::string ordner_des_laufs;
std::string pfad_des_protokolls;
bool vorbereitet = false;
bool weiter_schreiben = false;
std::FILE* datei = nullptr;
std::string puffer;
// How many steps go to the disk itself at once.
const int kStapel = 256;
int seit_sync = 0;
bool name_auf_der_platte = false;
int pakete_geschrieben = 0;

void schreiben(const std::string& wort, const std::string& wert) {
  puffer += wort;
  puffer += ' ';
  puffer += maskiert(wert);
  puffer += "\r\n";
}

// Hands what was written to the system; on the disk itself with `sync`,
// the first time and at the end with the file's name.
// Something other than a folder at Morvane-Sicherung (`ordner`, without
// its separator) leaves no room for a record.
void sicherung_pruefen(const std::string& ordner) {
  Host_Files::Kind art = Host_Files::Look(ordner, Host_Files::Seen::read);
  if (art != Host_Files::Kind::absent && art != Host_Files::Kind::folder)
    throw IO_Exceptions::Use_Error("Protokoll des Laufs kann nicht angelegt werden: " + ordner);
}

void abgeben(bool sync) {
  bool gut = std::fwrite(puffer.data(), 1, puffer.size(), datei) == puffer.size();
  if (gut && sync && name_auf_der_platte) {
    gut = Host_Files::Sync_Data(datei, pfad_des_protokolls) == 0;
  } else if (gut && sync) {
    gut = Host_Files::Sync(datei, pfad_des_protokolls) == 0;
    name_auf_der_platte = true;
  } else if (gut) {
    gut = std::fflush(datei) == 0;
  }
  puffer.clear();
  if (!gut) throw IO_Exceptions::Use_Error(pfad_des_protokolls);
}

}  // namespace

std::string sicherung_von(const std::string& installation, const std::string& trenner) {
  return installation + trenner + "Morvane-Sicherung" + trenner;
}

bool ist_laufordner(const std::string& sicherung, const std::string& name) {
  return Util::Execution::Is_Run_Name(name) &&
         Host_Files::Look(sicherung + name, Host_Files::Seen::read) == Host_Files::Kind::folder &&
         !Host_Files::Is_Link(sicherung + name);
}

Ort ort_von(std::string ordner) {
  bool linux = Host_Path(ordner);
  return {ordner, linux ? "/" : "\\"};
}

bool protokoll_lesen(const std::string& pfad, Protokoll& protokoll) {
  protokoll = Protokoll{};
  protokoll.pfad = pfad;
  if (Host_Files::Is_Link(pfad) ||
      Host_Files::Look(pfad, Host_Files::Seen::read) != Host_Files::Kind::file)
    return false;
  Text_Files::File lesen;
  Text_Files::Open(lesen, Text_Files::In_File, pfad);
  if (Text_Files::End_Of_File(lesen)) return false;
  std::string kopfzeile = Util::Files::Text_IO::Get_Line(lesen);
  if (kopfzeile != kKopf && kopfzeile != kKopf1) return false;
  const bool version1 = kopfzeile == kKopf1;
  // Where the run's installations were (version 1 names its places by
  // them), and where they are now: the chosen one is where the record lies.
  Orte damals, jetzt;
  auto orte_lesen = [&] {
    damals = orte_von(protokoll.installation, protokoll.trenner, protokoll.weitere);
    jetzt = orte_von(installation_von(pfad), protokoll.trenner, protokoll.weitere);
  };
  bool orte_gelesen = false;
  // A place as this record names it, made a whole path in the installations
  // as they are now; "" when it is none of theirs.
  // `nummer` gets the number of its installation.
  int nummer = -1;
  auto ort = [&](const std::string& wert, bool sicherung) {
    if (!orte_gelesen) {
      orte_lesen();
      orte_gelesen = true;
    }
    std::string rest = version1 ? relativ(damals, wert, sicherung) : wert;
    nummer = static_cast<int>(zahl(rest.substr(0, rest.find(' '))));
    return rest.empty() ? rest : absolut(jetzt, rest, sicherung);
  };
  Paket_Schritt paket;
  bool im_paket = false;
  long nachtrag_nummer = 0;
  size_t nachtrag_ziel = 0;
  std::string nachtrag_pfad;
  long zeilennummer = 1;
  auto verweigern = [&](const std::string& zeile) {
    protokoll.verweigert = pfad + ", Zeile " + std::to_string(zeilennummer) + ": " + zeile;
  };
  while (!Text_Files::End_Of_File(lesen)) {
    std::string zeile = Util::Files::Text_IO::Get_Line(lesen);
    ++zeilennummer;
    size_t blank = std::min(zeile.find(' '), zeile.size());
    std::string wort = zeile.substr(0, blank);
    std::string wert = unmaskiert(zeile.substr(std::min(blank + 1, zeile.size())));
    if (wort == "nummer") {
      protokoll.nummer = static_cast<long>(zahl(wert));
    } else if (wort == "lauf") {
      protokoll.art = Art::lauf;
    } else if (wort == "wiederherstellung" || wort == "wiederherstellung-alt") {
      protokoll.art = Art::wiederherstellung;
      protokoll.alt = wort == "wiederherstellung-alt";
      protokoll.von = wert;
    } else if (wort == "installation") {
      protokoll.installation = wert;
    } else if (wort == "trenner") {
      protokoll.trenner = wert;
    } else if (wort == "weitere") {
      if (!ganzer_ordner(wert)) {
        verweigern(zeile);
        break;
      }
      protokoll.weitere.push_back(wert);
    } else if (wort == "paket") {
      paket = Paket_Schritt{};
      im_paket = true;
      size_t zwischen = std::min(wert.find(' '), wert.size());
      paket.zeilennummer = static_cast<long>(zahl(wert.substr(0, zwischen)));
      paket.groesse = zahl(wert.substr(std::min(zwischen + 1, wert.size())));
    } else if (wort == "schluessel" && im_paket) {
      if (wert.size() != 34 || unsicher(wert)) {
        verweigern(zeile);
        break;
      }
      paket.schluessel = wert;
    } else if (wort == "datei" && im_paket) {
      if (Utf8::Fold(wert) != Utf8::Fold(paket.schluessel + ".uxx") ||
          wert.find_first_of("/\\") != std::string::npos) {
        verweigern(zeile);
        break;
      }
      paket.datei = wert;
    } else if (wort == "nur-lesen" && im_paket) {
      paket.nur_lesen = true;
    } else if (wort == "zeile" && im_paket) {
      paket.zeile = wert;
    } else if (wort == "ziel" && im_paket) {
      // A package's copies go to the installations in their order, the
      // chosen one's first (version 1 named whole paths in that order too).
      Ziel_Schritt ziel;
      ziel.ziel = ort(wert, false);
      ziel.zeile = zeilennummer;
      if (ziel.ziel.empty() || nummer != static_cast<int>(paket.ziele.size())) {
        verweigern(zeile);
        break;
      }
      paket.ziele.push_back(ziel);
    } else if (wort == "sichere" && im_paket && !paket.ziele.empty()) {
      // A file is kept in its own installation's Morvane-Sicherung.
      paket.ziele.back().sicherung = ort(wert, true);
      if (paket.ziele.back().sicherung.empty() ||
          nummer != static_cast<int>(paket.ziele.size()) - 1) {
        verweigern(zeile);
        break;
      }
    } else if (wort == "link" && im_paket && !paket.ziele.empty()) {
      paket.ziele.back().link = wert;
    } else if (wort == "war" && im_paket && !paket.ziele.empty()) {
      const std::string& ziel = paket.ziele.back().ziel;
      if (Utf8::Fold(wert) != Utf8::Fold(ziel.substr(Folder_Part(ziel).size())) ||
          wert.find_first_of("/\\") != std::string::npos) {
        verweigern(zeile);
        break;
      }
      paket.ziele.back().war = wert;
    } else if (wort == "ordner" && im_paket && !paket.ziele.empty()) {
      paket.ziele.back().ordner = true;
    } else if (wort == "war-nur-lesen" && im_paket && !paket.ziele.empty()) {
      paket.ziele.back().nur_lesen = true;
    } else if (wort == "schritt" && im_paket) {
      // Only a step written whole counts: one cut short was never taken.
      if (paket.zeilennummer > 0 && paket.groesse >= 0 && !paket.ziele.empty() &&
          paket.schluessel.size() == 34) {
        auto frueher = std::find_if(
            protokoll.pakete.begin(), protokoll.pakete.end(),
            [&](const Paket_Schritt& p) { return p.zeilennummer == paket.zeilennummer; });
        if (frueher != protokoll.pakete.end()) protokoll.pakete.erase(frueher);
        protokoll.pakete.push_back(paket);
      }
      im_paket = false;
    } else if (wort == "stand") {
      // "<line number> <target's number> <size> <time> <volume> <file>"
      std::vector<int64_t> zahlen;
      for (size_t anfang = 0; anfang <= wert.size();) {
        size_t ende = std::min(wert.find(' ', anfang), wert.size());
        zahlen.push_back(zahl(wert.substr(anfang, ende - anfang)));
        anfang = ende + 1;
      }
      if (zahlen.size() != 6) continue;
      for (auto schritt = protokoll.pakete.rbegin(); schritt != protokoll.pakete.rend(); ++schritt)
        if (schritt->zeilennummer == zahlen[0]) {
          if (zahlen[1] >= 0 && zahlen[1] < static_cast<int64_t>(schritt->ziele.size()))
            schritt->ziele[zahlen[1]].stand = {zahlen[2], zahlen[3],
                                               static_cast<uint64_t>(zahlen[4]),
                                               static_cast<uint64_t>(zahlen[5])};
          break;
        }
    } else if (wort == "nachtrag") {
      // "<line number> <target>": the copy of that line's step to that
      // target (version 1: its path; else its number in the step).
      size_t zwischen = std::min(wert.find(' '), wert.size());
      nachtrag_nummer = static_cast<long>(zahl(wert.substr(0, zwischen)));
      nachtrag_pfad = wert.substr(std::min(zwischen + 1, wert.size()));
      nachtrag_ziel = version1 ? SIZE_MAX : static_cast<size_t>(zahl(nachtrag_pfad));
      if (version1) nachtrag_pfad = ort(nachtrag_pfad, false);
    } else if (wort == "gesichert") {
      std::string gesichert = ort(wert, true);
      int dort = nummer;
      if (gesichert.empty()) {
        verweigern(zeile);
        break;
      }
      for (Paket_Schritt& schritt : protokoll.pakete)
        if (schritt.zeilennummer == nachtrag_nummer)
          for (size_t i = 0; i < schritt.ziele.size(); ++i)
            if ((version1 ? schritt.ziele[i].ziel == nachtrag_pfad : i == nachtrag_ziel) &&
                dort == static_cast<int>(i))
              schritt.ziele[i].sicherung = gesichert;
    } else if (wort == "ende") {
      protokoll.beendet = true;
    }
  }
  bool gut = protokoll.nummer > 0 && !protokoll.installation.empty() &&
             (protokoll.trenner == "\\" || protokoll.trenner == "/");
  // Its places are in the installation where it lies.
  protokoll.installation = installation_von(pfad);
  return gut;
}

void protokoll_pruefen(const Protokoll& protokoll) {
  if (!protokoll.verweigert.empty())
    throw IO_Exceptions::Name_Error("Protokoll nennt einen Ort ausserhalb der Installationen: " +
                                    protokoll.verweigert);
  // No link on the way to any place it names: a type folder, or the
  // folders of a keep.
  auto ordner_von = [](const std::string& pfad) {
    std::string ordner = Folder_Part(pfad);
    if (!ordner.empty()) ordner.pop_back();
    return ordner;
  };
  // A further installation is a game's: it holds a System folder, as every
  // installation and every native game's user folder does.
  for (const std::string& weitere : protokoll.weitere) {
    Ort ort = ort_von(weitere);
    if (Host_Files::Look(ort.ordner + ort.trenner + "System") != Host_Files::Kind::folder)
      throw IO_Exceptions::Name_Error("Protokoll nennt einen Ort ausserhalb der Installationen: " +
                                      protokoll.pfad + ", weitere " + weitere);
  }
  for (const Paket_Schritt& schritt : protokoll.pakete)
    for (const Ziel_Schritt& ziel : schritt.ziele) {
      std::vector<std::string> wege = {ordner_von(ziel.ziel)};
      if (!ziel.sicherung.empty())
        for (std::string ordner = ordner_von(ziel.sicherung); wege.size() < 4;
             ordner = ordner_von(ordner))
          wege.push_back(ordner);
      for (const std::string& weg : wege)
        if (Host_Files::Is_Link(weg))
          throw IO_Exceptions::Name_Error(
              "Protokoll fuehrt durch eine Verknuepfung: " + protokoll.pfad + ", Zeile " +
              std::to_string(ziel.zeile) + ": " + weg);
    }
}

std::string neuestes_protokoll(const std::string& sicherung, const std::string& trenner,
                               Protokoll& protokoll, long* hoechste) {
  std::string neuester;
  long nummer = 0;
  if (hoechste) *hoechste = 0;
  for (const std::string& name : Host_Files::Names_In(sicherung)) {
    if (!Util::Execution::Is_Run_Name(name) || Host_Files::Is_Link(sicherung + name)) continue;
    Protokoll gelesen;
    if (!protokoll_lesen(sicherung + name + trenner + kProtokollname, gelesen)) continue;
    if (hoechste) *hoechste = std::max(*hoechste, gelesen.nummer);
    // A run that was cut short before its first package changed nothing
    // (one that ended may have dropped lines of packages gone).
    // A refused record is never passed over: acting on it is refused.
    if (gelesen.art == Art::lauf && gelesen.pakete.empty() && !gelesen.beendet &&
        gelesen.verweigert.empty())
      continue;
    if (gelesen.nummer > nummer) {
      nummer = gelesen.nummer;
      neuester = name;
      protokoll = gelesen;
    }
  }
  return neuester;
}

void protokoll_vorbereiten(const Protokoll& neuer_kopf, const std::string& ordner,
                           bool fortsetzen) {
  // Where the record cannot be, the run ends before any change.
  std::string sicherung = Folder_Part(ordner.substr(0, ordner.size() - 1));
  sicherung.pop_back();
  if (!fortsetzen) sicherung_pruefen(sicherung);
  kopf = neuer_kopf;
  orte_des_kopfs = orte_von(kopf.installation, kopf.trenner, kopf.weitere);
  ordner_des_laufs = ordner;
  vorbereitet = true;
  weiter_schreiben = fortsetzen;
}

void protokoll_anlegen(Protokoll neuer_kopf, const std::string& utpfad, const std::string& trenner,
                       long hoechste) {
  neuer_kopf.nummer = hoechste + 1;
  neuer_kopf.installation = utpfad;
  neuer_kopf.trenner = trenner;
  std::string sicherung = sicherung_von(utpfad, trenner);
  protokoll_vorbereiten(neuer_kopf, sicherung + Util::Execution::Run_Name(sicherung) + trenner);
}

void protokoll_moeglich(const std::string& utpfad, const std::string& trenner) {
  std::string sicherung = sicherung_von(utpfad, trenner);
  sicherung_pruefen(sicherung.substr(0, sicherung.size() - 1));
  std::string lauf = sicherung + Util::Execution::Run_Name(sicherung);
  if (!Host_Files::May_Change(lauf))
    throw IO_Exceptions::Use_Error("Protokoll des Laufs kann nicht angelegt werden: " + lauf);
}

void protokoll_beginnen() {
  if (!vorbereitet || datei) return;
  pfad_des_protokolls = ordner_des_laufs + kProtokollname;
  name_auf_der_platte = false;
  int fehler = 0;
  if (weiter_schreiben) {
    datei = Host_Files::Open(pfad_des_protokolls, "ab", &fehler);
    if (!datei) throw IO_Exceptions::Use_Error(pfad_des_protokolls);
    return;
  }
  std::string ordner = ordner_des_laufs.substr(0, ordner_des_laufs.size() - 1);
  if (Host_Files::Make_Folder(ordner) != 0)
    throw IO_Exceptions::Use_Error("Protokoll des Laufs kann nicht angelegt werden: " + ordner);
  datei = Host_Files::Open(pfad_des_protokolls, "wbx", &fehler);
  if (!datei)
    throw IO_Exceptions::Use_Error("Protokoll des Laufs kann nicht angelegt werden: " +
                                   pfad_des_protokolls);
  puffer = std::string(kKopf) + "\r\n";
  schreiben("nummer", std::to_string(kopf.nummer));
  if (kopf.art == Art::lauf) {
    puffer += "lauf\r\n";
  } else {
    schreiben(kopf.alt ? "wiederherstellung-alt" : "wiederherstellung", kopf.von);
  }
  schreiben("installation", kopf.installation);
  schreiben("trenner", kopf.trenner);
  for (const std::string& weitere : kopf.weitere) schreiben("weitere", weitere);
  // On the disk itself with the first batch of packages, or at the end.
  abgeben(false);
}

namespace {

// A place as the record names it: in which installation, and the rest.
// A place of the installation numbered `nummer` (0: the chosen one) as the
// record names it: the number, and the rest of its path there.
std::string ort(size_t nummer, const std::string& pfad, bool sicherung) {
  const Orte& orte = orte_des_kopfs;
  std::string anfang = nummer < orte.basis.size() ? orte.basis[nummer] + orte.trenner[nummer] : "";
  std::string rest = pfad.substr(std::min(anfang.size(), pfad.size()));
  // Every place of a run is in its installation.
  if (anfang.empty() || !pfad.starts_with(anfang) ||
      !(sicherung ? sicherungsform(rest, orte.trenner[nummer])
                  : zielform(rest, orte.trenner[nummer])))
    throw IO_Exceptions::Use_Error("ausserhalb der Installationen: " + pfad);
  return std::to_string(nummer) + " " + rest;
}

void schritt_schreiben(const Paket_Schritt& schritt) {
  schreiben("paket", std::to_string(schritt.zeilennummer) + " " + std::to_string(schritt.groesse));
  schreiben("schluessel", schritt.schluessel);
  if (!schritt.datei.empty()) schreiben("datei", schritt.datei);
  if (schritt.nur_lesen) puffer += "nur-lesen\r\n";
  schreiben("zeile", schritt.zeile);
  for (const Ziel_Schritt& ziel : schritt.ziele) {
    size_t nummer = &ziel - schritt.ziele.data();
    schreiben("ziel", ort(nummer, ziel.ziel, false));
    if (!ziel.sicherung.empty()) schreiben("sichere", ort(nummer, ziel.sicherung, true));
    if (!ziel.link.empty()) schreiben("link", ziel.link);
    if (!ziel.war.empty()) schreiben("war", ziel.war);
    if (ziel.ordner) puffer += "ordner\r\n";
    if (ziel.nur_lesen) puffer += "war-nur-lesen\r\n";
  }
  puffer += "schritt\r\n";
}

}  // namespace

void protokoll_paket(const Paket_Schritt& schritt) {
  protokoll_beginnen();
  ++pakete_geschrieben;
  schritt_schreiben(schritt);
  // Written before the package moves: a kill leaves it in the file. On
  // the disk itself a batch at a time.
  bool sync = ++seit_sync == kStapel;
  if (sync) seit_sync = 0;
  abgeben(sync);
}

void protokoll_stand(const Paket_Schritt& schritt) {
  for (size_t i = 0; i < schritt.ziele.size(); ++i) {
    const Host_Files::Identity& stand = schritt.ziele[i].stand;
    if (stand.size < 0) continue;
    schreiben("stand", std::to_string(schritt.zeilennummer) + " " + std::to_string(i) + " " +
                           std::to_string(stand.size) + " " + std::to_string(stand.time) + " " +
                           std::to_string(stand.volume) + " " + std::to_string(stand.file));
  }
}

void protokoll_nachtrag(long zeilennummer, size_t ziel, const std::string& sicherung) {
  schreiben("nachtrag", std::to_string(zeilennummer) + " " + std::to_string(ziel));
  schreiben("gesichert", ort(ziel, sicherung, true));
  abgeben(false);
}

std::string protokoll_ordner() {
  return datei ? ordner_des_laufs : "";
}

void protokoll_ende() {
  if (!datei) return;
  puffer += "ende\r\n";
  name_auf_der_platte = false;
  abgeben(true);
  std::fclose(datei);
  datei = nullptr;
}

void protokoll_verwerfen() {
  if (!datei) return;
  std::fclose(datei);
  datei = nullptr;
  Host_Files::Remove(pfad_des_protokolls);
  std::string ordner = ordner_des_laufs.substr(0, ordner_des_laufs.size() - 1);
  if (Host_Files::Remove_Folder(ordner) == 0) {
    std::string sicherung = Folder_Part(ordner);
    Host_Files::Remove_Folder(sicherung.substr(0, sicherung.size() - 1));
  }
}

void protokoll_ohne_paket_verwerfen() {
  if (pakete_geschrieben == 0) protokoll_verwerfen();
}
