// Reading a whole number typed at the console, with the syntax of an
// optionally signed integer literal: "+2", "02", "1_0", "2E0", "16#1F#".
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "support/text_files.h"

// Skips blanks, tabs, line ends and form feeds, then takes the longest run of
// characters that can begin a literal (sign, digits with single underscores,
// a based part between "#" or ":" marks, an exponent); the character after
// the run stays unread. Data_Error when the run is no legal literal or its
// value does not fit 32 bits; End_Error when the input ends before a number.
int32_t Get_Integer(Text_Files::File& file);

// The value of an optionally signed integer literal, or nothing when it is
// not one or does not fit 32 bits.
std::optional<int32_t> Integer_Value(std::string_view literal);
