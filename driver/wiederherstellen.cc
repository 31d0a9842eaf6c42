// Putting back what one run kept.
#include "driver/wiederherstellen.h"

#include <algorithm>
#include <map>
#include <vector>

#include "base/errors.h"
#include "driver/cacheverarbeitung.h"
#include "platform/host_files.h"
#include "support/text_files.h"
#include "support/util-execution.h"

namespace {

// A kept file: its path, and its number among the versions of its name
// that one run kept ("DM-Foo (2).ut2" is the second; the first has none).
struct Fassung {
  int nummer;
  std::string pfad;
};

// The name without its number " (n)" before the ending, and the number (1
// for none). Packages are named as identifiers: a number is always the
// program's.
std::string grundname(const std::string& name, int& nummer) {
  size_t punkt = std::min(name.rfind('.'), name.size());
  size_t klammer = name.rfind(" (", punkt);
  nummer = 1;
  if (klammer == std::string::npos || punkt < klammer + 4 || name[punkt - 1] != ')') return name;
  std::string ziffern = name.substr(klammer + 2, punkt - 1 - (klammer + 2));
  if (ziffern.size() > 6 || ziffern[0] == '0' ||
      !std::all_of(ziffern.begin(), ziffern.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return name;
  nummer = std::stoi(ziffern);
  return name.substr(0, klammer) + name.substr(punkt);
}

// The folder of a type without its backslashes ("Maps").
std::string ordnername(const Typ& typ) {
  return std::string(typ.subpfad.substr(1, typ.subpfad.size() - 2));
}

// The kept files of a run folder, by "<type folder><trenner><name>", each
// with its versions, oldest first.
std::map<std::string, std::vector<Fassung>> gesicherte(const std::string& laufordner,
                                                       const std::string& trenner) {
  std::map<std::string, std::vector<Fassung>> gefunden;
  for (const Typ& typ : typtabelle) {
    std::string ordner = laufordner + ordnername(typ) + trenner;
    for (const std::string& name : Host_Files::Names_In(ordner)) {
      if (Host_Files::Look(ordner + name, Host_Files::Seen::read) != Host_Files::Kind::file)
        continue;
      int nummer = 1;
      std::string grund = grundname(name, nummer);
      gefunden[ordnername(typ) + trenner + grund].push_back({nummer, ordner + name});
    }
  }
  for (auto& [name, fassungen] : gefunden)
    std::sort(fassungen.begin(), fassungen.end(),
              [](const Fassung& a, const Fassung& b) { return a.nummer < b.nummer; });
  return gefunden;
}

// Whether `ordner` is a run folder as the program makes it: a folder of its
// own (no link), named for its time.
bool laufordner(const std::string& sicherung, const std::string& name) {
  return Util::Execution::Is_Run_Name(name) &&
         Host_Files::Look(sicherung + name, Host_Files::Seen::read) == Host_Files::Kind::folder &&
         !Host_Files::Is_Link(sicherung + name);
}

// The name of the run folder to restore: `lauf`, checked, or the latest
// with kept files; "" for none.
std::string waehlen(const std::string& sicherung, const std::string& trenner,
                    const std::string& lauf) {
  if (!lauf.empty()) {
    // A run restored already (its folder gone) leaves nothing to do.
    if (Util::Execution::Is_Run_Name(lauf) &&
        Host_Files::Look(sicherung + lauf, Host_Files::Seen::read) == Host_Files::Kind::absent)
      return "";
    if (!laufordner(sicherung, lauf))
      throw IO_Exceptions::Name_Error("kein Lauf von Morvane in " + sicherung + ": " + lauf);
    return lauf;
  }
  std::vector<std::string> namen = Host_Files::Names_In(sicherung);
  std::sort(namen.rbegin(), namen.rend());
  for (const std::string& name : namen)
    if (laufordner(sicherung, name) && !gesicherte(sicherung + name + trenner, trenner).empty())
      return name;
  return "";
}

// Puts the oldest version back at `ziel` (what stands there is kept by the
// copy when it differs), then keeps the others beside it. False when the
// copy back failed: then every version stays where it is.
bool zuruecklegen(const std::vector<Fassung>& fassungen, const std::string& ziel) {
  const std::string& aelteste = fassungen.front().pfad;
  Text_Files::Put_Line("lege zurueck nach " + ziel);
  if (Util::Execution::Execute(Util::Execution::Copy_Command(aelteste, ziel)) != 0 ||
      !Host_Files::Same_Bytes(aelteste, ziel))
    return false;
  Util::Execution::Execute(Util::Execution::Delete_Command(aelteste));
  for (size_t i = 1; i < fassungen.size(); ++i) {
    std::string gesichert;
    if (Host_Files::Keep(fassungen[i].pfad, Util::Execution::Keep_Path(ziel), &gesichert) != 0)
      continue;  // it stays in the old run folder
    Util::Execution::Report_Kept(gesichert);
    Host_Files::Remove(fassungen[i].pfad);
  }
  return true;
}

}  // namespace

void wiederherstellen(const std::string& installation, const std::string& trenner,
                      const std::string& lauf, Rueckgabe& rueckgabe) {
  std::string sicherung = installation + trenner + "Morvane-Sicherung" + trenner;
  std::string name = waehlen(sicherung, trenner, lauf);
  Text_Files::New_Line();
  if (name.empty()) {
    Text_Files::Put_Line("- nichts wiederherzustellen in " + sicherung);
    return;
  }
  std::string ordner = sicherung + name + trenner;
  Text_Files::Put_Line("stelle wieder her aus " + ordner);
  // What this restore keeps goes to a run folder of its own.
  Util::Execution::Keep_After(name);
  for (const auto& [pfad, fassungen] : gesicherte(ordner, trenner)) {
    if (zuruecklegen(fassungen, installation + trenner + pfad)) {
      ++rueckgabe.zurueck;
    } else {
      Text_Files::Put_Line("!! Zuruecklegen fehlgeschlagen -> bleibt in Morvane-Sicherung !!");
      ++rueckgabe.fehlgeschlagen;
    }
  }
  // The run folder goes once it is empty.
  for (const Typ& typ : typtabelle) Host_Files::Remove_Folder(ordner + ordnername(typ));
  Host_Files::Remove_Folder(sicherung + name);
}
