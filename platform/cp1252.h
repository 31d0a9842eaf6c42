// Windows-1252, the 8-bit code page in which the native build reads an
// index that is neither UTF-8 nor UTF-16, as the game wrote it on a
// Windows of western Europe.
#pragma once

#include <string>
#include <string_view>

namespace Cp1252 {

// The text in UTF-8. The five bytes that the code page leaves undefined
// stand for the control characters of the same number, as the conversions
// of Windows and Wine have it.
std::string To_Utf8(std::string_view text);

}  // namespace Cp1252
