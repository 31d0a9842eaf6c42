// Steam's own files: the libraries in libraryfolders.vdf, and where an
// app's manifest says the app lies. VDF has no reader in Debian, nor on
// Windows: a small one is here.
#include "platform/steam_files.h"

#include <optional>

#include "base/utf8.h"

namespace Steam_Files {

namespace {

// A VDF entry: a text, or a block of named entries.
struct Vdf_Entry;
struct Vdf {
  std::string text;
  std::vector<Vdf_Entry> block;
  bool is_block = false;
};
struct Vdf_Entry {
  std::string name;
  Vdf value;
};

const int kMax_Depth = 32;

// Reads VDF text: "name" "text", or "name" { ... }, with // comments and
// \\, \", \n, \t escapes; a name or a text may go unquoted.
struct Vdf_Reader {
  const std::string& in;
  size_t pos = 0;

  void Skip() {
    for (;;) {
      while (pos < in.size() &&
             (in[pos] == ' ' || in[pos] == '\t' || in[pos] == '\r' || in[pos] == '\n'))
        ++pos;
      if (in.compare(pos, 2, "//") != 0) return;
      while (pos < in.size() && in[pos] != '\n') ++pos;
    }
  }

  // A quoted or bare word; nothing at a brace or at the end.
  std::optional<std::string> Word() {
    Skip();
    if (pos >= in.size() || in[pos] == '{' || in[pos] == '}') return std::nullopt;
    std::string word;
    if (in[pos] != '"') {
      while (pos < in.size() && std::string_view(" \t\r\n{}\"").find(in[pos]) == std::string::npos)
        word += in[pos++];
      if (word.empty()) return std::nullopt;  // a character that ends no word
      return word;
    }
    for (++pos; pos < in.size() && in[pos] != '"'; ++pos) {
      if (in[pos] == '\\' && pos + 1 < in.size()) {
        char c = in[++pos];
        word += c == 'n' ? '\n' : c == 't' ? '\t' : c;
      } else {
        word += in[pos];
      }
    }
    if (pos >= in.size()) return std::nullopt;  // no closing quote
    ++pos;
    return word;
  }

  // The entries of a block up to its "}" (or the end of the text at depth 0).
  bool Block(Vdf& into, int depth) {
    if (depth > kMax_Depth) return false;
    into.is_block = true;
    for (;;) {
      Skip();
      if (pos >= in.size()) return depth == 0;
      if (in[pos] == '}') {
        ++pos;
        return depth > 0;
      }
      std::optional<std::string> name = Word();
      if (!name) return false;
      Vdf entry;
      Skip();
      if (pos < in.size() && in[pos] == '{') {
        ++pos;
        if (!Block(entry, depth + 1)) return false;
      } else {
        std::optional<std::string> text = Word();
        if (!text) return false;
        entry.text = *text;
      }
      into.block.push_back({std::move(*name), std::move(entry)});
    }
  }
};

const Vdf* Entry(const Vdf& block, std::string_view name) {
  for (const auto& [key, entry] : block.block)
    if (Utf8::Fold(key) == Utf8::Fold(name)) return &entry;
  return nullptr;
}

bool Is_Number(const std::string& text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

}  // namespace

std::vector<std::string> Libraries(const std::string& vdf) {
  Vdf file;
  Vdf_Reader reader{vdf};
  std::vector<std::string> libraries;
  if (!reader.Block(file, 0)) return libraries;
  const Vdf* folders = Entry(file, "libraryfolders");
  if (!folders || !folders->is_block) return libraries;
  for (const auto& [key, entry] : folders->block) {
    if (!Is_Number(key)) continue;  // TimeNextStatsReport, ContentStatsID
    const Vdf* path = entry.is_block ? Entry(entry, "path") : &entry;
    if (path && !path->is_block && !path->text.empty()) libraries.push_back(path->text);
  }
  return libraries;
}

std::string Installdir(const std::string& acf) {
  Vdf file;
  Vdf_Reader reader{acf};
  if (!reader.Block(file, 0)) return "";
  const Vdf* app = Entry(file, "AppState");
  const Vdf* dir = app && app->is_block ? Entry(*app, "installdir") : nullptr;
  if (!dir || dir->is_block) return "";
  // One name inside steamapps/common: nothing that leads out of it (a
  // separator, "..", a drive), nor a name no folder has.
  const std::string& name = dir->text;
  if (name.empty() || name == "." || name == ".." || name.back() == ' ' || name.back() == '.' ||
      name.find_first_of("/\\:") != std::string::npos || !Utf8::Valid(name))
    return "";
  for (unsigned char c : name)
    if (c < 0x20 || c == 0x7f) return "";
  return name;
}

}  // namespace Steam_Files
