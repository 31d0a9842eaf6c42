// Undoing a run without a record, by the names of its kept files.
#include "driver/nach_namen.h"

#include <algorithm>
#include <map>
#include <vector>

#include "driver/cacheverarbeitung.h"
#include "driver/protokoll.h"
#include "platform/host_files.h"
#include "support/text_files.h"
#include "support/util-execution.h"

namespace {

// A kept file of a run folder without a record: its path, and its number
// among the versions of its name ("DM-Foo (2).ut2" is the second).
struct Fassung {
  int nummer;
  std::string pfad;
};

// The name without its number " (n)" before the ending, and the number (1
// for none).
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

// The kept files of a run folder without a record, by "<type
// folder><trenner><name>", each with its versions, oldest first. Only
// files of folders of its own: a link there is never followed.
std::map<std::string, std::vector<Fassung>> gesicherte(const std::string& laufordner,
                                                       const std::string& trenner) {
  std::map<std::string, std::vector<Fassung>> gefunden;
  for (const Typ& typ : typtabelle) {
    std::string ordner = laufordner + ordnername(typ);
    if (Host_Files::Is_Link(ordner)) continue;
    ordner += trenner;
    for (const std::string& name : Host_Files::Names_In(ordner)) {
      if (Host_Files::Is_Link(ordner + name) ||
          Host_Files::Look(ordner + name, Host_Files::Seen::read) != Host_Files::Kind::file)
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

// Puts the oldest version back at `ziel` (what stands there is kept by the
// copy when it differs), then keeps the others beside it. False when the
// copy back failed: then every version stays where it is.
bool zuruecklegen(const std::vector<Fassung>& fassungen, const std::string& ziel, Modus modus) {
  const std::string& aelteste = fassungen.front().pfad;
  Text_Files::Put_Line(
      (modus == Modus::vorschau ? "wuerde zuruecklegen nach " : "lege zurueck nach ") + ziel);
  if (modus == Modus::vorschau) return true;
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

bool hat_gesicherte(const std::string& laufordner, const std::string& trenner) {
  return !gesicherte(laufordner, trenner).empty();
}

void nach_namen_zuruecklegen(const std::string& installation, const std::string& trenner,
                             const std::string& name, Modus modus, Rueckgabe& rueckgabe) {
  std::string sicherung = sicherung_von(installation, trenner);
  Text_Files::New_Line();
  if (!ist_laufordner(sicherung, name)) {
    Text_Files::Put_Line("- nichts wiederherzustellen in " + sicherung);
    return;
  }
  std::string ordner = sicherung + name + trenner;
  Text_Files::Put_Line(
      (modus == Modus::vorschau ? "wuerde wiederherstellen aus " : "stelle wieder her aus ") +
      ordner);
  for (const auto& [pfad, fassungen] : gesicherte(ordner, trenner)) {
    if (zuruecklegen(fassungen, installation + trenner + pfad, modus)) {
      ++rueckgabe.zurueck;
    } else {
      Text_Files::Put_Line("!! Zuruecklegen fehlgeschlagen -> bleibt in Morvane-Sicherung !!");
      ++rueckgabe.fehlgeschlagen;
    }
    Text_Files::Flush(Text_Files::Standard_Output());
  }
}
