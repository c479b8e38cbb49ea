// libm8api.so exports exactly the names of its export list, and its exports work through it.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <string>

#include "frame/exports.h"
#include "handset_fixture.h"
#include "sim/phone_adapter/phone_adapter_program.h"

namespace {

std::set<std::string> ListedExports() {
  std::set<std::string> names;
  std::ifstream list(M8_EXPORT_LIST);
  for (std::string line; std::getline(list, line);) {
    if (!line.empty() && line[0] != '#') names.insert(line);
  }
  return names;
}

std::set<std::string> DynamicSymbols() {
  std::set<std::string> names;
  std::string command =
      std::string("nm -D --defined-only -C --format=posix '") + M8API_LIBRARY + "'";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return names;
  char line[1024];
  while (fgets(line, sizeof line, pipe)) {
    // posix format: NAME TYPE VALUE SIZE; a demangled name may hold spaces, so the type is the
    // third field from the end.
    std::string text(line);
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    for (int fields = 0; fields < 2; ++fields) {
      size_t space = text.rfind(' ');
      if (space == std::string::npos) break;
      text.resize(space);
    }
    size_t space = text.rfind(' ');
    if (space == std::string::npos) continue;
    names.insert(text.substr(0, space));
  }
  pclose(pipe);
  return names;
}

TEST(ExportsTest, LibraryExportsExactlyTheListedNames) {
  std::set<std::string> listed = ListedExports();
  ASSERT_FALSE(listed.empty());
  EXPECT_EQ(DynamicSymbols(), listed);
}

// Every export of the interface, one row of its table each, is implemented: a C name is listed
// as it is, a signature-decorated one with its parameters.
TEST(ExportsTest, EveryExportOfTheInterfaceIsImplemented) {
  const std::set<std::string> listed = ListedExports();
  std::ifstream table(M8_EXPORT_TABLE);
  std::string row;
  std::getline(table, row);  // the header
  size_t rows = 0;
  for (; std::getline(table, row); ++rows) {
    const std::string name = row.substr(0, row.find('\t'));
    bool found = listed.count(name) > 0;
    for (const auto& entry : listed) found |= entry.rfind(name + "(", 0) == 0;
    EXPECT_TRUE(found) << name;
  }
  EXPECT_EQ(rows, 126u);
  EXPECT_EQ(listed.size(), 126u);
}

class ExportsThroughLibraryTest : public HandsetTest {};

TEST_F(ExportsThroughLibraryTest, TelephonyExportsAnswer) {
  handset().program<sim::PhoneAdapter>().phone().Script()->missed_calls = 3;
  EXPECT_EQ(Dial_GetMissCallCnt(), 3u);
  EXPECT_EQ(CallNotifyApiDial_GetMissCallCnt(), 3);
}

}  // namespace
