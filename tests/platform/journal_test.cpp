#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <thread>

#include "ce/files.h"
#include "ce/kernel.h"
#include "ce/registry.h"
#include "handset_fixture.h"
#include "kernel/handle_table.h"
#include "server/journal_notice.h"
#include "server/requests.h"

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
  // The attached file holds the same entries, appended as they came, each naming its process;
  // read back, each is the entry recorded.
  std::ifstream file(handset().home() / "journal.jsonl");
  std::vector<cehost::JournalLine> lines;
  for (std::string text; std::getline(file, text);) {
    cehost::JournalLine line;
    ASSERT_TRUE(cehost::ParseJournalLine(text, &line)) << text;
    lines.push_back(line);
  }
  ASSERT_EQ(lines.size(), 2u);
  for (size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(lines[i].process, getpid());
    EXPECT_FALSE(lines[i].mark);
    EXPECT_EQ(lines[i].entry.ToJson(), entries[i].ToJson());
  }

  journal.Clear();
  EXPECT_EQ(journal.Size(), 0u);
}

// An entry of the kind with the given number of bytes, 0, 1, 2... (mod 256).
cehost::JournalEntry WithBytes(size_t count) {
  cehost::JournalEntry entry;
  entry.kind = "file.write";
  for (size_t i = 0; i < count; ++i) entry.bytes.push_back(static_cast<uint8_t>(i));
  return entry;
}

TEST_F(JournalTest, LimitsKeepTheNewestEntriesAndTheBeginningOfTheirBytes) {
  cehost::Journal journal;
  journal.SetLimits({5, 8});
  for (size_t i = 0; i < 12; ++i) journal.Record(WithBytes(i * 3));

  auto entries = journal.Entries();
  ASSERT_EQ(entries.size(), 5u);
  EXPECT_EQ(journal.Size(), 5u);
  for (size_t k = 0; k < entries.size(); ++k) {
    const cehost::JournalEntry& e = entries[k];
    size_t carried = (7 + k) * 3;
    // Numbering goes on past the dropped entries.
    EXPECT_EQ(e.seq, 8 + k);
    EXPECT_EQ(e.byte_count, carried);
    EXPECT_TRUE(e.BytesCut());
    EXPECT_EQ(e.bytes, WithBytes(8).bytes) << "entry " << e.seq;
  }
  // An entry within the limit is kept whole and is not marked as cut.
  journal.Record(WithBytes(8));
  auto last = journal.Entries().back();
  EXPECT_FALSE(last.BytesCut());
  EXPECT_EQ(last.byte_count, 8u);
  EXPECT_EQ(last.ToJson().find("bytes_cut"), std::string::npos);

  // Lowering the count drops the oldest at once; clearing keeps the numbering.
  journal.SetLimits({2, 8});
  EXPECT_EQ(journal.Entries().front().seq, 12u);
  journal.Clear();
  journal.Record(WithBytes(0));
  EXPECT_EQ(journal.Entries().front().seq, 14u);
}

TEST_F(JournalTest, AttachedFileGetsEveryEntryWhole) {
  cehost::Journal journal;
  journal.SetLimits({2, 4});
  std::string path = (handset().home() / "journal.jsonl").string();
  ASSERT_TRUE(journal.AttachFile(path));
  for (size_t i = 0; i < 3; ++i) journal.Record(WithBytes(10));
  // Detaching closes the file; later entries are not written to it.
  ASSERT_TRUE(journal.AttachFile(""));
  journal.Record(WithBytes(10));

  std::ifstream file(path);
  std::vector<nlohmann::json> lines;
  for (std::string line; std::getline(file, line);) lines.push_back(nlohmann::json::parse(line));
  ASSERT_EQ(lines.size(), 3u);
  for (const auto& line : lines) {
    EXPECT_EQ(line["bytes"], "00010203040506070809");
    EXPECT_FALSE(line.contains("bytes_cut"));
  }
  // The entry kept in memory says how many bytes there were.
  auto kept = nlohmann::json::parse(journal.Entries().back().ToJson());
  EXPECT_EQ(kept["bytes"], "00010203");
  EXPECT_EQ(kept["byte_count"], 10);
  EXPECT_EQ(kept["bytes_cut"], true);

  EXPECT_FALSE(journal.AttachFile((handset().home() / "no-folder" / "j.jsonl").string()));
}

TEST_F(JournalTest, MarksGoToTheFileOnlyAndForeignLinesAreRefused) {
  cehost::Journal journal;
  journal.Mark("m8sim.command", {{"command", "nothing attached"}});
  std::string path = (handset().home() / "journal.jsonl").string();
  ASSERT_TRUE(journal.AttachFile(path));
  journal.Mark("m8sim.command", {{"command", "call QueryNetWorkStatus"}});
  journal.Record(WithBytes(2));
  EXPECT_EQ(journal.Size(), 1u);

  std::ifstream file(path);
  std::string first, second;
  std::getline(file, first);
  std::getline(file, second);
  cehost::JournalLine mark, entry;
  ASSERT_TRUE(cehost::ParseJournalLine(first, &mark));
  EXPECT_TRUE(mark.mark);
  EXPECT_EQ(mark.entry.kind, "m8sim.command");
  EXPECT_EQ(mark.entry.Field("command"), "call QueryNetWorkStatus");
  ASSERT_TRUE(cehost::ParseJournalLine(second, &entry));
  EXPECT_FALSE(entry.mark);
  EXPECT_EQ(entry.entry.bytes, (std::vector<uint8_t>{0, 1}));

  cehost::JournalLine line;
  for (const char* text : {"", "[]", "{\"seq\":1}", "{\"kind\":\"trace\",\"bytes\":\"0g\"}",
                           "{\"kind\":\"trace\",\"text\":[1]}", "{\"kind\":\"trace\""})
    EXPECT_FALSE(cehost::ParseJournalLine(text, &line)) << text;
}

TEST_F(JournalTest, LinesOfWritersAppendingAtOnceStayWhole) {
  std::string path = (handset().home() / "journal.jsonl").string();
  // Entries far larger than any stream buffer, written at once by two journals, each with the
  // file open on its own as two processes have it.
  constexpr int kEntries = 40;
  auto write_entries = [&](int writer) {
    cehost::Journal journal;
    ASSERT_TRUE(journal.AttachFile(path));
    for (int i = 0; i < kEntries; ++i) {
      cehost::JournalEntry entry = WithBytes(100000);
      entry.fields = {{"writer", std::to_string(writer)}};
      journal.Record(std::move(entry));
    }
  };
  std::thread first(write_entries, 1);
  std::thread second(write_entries, 2);
  first.join();
  second.join();

  std::ifstream file(path);
  std::map<std::string, int> per_writer;
  for (std::string text; std::getline(file, text);) {
    cehost::JournalLine line;
    ASSERT_TRUE(cehost::ParseJournalLine(text, &line)) << "a line cut by another: " << text.size();
    EXPECT_EQ(line.entry.bytes.size(), 100000u);
    EXPECT_EQ(line.process, getpid());
    ++per_writer[line.entry.Field("writer")];
  }
  EXPECT_EQ(per_writer, (std::map<std::string, int>{{"1", kEntries}, {"2", kEntries}}));
}

TEST_F(JournalTest, RewritingAFileInALoopKeepsTheJournalBounded) {
  // The handset's journal has the default limits until a test sets others.
  cehost::Journal& journal = handset().journal();
  const cehost::JournalLimits limits = journal.Limits();
  journal.SetLimits({200, limits.max_entry_bytes});
  const std::vector<uint8_t> content(256 * 1024, 'x');
  for (int i = 0; i < 400; ++i) {
    HANDLE file = CreateFileW(u"\\big.ini", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ASSERT_TRUE(
        WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr));
    CloseHandle(file);
  }
  // 100 MiB went through the journal; it holds its last entries, each within the byte limit.
  auto entries = journal.Entries();
  EXPECT_EQ(entries.size(), 200u);
  size_t writes = 0;
  for (const auto& e : entries) {
    if (e.kind != "file.write") continue;
    ++writes;
    EXPECT_EQ(e.byte_count, content.size());
    EXPECT_EQ(e.bytes.size(), limits.max_entry_bytes);
  }
  EXPECT_GT(writes, 0u);
  EXPECT_LE(journal.KeptBytes(), 200 * limits.max_entry_bytes);
}

TEST_F(JournalTest, DefaultLimitsKeepSmallEffectsWholeAndCutLargeOnes) {
  cehost::Journal& journal = handset().journal();
  EXPECT_GE(journal.Limits().max_entries, 1000u);
  const size_t limit = journal.Limits().max_entry_bytes;
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"K", 0, nullptr, 0, 0, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  std::vector<uint8_t> small(limit, 1);
  std::vector<uint8_t> large(limit + 1, 2);
  ASSERT_EQ(RegSetValueExW(key, u"S", 0, REG_BINARY, small.data(), static_cast<DWORD>(limit)),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(key, u"L", 0, REG_BINARY, large.data(), static_cast<DWORD>(limit + 1)),
            ERROR_SUCCESS);
  RegCloseKey(key);
  auto sets = journal.Entries("reg.set_value");
  ASSERT_EQ(sets.size(), 2u);
  EXPECT_EQ(sets[0].bytes, small);
  EXPECT_FALSE(sets[0].BytesCut());
  EXPECT_EQ(sets[1].bytes, std::vector<uint8_t>(limit, 2));
  EXPECT_EQ(sets[1].byte_count, limit + 1);
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

// What an attached program had itself reaches its server whole (but for bytes past the notice's
// limit, which the byte count still tells), and a notice that is not one is refused.
TEST_F(JournalTest, ANoticeCarriesAnEntryToTheServer) {
  cehost::JournalEntry entry;
  entry.kind = "file.write";
  entry.fields = {{"path", "\\Disk\\big.bin"}, {"size", "100000"}};
  entry.bytes.assign(100000, 0x5A);
  cehost::wire::Writer notice = cehost::JournalNotice(entry);
  cehost::wire::Reader in(notice.bytes());
  EXPECT_EQ(in.U16(), static_cast<uint16_t>(cehost::ServerOp::kJournalNotice));
  cehost::JournalEntry read;
  ASSERT_TRUE(cehost::ReadJournalNotice(in, &read));
  EXPECT_EQ(read.kind, entry.kind);
  EXPECT_EQ(read.fields, entry.fields);
  EXPECT_EQ(read.bytes.size(), cehost::kMaxNoticeBytes);
  EXPECT_EQ(read.byte_count, 100000u);
  EXPECT_TRUE(read.BytesCut());

  cehost::wire::Writer bad;
  bad.Utf8("trace").U32(1000);
  cehost::wire::Reader bad_in(bad.bytes());
  EXPECT_FALSE(cehost::ReadJournalNotice(bad_in, &read));
}

}  // namespace
