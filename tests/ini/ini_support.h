// Files for the INI tests: text in, bytes on the handset, text out.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "ce/files.h"

#include "handset_fixture.h"
#include "ini_bytes.h"

class IniTest : public HandsetTest {
 protected:
  static constexpr const char16_t* kPath = u"\\Disk\\test.ini";

  void Put(const std::u16string& text, bool mark = true) {
    handset().PutFile(kPath, IniBytes(text, mark));
  }
  // The names in a folder, as FindFirstFileW lists them.
  static std::set<std::u16string> Names(const std::u16string& folder) {
    std::set<std::u16string> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + u"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do names.insert(found.cFileName);
    while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
  }
  std::vector<unsigned char> Bytes() { return handset().ReadFile(kPath); }
  // The file's text after the mark; fails the test when the mark is missing.
  std::u16string Text() {
    auto bytes = Bytes();
    EXPECT_GE(bytes.size(), 2u);
    if (bytes.size() < 2 || bytes[0] != 0xFF || bytes[1] != 0xFE) {
      ADD_FAILURE() << "no mark";
      return u"";
    }
    std::u16string text;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
      text.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
    return text;
  }
};
