// Fuzzes the console's number reader: it must take a number or fail with
// Data_Error or End_Error, and agree with the literal's value.
#include <cstdlib>

#include "base/errors.h"
#include "support/integer_input.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<char> keep;
  Text_Files::File file;
  Open_Bytes(file, data, size, keep);
  try {
    Get_Integer(file);
  } catch (const IO_Exceptions::Data_Error&) {
  } catch (const IO_Exceptions::End_Error&) {
  }
  std::string_view text(reinterpret_cast<const char*>(data), size);
  if (auto value = Integer_Value(text)) {
    // A literal that has a value reads back as that value.
    Text_Files::File again;
    Open_Bytes(again, data, size, keep);
    if (Get_Integer(again) != *value) std::abort();
  }
  return 0;
}
