// Writes into any file: a write that succeeds reads back, and one that fails leaves the file
// as it was.
#include <cstdlib>

#include "frame/exports.h"
#include "fuzz_input.h"
#include "sim/handset.h"

namespace {
constexpr const char16_t* kPath = u"\\fuzz.ini";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static sim::Handset* handset = new sim::Handset(sim::Handset::Options{{}, true});
  FuzzInput input(data, size);
  uint8_t op = input.Byte();
  std::u16string section = input.Text(input.Byte() % 12);
  std::u16string key = input.Text(input.Byte() % 12);
  std::u16string value = input.Text(input.Byte() % 12);
  std::vector<unsigned char> before = input.Rest();
  handset->PutFile(kPath, before);

  const char16_t* key_arg = op % 3 == 2 ? nullptr : key.c_str();
  const char16_t* value_arg = op % 3 == 0 ? value.c_str() : nullptr;
  INT result = IniWriteStringEx(section.c_str(), key_arg, value_arg, kPath);
  if (!result) {
    if (handset->ReadFile(kPath) != before) std::abort();
  } else if (key_arg && value_arg) {
    LPWSTR read = nullptr;
    if (!IniReadStringEx(section.c_str(), key_arg, &read, kPath)) std::abort();
    if (std::u16string(read) != value) std::abort();
    delete[] read;
  }
  handset->journal().Clear();
  return 0;
}
