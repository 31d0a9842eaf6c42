// Reading a whole number typed at the console.
#include "support/integer_input.h"

#include <string>

#include "base/digits.h"
#include "base/errors.h"

namespace {

// Takes the next character into `run` when it is one of `chars`.
bool Load(Text_Files::File& file, std::string& run, std::string_view chars) {
  int c = Text_Files::Look_Ahead(file);
  if (c == EOF || chars.find(static_cast<char>(c)) == std::string_view::npos) return false;
  run += static_cast<char>(Text_Files::Get_Character(file));
  return true;
}

// Takes digits (hex digits when `extended`), an underscore being taken only
// right after a digit. True when at least one digit was taken.
bool Load_Digits(Text_Files::File& file, std::string& run, bool extended) {
  bool loaded = false, after_digit = false;
  for (;;) {
    int c = Text_Files::Look_Ahead(file);
    if (c != EOF && Digit_Value(c) < (extended ? 16 : 10)) {
      loaded = after_digit = true;
    } else if (c == '_' && after_digit) {
      after_digit = false;
    } else {
      return loaded;
    }
    run += static_cast<char>(Text_Files::Get_Character(file));
  }
}

const uint64_t kLimit = uint64_t{1} << 31;  // one past the largest magnitude kept

// Reads digits of `base` with single underscores between them at `pos`;
// the value saturates above kLimit. False when there is no such numeral.
bool Numeral(std::string_view text, size_t& pos, unsigned base, uint64_t& value) {
  value = 0;
  bool need_digit = true;
  while (pos < text.size()) {
    char c = text[pos];
    if (c == '_' && !need_digit && pos + 1 < text.size()) {
      need_digit = true;
    } else if (Digit_Value(c) < static_cast<int>(base)) {
      value = std::min(value * base + Digit_Value(c), kLimit + 1);
      need_digit = false;
    } else {
      break;
    }
    ++pos;
  }
  return !need_digit;
}

}  // namespace

std::optional<int32_t> Integer_Value(std::string_view text) {
  size_t pos = 0;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
  uint64_t value;
  if (!Numeral(text, pos, 10, value)) return std::nullopt;
  uint64_t base = 10;
  if (pos < text.size() && (text[pos] == '#' || text[pos] == ':')) {
    char mark = text[pos++];
    if (value < 2 || value > 16) return std::nullopt;
    base = value;
    if (!Numeral(text, pos, static_cast<unsigned>(base), value)) return std::nullopt;
    if (pos >= text.size() || text[pos++] != mark) return std::nullopt;
  }
  if (pos < text.size() && (text[pos] == 'E' || text[pos] == 'e')) {
    ++pos;
    if (pos < text.size() && text[pos] == '+') ++pos;
    uint64_t exponent;
    if (!Numeral(text, pos, 10, exponent)) return std::nullopt;
    for (uint64_t i = 0; i < exponent && value != 0 && value <= kLimit; ++i) value *= base;
  }
  if (pos != text.size()) return std::nullopt;
  if (value > kLimit || (value == kLimit && !negative)) return std::nullopt;
  return negative ? static_cast<int32_t>(-static_cast<int64_t>(value))
                  : static_cast<int32_t>(value);
}

int32_t Get_Integer(Text_Files::File& file) {
  for (;;) {
    int c = Text_Files::Look_Ahead(file);
    if (c == EOF) throw IO_Exceptions::End_Error();
    if (c == '\r' && Text_Files::Look_Ahead(file, 1) == '\n') {
      Text_Files::Get_Character(file);
    } else if (c == ' ' || c == '\t' || c == '\n' || c == '\f') {
      Text_Files::Get_Character(file);
    } else {
      break;
    }
  }
  std::string run;
  Load(file, run, "+-");
  if (Load_Digits(file, run, false)) {
    if (Load(file, run, "#:")) {
      Load_Digits(file, run, true);
      Load(file, run, "#:");
    }
    if (Load(file, run, "Ee")) {
      Load(file, run, "+-");
      Load_Digits(file, run, false);
    }
  }
  std::optional<int32_t> value = Integer_Value(run);
  if (!value) throw IO_Exceptions::Data_Error();
  return *value;
}
