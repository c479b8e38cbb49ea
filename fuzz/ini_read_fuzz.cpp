// Reads any file with any names: no crash, no read past a buffer, and a value that is found
// never holds a line end.
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
  std::u16string section = input.Text(input.Byte() % 16);
  std::u16string key = input.Text(input.Byte() % 16);
  handset->PutFile(kPath, input.Rest());

  IsExistAppEx(section.c_str(), kPath);
  LPWSTR value = nullptr;
  if (IniReadStringEx(section.c_str(), key.c_str(), &value, kPath)) {
    if (!value) std::abort();
    for (LPWSTR c = value; *c; ++c)
      if (*c == u'\n') std::abort();
    delete[] value;
  }
  INT number = 0;
  IniReadIntEx(section.c_str(), key.c_str(), &number, kPath);
  handset->journal().Clear();
  return 0;
}
