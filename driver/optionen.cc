// The command line's options.
#include "driver/optionen.h"

#include <cctype>
#include <initializer_list>

#include "base/errors.h"
#include "base/utf8.h"
#include "platform/host_text.h"
#include "support/text_files.h"
#include "support/util-execution.h"

namespace {

// The help; "/" stands for the separator of the platform's paths.
const char kHilfe[] =
    "Morvane leert den Download-Cache eines Spiels der UT-Reihe (UT2003, UT2004):\n"
    "es zeigt die installierten Spiele, fragt nach einer Nummer und verschiebt\n"
    "jedes Paket aus Cache/cache.ini unter seinem Namen in den Ordner des Spiels\n"
    "fuer seinen Typ (Maps, System, Textures, ...). Eine andere Datei, die dort\n"
    "unter diesem Namen stand, kommt nach Morvane-Sicherung/<Datum>_<Zeit>/ im\n"
    "Spielordner. Am Ende wartet es auf die Eingabetaste.\n"
    "\n"
    "Aufruf: morvane [Optionen] [weitere Installation ...]\n"
    "\n"
    "Jedes weitere Argument ist der Ordner einer weiteren Installation, die eine\n"
    "Kopie jedes verschobenen Pakets bekommt.\n"
    "\n"
    "  -i, --installation Ordner\n"
    "                 das Spiel in diesem Ordner bearbeiten (er enthaelt den\n"
    "                 Ordner Cache), ohne Liste und ohne Frage nach der Nummer:\n"
    "                 ein kopiertes Spiel, eines auf einem USB-Stick\n"
    "  -n, --dry-run  nur zeigen, was ein Lauf tun wuerde: nichts wird veraendert\n"
    "  --restore [Lauf]\n"
    "                 den letzten Lauf (oder den Lauf dieses Ordners in\n"
    "                 Morvane-Sicherung, mit Namen oder Pfad) ganz rueckgaengig\n"
    "                 machen, nach seinem Protokoll: Pakete zurueck in den Cache,\n"
    "                 der Index wie vor dem Lauf, Kopien entfernt, gesicherte\n"
    "                 Dateien zurueck; ein zweites --restore tut nichts;\n"
    "                 mit -n nur zeigen\n"
    "  -h, --help     diesen Text zeigen\n"
    "  --version      die Version zeigen\n"
    "  --             alles danach ist ein Ordner, auch wenn es mit - beginnt\n"
    "\n"
    "Antworten ohne Tastatur (Nummer 1, dann Enter):\n"
    "  printf '1\\n\\n' | morvane            (Linux)\n"
    "  morvane.exe < antworten.txt         (Windows; die Datei: eine Zeile mit\n"
    "                                      der Nummer, dann eine leere Zeile)\n"
    "\n";

// The help in the platform's form of paths, with what is the platform's own.
std::string hilfe() {
  std::string text = kHilfe;
  // Windows calls the program by its file's name.
  if (kSlashOptions) text.replace(text.find("Aufruf: morvane"), 15, "Aufruf: morvane.exe");
  if (kSlashOptions)
    for (size_t stelle = text.find("Cache/"); stelle < text.find("Aufruf"); ++stelle)
      if (text[stelle] == '/') text[stelle] = '\\';
  return text + kPlatform_Help;
}

bool ist(const std::string& argument, std::initializer_list<const char*> namen) {
  for (const char* name : namen)
    if (argument == name) return true;
  return false;
}

}  // namespace

Optionen optionen(std::vector<std::string>& argumente) {
  Optionen gewaehlt;
  std::vector<std::string> ordner;
  bool nur_ordner = false;
  for (size_t i = 0; i < argumente.size(); ++i) {
    const std::string& argument = argumente[i];
    if (nur_ordner) {
      ordner.push_back(argument);
    } else if (argument == "--") {
      nur_ordner = true;
    } else if (ist(argument, {"--help", "-h"}) || (kSlashOptions && argument == "/?")) {
      Text_Files::Put_Line(hilfe());
      gewaehlt.fertig = true;
      return gewaehlt;
    } else if (argument == "--version") {
      Text_Files::Put_Line("morvane " MORVANE_RELEASE);
      gewaehlt.fertig = true;
      return gewaehlt;
    } else if (ist(argument, {"-n", "--dry-run"})) {
      gewaehlt.vorschau = true;
    } else if (argument == "--restore") {
      // The next argument names the run when it has a run folder's form (a
      // separator after it, as tab completion leaves it); else it is a
      // further installation's folder, or an option.
      gewaehlt.zurueck = true;
      if (i + 1 < argumente.size()) {
        std::string pfad = argumente[i + 1];
        while (!pfad.empty() && (pfad.back() == '/' || pfad.back() == '\\')) pfad.pop_back();
        size_t trenner = pfad.find_last_of("/\\");
        std::string name = trenner == std::string::npos ? pfad : pfad.substr(trenner + 1);
        // The run folder by its path, as the program printed it: its
        // Morvane-Sicherung before it.
        std::string sicherung = trenner == std::string::npos ? "" : pfad.substr(0, trenner);
        size_t davor = sicherung.find_last_of("/\\");
        bool pfad_eines_laufs =
            Utf8::Fold(davor == std::string::npos ? sicherung : sicherung.substr(davor + 1)) ==
            "morvane-sicherung";
        if (Util::Execution::Is_Run_Name(name) && (sicherung.empty() || pfad_eines_laufs)) {
          gewaehlt.lauf = name;
          gewaehlt.sicherung = sicherung;
          ++i;
        }
      }
    } else if (ist(argument, {"-i", "--installation"}) || argument.starts_with("--installation=")) {
      bool angehaengt = argument.starts_with("--installation=");
      if (!angehaengt && i + 1 >= argumente.size())
        throw IO_Exceptions::Name_Error("Ordner fehlt nach " + argument);
      if (gewaehlt.installation)
        throw IO_Exceptions::Name_Error("Installation zweimal genannt: " + argument);
      gewaehlt.installation = angehaengt ? argument.substr(argument.find('=') + 1) : argumente[++i];
    } else if (argument.starts_with("-") ||
               (kSlashOptions && argument.size() >= 2 && argument[0] == '/' &&
                std::isalpha(static_cast<unsigned char>(argument[1])))) {
      throw IO_Exceptions::Name_Error("unbekannte Option: " + argument);
    } else {
      ordner.push_back(argument);
    }
  }
  argumente = ordner;
  return gewaehlt;
}
