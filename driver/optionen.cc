// The command line's options.
#include "driver/optionen.h"

#include <cctype>
#include <initializer_list>

#include "base/errors.h"
#include "platform/host_text.h"
#include "support/text_files.h"

namespace {

const char kHilfe[] =
    "Morvane leert den Download-Cache eines Spiels der UT-Reihe (UT2003, UT2004):\n"
    "es zeigt die installierten Spiele, fragt nach einer Nummer und verschiebt\n"
    "jedes Paket aus Cache\\cache.ini unter seinem Namen in den Ordner des Spiels\n"
    "fuer seinen Typ (Maps, System, Textures, ...). Eine andere Datei, die dort\n"
    "unter diesem Namen stand, kommt nach Morvane-Sicherung\\<Datum>_<Zeit>\\ im\n"
    "Spielordner. Am Ende wartet es auf die Eingabetaste.\n"
    "\n"
    "Aufruf: morvane [Optionen] [weitere Installation ...]\n"
    "\n"
    "Jedes weitere Argument ist der Ordner einer weiteren Installation, die eine\n"
    "Kopie jedes verschobenen Pakets bekommt.\n"
    "\n"
    "  -h, --help   diesen Text zeigen\n"
    "  --version    die Version zeigen\n"
    "  --           alles danach ist ein Ordner, auch wenn es mit - beginnt\n"
    "\n"
    "Antworten ohne Tastatur (Nummer 1, dann Enter):\n"
    "  printf '1\\n\\n' | morvane            (Linux)\n"
    "  (echo 1& echo.) | morvane.exe       (Windows)\n"
    "\n"
    "Anleitung: LIESMICH.txt neben morvane.exe, unter Linux: man morvane";

bool ist(const std::string& argument, std::initializer_list<const char*> namen) {
  for (const char* name : namen)
    if (argument == name) return true;
  return false;
}

}  // namespace

bool optionen(std::vector<std::string>& argumente) {
  std::vector<std::string> ordner;
  bool nur_ordner = false;
  for (const std::string& argument : argumente) {
    if (nur_ordner) {
      ordner.push_back(argument);
    } else if (argument == "--") {
      nur_ordner = true;
    } else if (ist(argument, {"--help", "-h"}) || (kSlashOptions && argument == "/?")) {
      Text_Files::Put_Line(kHilfe);
      return true;
    } else if (argument == "--version") {
      Text_Files::Put_Line("morvane " MORVANE_RELEASE);
      return true;
    } else if (argument.starts_with("-") ||
               (kSlashOptions && argument.size() >= 2 && argument[0] == '/' &&
                std::isalpha(static_cast<unsigned char>(argument[1])))) {
      throw IO_Exceptions::Name_Error("unbekannte Option: " + argument);
    } else {
      ordner.push_back(argument);
    }
  }
  argumente = ordner;
  return false;
}
