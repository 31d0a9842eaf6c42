// Finding the installed games and letting the user choose one.
#include "driver/morvanepack.h"

#include "base/errors.h"
#include "platform/gwindows-registry.h"
#include "platform/user_folders.h"
#include "support/integer_input.h"
#include "support/text_files.h"
#include "support/ustrings.h"

namespace {
const char kInstalledApps[] = "SOFTWARE\\Unreal Technology\\Installed Apps";
}

Installation utinstallationen() {
  using namespace GWindows::Registry;
  // Games registered in the registry first, then the native games' user
  // folders. Without either, the registry's own error.
  std::vector<std::string> benutzerordner = User_Folders();
  std::optional<Key_Name_Array> registriert = Find_Sub_Keys(kInstalledApps, HKEY_LOCAL_MACHINE);
  if (!registriert && benutzerordner.empty()) {
    // Natively a player is told where the program looked; on Windows the
    // registry's own error says it.
    std::string gesucht = Places_Searched();
    if (!gesucht.empty()) throw Registry_Error("keine Installation gefunden in " + gesucht);
    registriert = Get_Sub_Keys(kInstalledApps, HKEY_LOCAL_MACHINE);
  }
  Key_Name_Array installierteuts = registriert.value_or(Key_Name_Array{});
  const int32_t anzahlregistriert = static_cast<int32_t>(installierteuts.size());
  installierteuts.insert(installierteuts.end(), benutzerordner.begin(), benutzerordner.end());
  const int32_t anzahluts = static_cast<int32_t>(installierteuts.size());

  Text_Files::Put_Line("Folgende UT-Installationen gefunden:");
  Text_Files::New_Line();
  for (int32_t i = 1; i <= anzahluts; ++i) {
    Text_Files::Put("  " + std::to_string(i) + ": ");
    ustrings::Put_Line(installierteuts[i - 1]);
  }
  Text_Files::New_Line();
  Text_Files::Put("Geben sie die Nr. der Installation ein: ");
  Text_Files::Flush(Text_Files::Standard_Output());

  Text_Files::File& input = Text_Files::Standard_Input();
  int32_t auswahl = Get_Integer(input);
  if (auswahl < 0) throw Constraint_Error("range check failed");
  Text_Files::Skip_Line(input);
  if (auswahl < 1 || auswahl > anzahluts) throw Constraint_Error("index check failed");

  const std::string& name = installierteuts[auswahl - 1];
  if (auswahl > anzahlregistriert) return {name, name, /*exact_names=*/true};
  return {name,
          Get_Value(std::string(kInstalledApps) + "\\" + name + "\\", "Folder", HKEY_LOCAL_MACHINE),
          false};
}
