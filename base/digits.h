// Digits of numbers written in bases up to 16.
#pragma once

// The value of the digit `c` (0-9, a-f, A-F), or 99 when it is none, so
// that `Digit_Value(c) < base` asks whether it is a digit of that base.
inline int Digit_Value(int c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 99;
}
