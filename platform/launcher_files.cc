// The Lutris and Heroic files: YAML and JSON, read by yaml-cpp and
// nlohmann-json; and the menu entry of OldUnreal's native game.
#include "platform/launcher_files.h"

#include <yaml-cpp/yaml.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <string_view>

namespace Launcher_Files {

std::string Lutris_Prefix(const std::string& yaml) {
  // yaml-cpp tells of a file it cannot read by exceptions, and guards its
  // own depth; a file that is no Lutris configuration gives no prefix.
  try {
    YAML::Node game = YAML::Load(yaml)["game"];
    if (!game.IsMap()) return "";
    YAML::Node prefix = game["prefix"];
    return prefix.IsScalar() ? prefix.as<std::string>() : "";
  } catch (const YAML::Exception&) {
    return "";
  }
}

std::vector<std::string> Heroic_Prefixes(const std::string& json) {
  std::vector<std::string> prefixes;
  nlohmann::json file = nlohmann::json::parse(json, nullptr, /*allow_exceptions=*/false);
  if (!file.is_object()) return prefixes;
  for (const auto& [game, settings] : file.items()) {
    if (!settings.is_object()) continue;  // "version", "explicit"
    auto prefix = settings.find("winePrefix");
    if (prefix != settings.end() && prefix->is_string() && !prefix->get<std::string>().empty())
      prefixes.push_back(prefix->get<std::string>());
  }
  return prefixes;
}

std::string Desktop_Game_Folder(const std::string& desktop) {
  // The Exec key of the [Desktop Entry] group, its string escapes undone.
  std::string exec;
  bool entry = false;
  for (size_t start = 0, end; start < desktop.size() && exec.empty(); start = end + 1) {
    end = std::min(desktop.find('\n', start), desktop.size());
    std::string_view line(desktop.data() + start, end - start);
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (line.starts_with('[')) entry = line == "[Desktop Entry]";
    if (!entry || !line.starts_with("Exec=")) continue;
    for (size_t i = 5; i < line.size(); ++i) {
      char c = line[i];
      if (c == '\\' && i + 1 < line.size()) {
        c = line[++i];
        c = c == 's' ? ' ' : c == 'n' ? '\n' : c == 't' ? '\t' : c == 'r' ? '\r' : c;
      }
      exec += c;
    }
  }
  // Its program: the first argument, quoted (with \", \`, \$, \\) or not.
  std::string program;
  if (exec.starts_with('"')) {
    size_t i = 1;
    for (; i < exec.size() && exec[i] != '"'; ++i)
      program += exec[i] == '\\' && i + 1 < exec.size() ? exec[++i] : exec[i];
    if (i >= exec.size()) return "";
  } else {
    program = exec.substr(0, exec.find(' '));
  }
  const std::string_view kGame = "/System/UT2004";
  if (!program.starts_with('/') || !program.ends_with(kGame)) return "";
  return program.substr(0, program.size() - kGame.size());
}

}  // namespace Launcher_Files
