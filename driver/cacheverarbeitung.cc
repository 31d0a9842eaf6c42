// The pass over one cache index.
#include "driver/cacheverarbeitung.h"

#include <algorithm>
#include <string_view>

#include "base/errors.h"
#include "base/paths.h"
#include "base/utf8.h"
#include "driver/fortschritt.h"
#include "driver/protokoll.h"
#include "platform/host_text.h"
#include "support/util-execution.h"
#include "support/util-files-text_io.h"

const std::array<Typ, 8> typtabelle = {{
    {".ut2", "\\Maps\\"},
    {".u", "\\System\\"},
    {".ukx", "\\Animations\\"},
    {".ka", "\\KarmaData\\"},
    {".ogg", "\\Music\\"},
    {".uax", "\\Sounds\\"},
    {".usx", "\\StaticMeshes\\"},
    {".utx", "\\Textures\\"},
}};

const Worte lauf_worte = {
    "kopiere nach ",
    "!! unbekannter Eintrag in Zeile -> Zeile wird ausgelassen !!",
    "!! Format derzeit nicht kompatibel !!",
    "!! unsicherer Dateiname -> Zeile wird ausgelassen !!",
    "!! Kopieren fehlgeschlagen -> Zeile bleibt erhalten !!",
    "!! Datei fehlt im Cache -> Zeile wird entfernt !!",
    "!! Loeschen fehlgeschlagen -> Zeile bleibt erhalten !!",
    "!! Ordner mit diesem Namen im Weg -> nicht kopiert !!",
    "!! Kopieren in weitere Installation fehlgeschlagen !!",
};

const Worte vorschau_worte = {
    "wuerde kopieren nach ",
    "!! unbekannter Eintrag in Zeile -> Zeile wuerde ausgelassen !!",
    "!! Format derzeit nicht kompatibel -> Zeile bliebe !!",
    "!! unsicherer Dateiname -> Zeile wuerde ausgelassen !!",
    "!! Kopieren wuerde fehlschlagen -> Zeile bliebe erhalten !!",
    "!! Datei fehlt im Cache -> Zeile wuerde entfernt !!",
    "!! Loeschen wuerde fehlschlagen -> Zeile bliebe erhalten !!",
    "!! Ordner mit diesem Namen im Weg -> wuerde nicht kopiert !!",
    "!! Kopieren in weitere Installation wuerde fehlschlagen !!",
};

namespace {

const char kSektion[] = "[Cache]";
const char kEingelesen[] = "Zeile eingelesen: ";

// Whether Windows takes the name for a device (NUL, COM1, ...): its part
// before the first dot, without trailing blanks, in any letter case. COM and
// LPT count with the digits 0 to 9 and with the superscripts 1, 2 and 3.
bool geraet(std::string_view name) {
  std::string teil = Utf8::Fold(name.substr(0, name.find('.')));
  while (!teil.empty() && teil.back() == ' ') teil.pop_back();
  for (std::string_view name_des_geraets : {"con", "prn", "aux", "nul", "conin$", "conout$"})
    if (teil == name_des_geraets) return true;
  if (!teil.starts_with("com") && !teil.starts_with("lpt")) return false;
  std::string_view ziffer = std::string_view(teil).substr(3);
  return (ziffer.size() == 1 && ziffer[0] >= '0' && ziffer[0] <= '9') || ziffer == "\xC2\xB9" ||
         ziffer == "\xC2\xB2" || ziffer == "\xC2\xB3";
}

// How many characters the text has (a byte that is no character counts).
size_t zeichen(std::string_view text) {
  size_t anzahl = 0;
  for (size_t pos = 0; pos < text.size(); ++anzahl) Utf8::Next(text, pos);
  return anzahl;
}

// Whether Windows could take the name for the short (8.3) name of another
// file, as "DM-VER~1.ut2" may stand for "DM-VeryLongMapName.ut2": a "~" in
// at most eight characters before the last dot, at most three after it.
bool kurzname(std::string_view name) {
  size_t punkt = std::min(name.rfind('.'), name.size());
  std::string_view stamm = name.substr(0, punkt);
  return zeichen(stamm) <= 8 && zeichen(name.substr(punkt)) <= 4 && stamm.find('~') != stamm.npos;
}

// Characters that no name holds: the control characters (C0, DEL and C1,
// where the 8-bit code pages put the bytes they leave undefined), and the
// replacement character, which stands for bytes that were no character.
bool steuerzeichen(long c) {
  return c < 32 || (c >= 127 && c < 0xA0) || c == 0xFFFD;
}

// Names come from game servers and end up in command lines: nothing that the
// command shell expands, that leaves the target folder, that Windows does
// not take in a file name, that names a device or another file's short name,
// and nothing that is no character. Any other character of Unicode is taken.
}  // namespace

const Typ* typ_von(std::string_view zielname) {
  for (const Typ& typ : typtabelle)
    if (zielname.ends_with(typ.endung)) return &typ;
  return nullptr;
}

bool unsicherer_ordner(std::string_view ordner) {
  for (unsigned char c : ordner)
    if (c == '"' || c == '%' || c == '?' || c == '*' || c == '<' || c == '>' || c == '|' || c < 32)
      return true;
  return !Utf8::Valid(ordner);
}

bool unsicher(std::string_view name) {
  for (size_t pos = 0; pos < name.size();) {
    long c = Utf8::Next(name, pos);
    if (c < 0 || steuerzeichen(c) ||
        (c < 128 &&
         std::string_view("\"%!\\/:*?<>|").find(static_cast<char>(c)) != std::string_view::npos))
      return true;
  }
  return geraet(name) || kurzname(name);
}

namespace {

// One copy, announced first; a folder standing at the target (`art`) gets
// none, since the shell's COPY would put the package into it. True when done.
bool kopieren(const std::string& paket, const std::string& zielpfad, Host_Files::Kind art,
              const Command_Runner& ausfuehren, const Worte& worte) {
  Text_Files::Put_Line(worte.kopiere + zielpfad);
  if (art == Host_Files::Kind::folder) {
    Text_Files::Put_Line(worte.ordner_im_weg);
    return false;
  }
  return ausfuehren(Util::Execution::Copy_Command(paket, zielpfad)) == 0;
}

// Whether a file of `groesse` bytes stands at `zielpfad`.
bool ganz_da(const std::string& zielpfad, int64_t groesse, const Looker& nachsehen) {
  int64_t da = -1;
  return nachsehen(zielpfad, Host_Files::Seen::known, &da) == Host_Files::Kind::file &&
         da == groesse;
}

// Whether the line has the layout of an entry: a 34-character key, "=", a name.
bool eintragsform(std::string_view zeile) {
  return zeile.size() > 35 && zeile[34] == '=';
}

// What became of an index line: kept in the new index or dropped, with the
// message that says so (none for a package moved).
struct Verbleib {
  bool behalten;
  const char* meldung;
};

// Handles one line of the entry part: an entry of a known type with a safe
// name and its package in the cache is copied and then deleted.
// The targets of failed copies to further installations go to `fehlgeschlagen`.
// A copy's target as the record has it, `art` what stands there now: with
// where that would be kept (a link that leads nowhere is no absence either).
Ziel_Schritt ziel_schritt(const std::string& ziel, Host_Files::Kind art) {
  Ziel_Schritt schritt;
  schritt.ziel = ziel;
  if (art != Host_Files::Kind::absent) {
    schritt.sicherung = Util::Execution::Next_Keep(ziel);
    schritt.link = Host_Files::Link_Target(ziel);
    // Its own letters, which a restore gives it back.
    std::string name = Host_Files::Name_On_Disk(ziel);
    if (name != ziel.substr(Folder_Part(ziel).size())) schritt.war = name;
    schritt.nur_lesen = Host_Files::Read_Only(ziel);
  } else if (Host_Files::Makes_Folder_For(ziel)) {
    std::string ordner = Folder_Part(ziel);
    schritt.ordner =
        Host_Files::Look(ordner.substr(0, ordner.size() - 1)) == Host_Files::Kind::absent;
  }
  return schritt;
}

// An index line: its number in the file, its bytes, its text.
struct Zeile {
  long nummer = 0;
  std::string gelesen;
  std::string text;
};

Verbleib eintrag_bearbeiten(const Zeile& gelesen, const std::string& utpfad,
                            const std::string& cachepfad, const std::vector<std::string>& argumente,
                            const Command_Runner& ausfuehren, const Looker& nachsehen,
                            const Worte& worte, Bilanz& gezaehlt, Aufzeichnung aufzeichnung) {
  std::string_view zeile = gelesen.text;
  if (!eintragsform(zeile)) return {true, worte.unbekannt};
  std::string_view quellname = zeile.substr(0, 34);
  std::string_view zielname = zeile.substr(35);
  const Typ* typ = typ_von(zielname);
  if (!typ) return {true, worte.inkompatibel};
  if (unsicher(quellname) || unsicher(zielname)) return {true, worte.unsicher};
  std::string paket = cachepfad + std::string(quellname) + ".uxx";
  // Moved by an earlier run that ended before its new index was in place:
  // nothing is left to protect. Read from the cache folder itself, since the
  // game may be writing there.
  int64_t groesse = -1;
  Host_Files::Kind art = nachsehen(paket, Host_Files::Seen::read, &groesse);
  if (art == Host_Files::Kind::absent) return {false, worte.fehlt};
  // A folder or a device under the package's name is no package: the shell
  // would copy what lies in it, and its DEL would ask about all of it.
  if (art != Host_Files::Kind::file) return {true, worte.fehlgeschlagen};
  std::string ziel = std::string(typ->subpfad) + std::string(zielname);
  // The copies' targets, the installation's first. In the installation the
  // folder is written with the separator of its own paths ("/" in a native
  // game's user folder); a Linux folder as the player typed it is joined
  // with "/".
  std::vector<std::string> ziele = {utpfad + ziel};
  std::replace(ziele[0].begin() + utpfad.size(), ziele[0].end(), '\\', cachepfad.back());
  for (std::string a : argumente) {
    std::string dort = ziel;
    if (Host_Path(a)) std::replace(dort.begin(), dort.end(), '\\', '/');
    ziele.push_back(a + dort);
  }
  const std::string& haupt = ziele.front();
  int gesichert_vorher = Util::Execution::Kept_Count();
  Paket_Schritt schritt;
  schritt.zeilennummer = gelesen.nummer;
  schritt.zeile = gelesen.gelesen;
  schritt.schluessel = std::string(quellname);
  schritt.groesse = groesse;
  // What stands at each target, looked at once: for the record, and for
  // a folder in the way of the copy.
  std::vector<Host_Files::Kind> arten;
  for (const std::string& z : ziele)
    arten.push_back(nachsehen(z, Host_Files::Seen::known, nullptr));
  if (aufzeichnung == Aufzeichnung::protokoll) {
    std::string datei = Host_Files::Name_On_Disk(paket);
    if (datei != std::string(quellname) + ".uxx") schritt.datei = datei;
    schritt.nur_lesen = Host_Files::Read_Only(paket);
    for (size_t i = 0; i < ziele.size(); ++i)
      schritt.ziele.push_back(ziel_schritt(ziele[i], arten[i]));
    protokoll_paket(schritt);
  }
  // A copy that kept elsewhere than its step says is told to the record,
  // and so is what each copy left at its target.
  auto kopiert = [&](size_t i, bool gemacht) {
    if (gemacht && i < schritt.ziele.size() && Util::Execution::Kept_Count() > gesichert_vorher &&
        Util::Execution::Last_Kept() != schritt.ziele[i].sicherung)
      protokoll_nachtrag(gelesen.nummer, i, Util::Execution::Last_Kept());
    if (gemacht && i < schritt.ziele.size())
      schritt.ziele[i].stand = Host_Files::Identify(schritt.ziele[i].ziel);
    gesichert_vorher = Util::Execution::Kept_Count();
    return gemacht;
  };
  // The package stays in the cache and in the index that the game reads.
  // Whether the copy is there is read from the disk: the shell may say done
  // when it copied nothing (a name too long for it).
  if (!kopiert(0, kopieren(paket, haupt, arten[0], ausfuehren, worte)) ||
      !ganz_da(haupt, groesse, nachsehen))
    return {true, worte.fehlgeschlagen};
  ++gezaehlt.kopiert;
  for (size_t i = 1; i < ziele.size(); ++i) {
    const std::string& dort = ziele[i];
    if (!kopiert(i, kopieren(paket, dort, arten[i], ausfuehren, worte))) {
      Text_Files::Put_Line(worte.weitere_fehlgeschlagen);
      gezaehlt.fehlgeschlagen.push_back(dort);
    } else {
      ++gezaehlt.kopiert;
    }
  }
  ausfuehren(Util::Execution::Delete_Command(paket));
  if (aufzeichnung == Aufzeichnung::protokoll) protokoll_stand(schritt);
  // The shell's answer is not to be trusted here: ask the disk. Kept, so
  // that the next run copies again and deletes.
  if (nachsehen(paket, Host_Files::Seen::known, nullptr) != Host_Files::Kind::absent)
    return {true, worte.loeschen_fehlgeschlagen};
  return {false, nullptr};
}

// The next line of the index. A line of an index in UTF-8 or UTF-16 is text
// already; one of an 8-bit index is read in the code page of the system.
Zeile lesen(Text_Files::File& cachedatei, long& nummer) {
  Zeile zeile;
  zeile.nummer = ++nummer;
  zeile.gelesen = Util::Files::Text_IO::Get_Line(cachedatei);
  if (Text_Files::Encoding_Of(cachedatei) == Text_Files::Encoding::eight_bit) {
    zeile.text = Eight_Bit_Text(zeile.gelesen);
  } else {
    zeile.text = zeile.gelesen;
  }
  return zeile;
}

// How many lines of the entry layout the index `pfad` holds after its
// "[Cache]" line: the packages that a pass goes through.
long eintraege_zaehlen(const std::string& pfad) {
  Text_Files::File index;
  Text_Files::Open(index, Text_Files::In_File, pfad);
  Text_Files::Take_Byte_Order_Mark(index);
  long anzahl = 0, nummer = 0;
  bool im_abschnitt = false;
  while (!Text_Files::End_Of_File(index)) {
    std::string zeile = lesen(index, nummer).text;
    anzahl += im_abschnitt && eintragsform(zeile);
    im_abschnitt = im_abschnitt || zeile == kSektion;
  }
  Text_Files::Close(index);
  return anzahl;
}

}  // namespace

// A line as the console shows it: control characters, which a terminal
// would obey (ESC [8m hides all that follows), as \x and two hex digits;
// a byte that is no character as "?".
std::string sichtbar(std::string_view text) {
  std::string gezeigt;
  for (size_t pos = 0; pos < text.size();) {
    size_t anfang = pos;
    long c = Utf8::Next(text, pos);
    if (c < 0) {
      gezeigt += '?';
    } else if (c < 32 || (c >= 127 && c < 0xA0)) {
      static const char kHex[] = "0123456789ABCDEF";
      gezeigt += "\\x";
      gezeigt += kHex[c >> 4];
      gezeigt += kHex[c & 15];
    } else {
      gezeigt.append(text.substr(anfang, pos - anfang));
    }
  }
  return gezeigt;
}

bool cacheverarbeitung(const std::string& utpfad, const std::string& cachepfad,
                       Text_Files::File& cachedatei, Text_Files::File& tempdatei,
                       const std::vector<std::string>& argumente, const Command_Runner& ausfuehren,
                       const Looker& nachsehen, Bilanz* bilanz, const Worte& worte,
                       Aufzeichnung aufzeichnung) {
  bool eintraege = false;
  long nummer = 0;
  Bilanz gezaehlt;
  // The new index is written as the old one is: a kept line keeps its bytes.
  Text_Files::Set_Encoding(tempdatei, Text_Files::Encoding_Of(cachedatei));

  fortschritt_beginnen([&] { return eintraege_zaehlen(Text_Files::Name(cachedatei)); });
  Zeile zeile = lesen(cachedatei, nummer);
  while (zeile.text != kSektion) {
    Text_Files::Put_Line(tempdatei, zeile.gelesen);
    if (Text_Files::End_Of_File(cachedatei))
      throw IO_Exceptions::End_Error("keine Zeile [Cache] in " + Text_Files::Name(cachedatei));
    zeile = lesen(cachedatei, nummer);
  }
  Text_Files::Put_Line(tempdatei, zeile.gelesen);

  while (!Text_Files::End_Of_File(cachedatei)) {
    zeile = lesen(cachedatei, nummer);
    Text_Files::New_Line();
    Text_Files::Put_Line(kEingelesen + sichtbar(zeile.text));
    eintraege = eintraege || eintragsform(zeile.text);
    Verbleib verbleib = eintrag_bearbeiten(zeile, utpfad, cachepfad, argumente, ausfuehren,
                                           nachsehen, worte, gezaehlt, aufzeichnung);
    if (verbleib.meldung) Text_Files::Put_Line(verbleib.meldung);
    if (verbleib.behalten) Text_Files::Put_Line(tempdatei, zeile.gelesen);
    gezaehlt.behalten += verbleib.behalten;
    gezaehlt.verschoben += !verbleib.behalten && !verbleib.meldung;
    gezaehlt.entfernt += !verbleib.behalten && verbleib.meldung;
    if (eintragsform(zeile.text)) fortschritt_weiter();
    // All that was said of a package is out before the next one begins.
    Text_Files::Flush(Text_Files::Standard_Output());
  }
  if (bilanz) *bilanz = gezaehlt;
  return eintraege;
}
