#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "ce/kernel.h"
#include "ce/registry.h"
#include "handle_table.h"
#include "handset_fixture.h"

namespace {

class JournalTest : public HandsetTest {};

TEST_F(JournalTest, EntriesAreNumberedInOrderAndWrittenAsJsonLines) {
  cehost::Journal journal;
  journal.AttachFile((handset().home() / "journal.jsonl").string());
  cehost::JournalEntry first;
  first.kind = "file.write";
  first.fields = {{"path", "\\Disk\\a \"quoted\" name"}, {"size", "2"}};
  first.bytes = {0xFF, 0xFE};
  journal.Record(first);
  cehost::JournalEntry second;
  second.kind = "trace";
  second.fields = {{"text", "line\r\n"}};
  journal.Record(second);

  auto entries = journal.Entries();
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].seq + 1, entries[1].seq);
  EXPECT_EQ(journal.Entries("trace").size(), 1u);
  EXPECT_EQ(journal.EntriesWithPrefix("file.").size(), 1u);

  std::ostringstream out;
  journal.WriteJsonLines(out);
  std::string expected =
      "{\"seq\":1,\"kind\":\"file.write\",\"path\":\"\\\\Disk\\\\a \\\"quoted\\\" name\","
      "\"size\":\"2\",\"bytes\":\"fffe\"}\n"
      "{\"seq\":2,\"kind\":\"trace\",\"text\":\"line\\r\\n\"}\n";
  EXPECT_EQ(out.str(), expected);
  // The attached file holds the same lines, appended as the entries came.
  std::ifstream file(handset().home() / "journal.jsonl");
  std::stringstream written;
  written << file.rdbuf();
  EXPECT_EQ(written.str(), expected);

  journal.Clear();
  EXPECT_EQ(journal.Size(), 0u);
}

TEST_F(JournalTest, DebugPrintIsFormattedIntoTheJournal) {
  handset().journal().Clear();
  NKDbgPrintfW(u"Corvanta::%s::%d %hs\r\n", u"StartRasConnect", -3, "x");
  auto trace = handset().journal().Entries("trace");
  ASSERT_EQ(trace.size(), 1u);
  EXPECT_EQ(trace[0].Field("text"), "Corvanta::StartRasConnect::-3 x\r\n");
}

TEST_F(JournalTest, HandleValuesFitIn32BitsAndAreNotReusedAtOnce) {
  std::vector<uintptr_t> seen;
  for (int i = 0; i < 50; ++i) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"K", 0, nullptr, 0, 0, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    auto value = reinterpret_cast<uintptr_t>(key);
    EXPECT_NE(value, 0u);
    EXPECT_LT(value, 0x80000000u);
    for (uintptr_t old : seen) ASSERT_NE(old, value);
    seen.push_back(value);
    ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  }
  // A handle of one kind is no handle of another.
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"K", 0, nullptr, 0, 0, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  EXPECT_FALSE(CloseHandle(reinterpret_cast<HANDLE>(key)));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

}  // namespace
