// Fuzz targets read their input as a text file open for reading.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "support/text_files.h"

// Opens `file` for reading on a copy of the bytes (kept alive in `keep`).
inline void Open_Bytes(Text_Files::File& file, const uint8_t* data, size_t size,
                       std::vector<char>& keep) {
  keep.assign(data, data + size);
  keep.push_back(0);  // fmemopen wants a buffer of at least one byte
  std::FILE* stream = fmemopen(keep.data(), size ? size : 1, "rb");
  if (size == 0) std::fgetc(stream);  // an empty input: at its end at once
  Text_Files::Attach(file, stream, Text_Files::In_File, "fuzz input");
}

// The program writes its dialogue to standard output; the fuzzer has no use for it.
inline void Quiet_Standard_Output() {
  static bool once = std::freopen("/dev/null", "w", stdout) != nullptr;
  (void)once;
}
