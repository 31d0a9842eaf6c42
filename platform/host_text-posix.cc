// Linux: consoles and command lines speak UTF-8; an 8-bit index is in the
// code page of the Wine prefix in which the game wrote it.
#include <unistd.h>

#include <cstdlib>

#include "base/utf8.h"
#include "platform/code_page.h"
#include "platform/host_text.h"
#include "platform/registry_calls.h"
#include "platform/wine_prefix.h"

namespace {

bool native_game = false;

// The ACP that the registry of the prefix in use names; 1252 where it names
// none that can be read.
int Prefix_Code_Page() {
  static std::string read_for;
  static int code_page = 1252;
  if (read_for == Wine_Prefix()) return code_page;
  read_for = Wine_Prefix();
  code_page = 1252;
  Registry_Calls::Handle key = nullptr;
  if (Registry_Calls::Open_Key(Registry_Calls::Root::Local_Machine,
                               "System\\CurrentControlSet\\Control\\Nls\\CodePage", &key) != 0)
    return code_page;
  unsigned char data[16] = {};
  if (Registry_Calls::Query_Value(key, "ACP", data, sizeof data - 1) == 0) {
    int number = std::atoi(reinterpret_cast<const char*>(data));
    if (number > 0) code_page = number;
  }
  Registry_Calls::Close_Key(key);
  return code_page;
}

}  // namespace

std::string Console_Text(std::string_view text) {
  return Utf8::Shown(text);
}

void Console_Write(std::FILE* stream, std::string_view text) {
  std::string shown = Console_Text(text);
  std::fwrite(shown.data(), 1, shown.size(), stream);
}

bool Is_Terminal(std::FILE* stream) {
  return isatty(fileno(stream)) == 1;
}

std::string Eight_Bit_Text(std::string_view bytes) {
  return Code_Page::To_Utf8(native_game ? 1252 : Prefix_Code_Page(), bytes);
}

void Native_Game_Chosen() {
  native_game = true;
}

std::vector<std::string> Program_Arguments(int argc, char** argv) {
  return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

const char kPlatform_Help[] =
    "Gesucht wird in der Wine-Umgebung WINEPREFIX, deren Laufwerk C: ihr\n"
    "Ordner drive_c ist; ohne WINEPREFIX in ~/.wine und in den Wine-Umgebungen\n"
    "von Steam, Lutris, Heroic, Bottles und PlayOnLinux, und in Steams\n"
    "Bibliotheken. Dann im Benutzerordner des nativen Spiels, ~/.ut2004 (oder\n"
    "~/.ut2003), und im Ordner des Spiels von OldUnreal, wenn es dort seinen\n"
    "Cache hat (-nohomedir).\n"
    "\n"
    "Anleitung: man -L de morvane (aus dem Tarball: man ./morvane.de.6) und\n"
    "LIESMICH.txt beim Programm (im Debian-Paket: zless\n"
    "/usr/share/doc/morvane/LIESMICH.txt.gz); auf Englisch man morvane und PLAYERS.md.";

const bool kSlashOptions = false;

bool Host_Path(std::string& path) {
  if (!path.starts_with("/") && !path.starts_with("./") && !path.starts_with("../") &&
      !path.starts_with("~"))
    return false;
  const char* home = std::getenv("HOME");
  if ((path == "~" || path.starts_with("~/")) && home && *home) path = home + path.substr(1);
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return true;
}
