// Linux: consoles and command lines speak UTF-8; an 8-bit index is
// Windows-1252, as a western Windows wrote it.
#include <cstdlib>

#include "base/utf8.h"
#include "platform/cp1252.h"
#include "platform/host_text.h"

std::string Console_Text(std::string_view text) {
  return Utf8::Shown(text);
}

void Console_Write(std::FILE* stream, std::string_view text) {
  std::string shown = Console_Text(text);
  std::fwrite(shown.data(), 1, shown.size(), stream);
}

std::string Eight_Bit_Text(std::string_view bytes) {
  return Cp1252::To_Utf8(bytes);
}

std::vector<std::string> Program_Arguments(int argc, char** argv) {
  return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

const char kPlatform_Help[] =
    "Gesucht wird in der Wine-Umgebung WINEPREFIX, deren Laufwerk C: ihr\n"
    "Ordner drive_c ist; ohne WINEPREFIX in ~/.wine und in den Wine-Umgebungen\n"
    "von Steam, Lutris, Heroic, Bottles und PlayOnLinux. Dann im Benutzerordner\n"
    "des nativen Spiels, ~/.ut2004 (oder ~/.ut2003).\n"
    "\n"
    "Anleitung: man morvane (aus dem Tarball: man ./morvane.6), LIESMICH.txt\n"
    "(Deutsch) und PLAYERS.md (Englisch) beim Programm.";

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
