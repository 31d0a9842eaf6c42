// The record of a run, written before each package is moved and read back
// by a restore and by the next run.
#include "driver/protokoll.h"

#include <algorithm>
#include <cstdio>

#include "base/errors.h"
#include "base/paths.h"
#include "base/utf8.h"
#include "platform/host_files.h"
#include "support/text_files.h"
#include "support/util-execution.h"
#include "support/util-files-text_io.h"

const char kProtokollname[] = "morvane-protokoll.txt";

namespace {

const char kKopf[] = "Morvane-Protokoll 1";
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
    if (c < '0' || c > '9' || wert > 100000000000000LL) return -1;
    wert = wert * 10 + (c - '0');
  }
  return text.empty() ? -1 : wert;
}

// This process's record: written with one write a step, past the line
// layer, as it is written once for every package moved.
Protokoll kopf;
std::string ordner_des_laufs;
std::string pfad_des_protokolls;
bool vorbereitet = false;
bool weiter_schreiben = false;
std::FILE* datei = nullptr;
std::string puffer;
// How many steps go to the disk itself at once.
const int kStapel = 256;
int seit_sync = 0;
int pakete_geschrieben = 0;

void schreiben(const std::string& wort, const std::string& wert) {
  puffer += wort;
  puffer += ' ';
  puffer += maskiert(wert);
  puffer += "\r\n";
}

// Hands what was written to the system; on the disk itself with `sync`.
void abgeben(bool sync) {
  bool gut = std::fwrite(puffer.data(), 1, puffer.size(), datei) == puffer.size() &&
             (sync ? Host_Files::Sync(datei, pfad_des_protokolls) == 0 : std::fflush(datei) == 0);
  puffer.clear();
  if (!gut) throw IO_Exceptions::Use_Error(pfad_des_protokolls);
}

}  // namespace

bool protokoll_lesen(const std::string& pfad, Protokoll& protokoll) {
  protokoll = Protokoll{};
  if (Host_Files::Is_Link(pfad) ||
      Host_Files::Look(pfad, Host_Files::Seen::read) != Host_Files::Kind::file)
    return false;
  Text_Files::File lesen;
  Text_Files::Open(lesen, Text_Files::In_File, pfad);
  if (Text_Files::End_Of_File(lesen) || Util::Files::Text_IO::Get_Line(lesen) != kKopf)
    return false;
  Paket_Schritt paket;
  bool im_paket = false;
  long nachtrag_nummer = 0;
  std::string nachtrag_ziel;
  while (!Text_Files::End_Of_File(lesen)) {
    std::string zeile = Util::Files::Text_IO::Get_Line(lesen);
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
      protokoll.weitere.push_back(wert);
    } else if (wort == "paket") {
      paket = Paket_Schritt{};
      im_paket = true;
      size_t zwischen = std::min(wert.find(' '), wert.size());
      paket.zeilennummer = static_cast<long>(zahl(wert.substr(0, zwischen)));
      paket.groesse = zahl(wert.substr(std::min(zwischen + 1, wert.size())));
    } else if (wort == "schluessel" && im_paket) {
      paket.schluessel = wert;
    } else if (wort == "zeile" && im_paket) {
      paket.zeile = wert;
    } else if (wort == "ziel" && im_paket) {
      paket.ziele.push_back({wert, "", ""});
    } else if (wort == "sichere" && im_paket && !paket.ziele.empty()) {
      paket.ziele.back().sicherung = wert;
    } else if (wort == "link" && im_paket && !paket.ziele.empty()) {
      paket.ziele.back().link = wert;
    } else if (wort == "schritt" && im_paket) {
      // Only a step written whole counts: one cut short was never taken.
      if (paket.zeilennummer > 0 && paket.groesse >= 0 && !paket.ziele.empty()) {
        auto frueher = std::find_if(
            protokoll.pakete.begin(), protokoll.pakete.end(),
            [&](const Paket_Schritt& p) { return p.zeilennummer == paket.zeilennummer; });
        if (frueher != protokoll.pakete.end()) protokoll.pakete.erase(frueher);
        protokoll.pakete.push_back(paket);
      }
      im_paket = false;
    } else if (wort == "nachtrag") {
      // "<line number> <target>": the copy of that line's step to that target.
      size_t zwischen = std::min(wert.find(' '), wert.size());
      nachtrag_nummer = static_cast<long>(zahl(wert.substr(0, zwischen)));
      nachtrag_ziel = wert.substr(std::min(zwischen + 1, wert.size()));
    } else if (wort == "gesichert") {
      for (Paket_Schritt& schritt : protokoll.pakete)
        if (schritt.zeilennummer == nachtrag_nummer)
          for (Ziel_Schritt& ziel : schritt.ziele)
            if (ziel.ziel == nachtrag_ziel) ziel.sicherung = wert;
    } else if (wort == "ende") {
      protokoll.beendet = true;
    }
  }
  return protokoll.nummer > 0 && !protokoll.installation.empty() &&
         (protokoll.trenner == "\\" || protokoll.trenner == "/");
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
    // A run that was cut short before its first package changed nothing.
    if (gelesen.art == Art::lauf && gelesen.pakete.empty()) continue;
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
  Host_Files::Kind art = Host_Files::Look(sicherung, Host_Files::Seen::read);
  if (!fortsetzen && art != Host_Files::Kind::absent && art != Host_Files::Kind::folder)
    throw IO_Exceptions::Use_Error("Protokoll des Laufs kann nicht angelegt werden: " + sicherung);
  kopf = neuer_kopf;
  ordner_des_laufs = ordner;
  vorbereitet = true;
  weiter_schreiben = fortsetzen;
}

void protokoll_beginnen() {
  if (!vorbereitet || datei) return;
  pfad_des_protokolls = ordner_des_laufs + kProtokollname;
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

void schritt_schreiben(const Paket_Schritt& schritt) {
  schreiben("paket", std::to_string(schritt.zeilennummer) + " " + std::to_string(schritt.groesse));
  schreiben("schluessel", schritt.schluessel);
  schreiben("zeile", schritt.zeile);
  for (const Ziel_Schritt& ziel : schritt.ziele) {
    schreiben("ziel", ziel.ziel);
    if (!ziel.sicherung.empty()) schreiben("sichere", ziel.sicherung);
    if (!ziel.link.empty()) schreiben("link", ziel.link);
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

void protokoll_nachtrag(long zeilennummer, const std::string& ziel, const std::string& sicherung) {
  schreiben("nachtrag", std::to_string(zeilennummer) + " " + ziel);
  schreiben("gesichert", sicherung);
  abgeben(false);
}

void protokoll_ende() {
  if (!datei) return;
  puffer += "ende\r\n";
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
