// Finding the installed games and letting the user choose one.
#include "driver/morvanepack.h"

#include <set>

#include "base/errors.h"
#include "driver/cacheverarbeitung.h"
#include "platform/gwindows-registry.h"
#include "platform/host_files.h"
#include "platform/host_text.h"
#include "platform/launchers.h"
#include "platform/user_folders.h"
#include "support/integer_input.h"
#include "support/text_files.h"
#include "support/ustrings.h"

namespace {

const char kInstalledApps[] = "SOFTWARE\\Unreal Technology\\Installed Apps";

// One line of the list.
struct Eintrag {
  std::string name;        // as the list shows it
  std::string schluessel;  // the registry's name; "" for a folder known as it is
  std::string praefix;     // a launcher's Wine prefix; "" for the default one
  std::string ordner;      // without `schluessel`: a Steam game's or a user folder
  bool exakt = false;      // a native game's folder, whose names are exact
};

std::string ordner_von(const std::string& schluessel) {
  using namespace GWindows::Registry;
  return Get_Value(std::string(kInstalledApps) + "\\" + schluessel + "\\", "Folder",
                   HKEY_LOCAL_MACHINE);
}

// The games registered in the prefixes of the game launchers, each named
// with its launcher and prefix: "UT2004 (Lutris: ~/Games/ut2004)". A game
// whose folder is that of a game listed before (`bekannt`, from the default
// prefix among them) is left out. The default prefix is in use again
// afterwards.
std::vector<Eintrag> launcher_spiele(std::set<std::string>& bekannt) {
  using namespace GWindows::Registry;
  std::vector<Eintrag> spiele;
  for (const Launcher_Prefix& praefix : Launcher_Prefixes()) {
    Use_Prefix(praefix.folder);
    // A launcher's prefix whose registry cannot be read is passed over
    // without a word, as a launcher's file that cannot be read is.
    try {
      for (const std::string& schluessel :
           Find_Sub_Keys(kInstalledApps, HKEY_LOCAL_MACHINE).value_or(Key_Name_Array{})) {
        std::string ordner = ordner_von(schluessel);
        if (!ordner.empty() && !bekannt.insert(Installation_Identity(ordner)).second) continue;
        spiele.push_back({schluessel + " (" + praefix.launcher + ": " + praefix.shown + ")",
                          schluessel, praefix.folder, ""});
      }
    } catch (const Registry_Error&) {
    }
  }
  Use_Prefix("");
  return spiele;
}

// The games that Steam installed, found by its files, named with their
// library: "UT2004 (Steam: D:\SteamLibrary)". One whose folder is that of a
// game listed before is left out.
std::vector<Eintrag> steam_spiele(std::set<std::string>& bekannt) {
  std::vector<Eintrag> spiele;
  // Steam's key that cannot be read is passed over, as a launcher's file is.
  try {
    for (const Steam_Game& spiel : Steam_Games())
      if (bekannt.insert(Installation_Identity(spiel.folder)).second)
        spiele.push_back({"UT2004 (Steam: " + spiel.library + ")", "", spiel.prefix, spiel.folder});
  } catch (const GWindows::Registry::Registry_Error&) {
  }
  return spiele;
}

// The installation chosen, or named: a registered one with its "Folder"
// value unchanged, its prefix in use from then on.
Installation installation_von(const Eintrag& wahl) {
  // The run uses the drives and the registry of the game's own prefix.
  if (!wahl.praefix.empty()) Use_Prefix(wahl.praefix);
  std::string ordner = wahl.ordner;  // Host_Path only tells, here
  if (wahl.schluessel.empty())
    return {wahl.name, wahl.ordner, wahl.exakt, wahl.exakt || Host_Path(ordner)};
  return {wahl.name, ordner_von(wahl.schluessel), false, false};
}

}  // namespace

Installation utinstallationen() {
  using namespace GWindows::Registry;
  // Games registered in the registry first, then those in the launchers'
  // prefixes, then the native games' user folders. Without any, the
  // registry's own error.
  std::vector<std::string> benutzerordner = User_Folders();
  std::optional<Key_Name_Array> registriert = Find_Sub_Keys(kInstalledApps, HKEY_LOCAL_MACHINE);
  // Each folder once: what a registry lists before is not listed again.
  std::set<std::string> bekannt;
  for (const std::string& schluessel : registriert.value_or(Key_Name_Array{}))
    if (std::string ordner = ordner_von(schluessel); !ordner.empty())
      bekannt.insert(Installation_Identity(ordner));
  std::vector<Eintrag> launcher = launcher_spiele(bekannt);
  std::vector<Eintrag> steam = steam_spiele(bekannt);
  launcher.insert(launcher.end(), steam.begin(), steam.end());
  if (!registriert && launcher.empty() && benutzerordner.empty()) {
    // Natively a player is told where the program looked; on Windows the
    // registry's own error says it.
    std::string gesucht = Places_Searched();
    if (!gesucht.empty()) throw Registry_Error("keine Installation gefunden in " + gesucht);
    registriert = Get_Sub_Keys(kInstalledApps, HKEY_LOCAL_MACHINE);
  }
  std::vector<Eintrag> installierteuts;
  for (const std::string& name : registriert.value_or(Key_Name_Array{}))
    installierteuts.push_back({name, name, "", ""});
  installierteuts.insert(installierteuts.end(), launcher.begin(), launcher.end());
  // A native game's folder that a registry or Steam listed already (OldUnreal's
  // game installed into Steam's folder) is not listed again.
  for (const std::string& ordner : benutzerordner)
    if (bekannt.insert(Installation_Identity(ordner)).second)
      installierteuts.push_back({ordner, "", "", ordner, /*exakt=*/true});
  const int32_t anzahluts = static_cast<int32_t>(installierteuts.size());

  Text_Files::Put_Line("Folgende UT-Installationen gefunden:");
  Text_Files::New_Line();
  for (int32_t i = 1; i <= anzahluts; ++i) {
    Text_Files::Put("  " + std::to_string(i) + ": ");
    // A name is shown as an index line is: a terminal obeys no control
    // character of a registry key or a folder's name.
    ustrings::Put_Line(sichtbar(installierteuts[i - 1].name));
  }
  Text_Files::New_Line();
  Text_Files::Put("Geben sie die Nr. der Installation ein: ");

  Text_Files::File& input = Text_Files::Standard_Input();
  int32_t auswahl = Get_Integer(input);
  if (auswahl < 0) throw Constraint_Error("range check failed");
  Text_Files::Skip_Line(input);
  if (auswahl < 1 || auswahl > anzahluts) throw Constraint_Error("index check failed");

  return installation_von(installierteuts[auswahl - 1]);
}

Installation genannte_installation(std::string ordner) {
  std::string genannt = ordner;
  bool linux = Host_Path(ordner);
  while (!linux && ordner.size() > 1 && (ordner.back() == '\\' || ordner.back() == '/'))
    ordner.pop_back();
  if (ordner.empty()) throw IO_Exceptions::Name_Error("keine Installation: " + genannt);
  // Named relative to the working folder, it is stored whole, so that a
  // restore started elsewhere finds it.
  // (Windows' name of a device, \\.\NUL, is none.)
  if (std::string ganz = Host_Files::Whole_Path(ordner); !ganz.starts_with("\\\\.\\"))
    ordner = ganz;
  // A folder in a Wine prefix is the game's there: its C:\ path, read in
  // that prefix's code page, its further installations on its drives.
  if (std::string praefix = Prefix_Of(ordner); !praefix.empty()) Use_Prefix(praefix);
  // Whatever it became: "." made whole is a Linux path, one in drive C: a
  // Windows path.
  std::string form = ordner;
  linux = Host_Path(form);
  // A native game's folder is read by the game with exact names, whether
  // its Cache is there or not.
  bool exakt = false;
  for (const std::string& spiel : Native_Game_Folders())
    exakt = exakt || Installation_Identity(spiel) == Installation_Identity(ordner);
  return {ordner, ordner, exakt, linux || exakt};
}
