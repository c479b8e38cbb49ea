#include "reg_value.h"

#include <gtest/gtest.h>

#include "ce/registry.h"
#include "errors.h"
#include "journal_view.h"
#include "reg_path.h"

namespace m8sim {
namespace {

TEST(RegValueTest, EveryTypeRoundTripsThroughItsWords) {
  struct Case {
    const char* type;
    std::vector<std::string> words;
    nlohmann::json decoded;
  } cases[] = {
      {"sz", {"caf\xc3\xa9"}, "caf\xc3\xa9"},
      {"expand_sz", {"%windir%"}, "%windir%"},
      {"dword", {"0xFFFFFFFF"}, 0xFFFFFFFFu},
      {"DWORD", {"-1"}, 0xFFFFFFFFu},
      {"binary", {"00 ff,10"}, "00ff10"},
      {"multi_sz", {"a", "bc"}, nlohmann::json({"a", "bc"})},
  };
  for (const auto& c : cases) {
    auto type = RegTypeByName(c.type);
    ASSERT_TRUE(type) << c.type;
    EXPECT_EQ(DecodeRegValue(*type, EncodeRegValue(*type, c.words)), c.decoded) << c.type;
  }
  // The layout the platform keeps: NUL-terminated UTF-16, a list ending in an empty string.
  EXPECT_EQ(EncodeRegValue(REG_SZ, {"A"}), (std::vector<uint8_t>{'A', 0, 0, 0}));
  EXPECT_EQ(EncodeRegValue(REG_MULTI_SZ, {"A"}), (std::vector<uint8_t>{'A', 0, 0, 0, 0, 0}));
}

TEST(RegValueTest, WordsThatDoNotFitTheTypeAreRefused) {
  EXPECT_FALSE(RegTypeByName("qword"));
  EXPECT_THROW(EncodeRegValue(REG_DWORD, {"0x100000000"}), UsageError);
  EXPECT_THROW(EncodeRegValue(REG_DWORD, {"ten"}), UsageError);
  EXPECT_THROW(EncodeRegValue(REG_BINARY, {"0f0"}), UsageError);
  EXPECT_THROW(EncodeRegValue(REG_SZ, {"a", "b"}), UsageError);
  EXPECT_THROW(EncodeRegValue(REG_MULTI_SZ, {"a", ""}), UsageError);
}

TEST(RegValueTest, DataThatDoesNotFitItsTypeShowsAsHex) {
  EXPECT_EQ(DecodeRegValue(REG_DWORD, {1, 2}), "0102");
  EXPECT_EQ(DecodeRegValue(REG_SZ, {'a', 0, 'b'}), "610062");
  EXPECT_EQ(DecodeRegValue(99, {7}), "07");
  // A string stops at its first NUL, as the platform reads it.
  EXPECT_EQ(DecodeRegValue(REG_SZ, {'a', 0, 0, 0, 'b', 0}), "a");
  std::vector<uint8_t> long_data(100, 0xAB);
  std::string text = RegValueText(REG_BINARY, long_data);
  EXPECT_NE(text.find("(100 bytes)"), std::string::npos);
  EXPECT_LT(text.size(), 120u);
}

TEST(RegPathTest, RootsByEitherNameAndEitherSlash) {
  KeyPath path = ParseKeyPath("hklm/Software\\Demo\\");
  EXPECT_EQ(path.root, HKEY_LOCAL_MACHINE);
  EXPECT_EQ(path.sub_key, u"Software\\Demo");
  EXPECT_EQ(path.Full(), u"HKEY_LOCAL_MACHINE\\Software\\Demo");
  EXPECT_EQ(ParseKeyPath("HKEY_CURRENT_USER").root, HKEY_CURRENT_USER);
  EXPECT_TRUE(ParseKeyPath("HKU").sub_key.empty());
  EXPECT_THROW(ParseKeyPath("HKLMX\\Software"), UsageError);
  EXPECT_THROW(ParseKeyPath(""), UsageError);
}

TEST(JournalViewTest, RegistryWritesAreDecodedByType) {
  cehost::JournalEntry entry;
  entry.seq = 7;
  entry.kind = "reg.set_value";
  entry.fields = {
      {"key", "HKEY_LOCAL_MACHINE\\DialParameter"}, {"name", "gprsSendDataCount"}, {"type", "4"}};
  entry.bytes = {0xB0, 0x04, 0, 0};
  nlohmann::json json = EntryJson(entry);
  EXPECT_EQ(json["value"], 1200);
  EXPECT_EQ(json["type_name"], "dword");
  EXPECT_EQ(json["seq"], 7);
  EXPECT_FALSE(json.contains("bytes"));
  std::string text = DescribeEntry(entry);
  EXPECT_NE(text.find("gprsSendDataCount"), std::string::npos);
  EXPECT_NE(text.find("1200"), std::string::npos);

  // Other effects keep their bytes, in hex; a trace line shows without its line end.
  cehost::JournalEntry write;
  write.kind = "file.write";
  write.fields = {{"path", "\\Disk\\a"}, {"offset", "0"}, {"size", "2"}};
  write.bytes = {0xFF, 0xFE};
  EXPECT_EQ(EntryJson(write)["bytes"], "fffe");
  cehost::JournalEntry trace;
  trace.kind = "trace";
  trace.fields = {{"text", "line\r\n"}};
  EXPECT_EQ(DescribeEntry(trace).substr(DescribeEntry(trace).size() - 4), "line");
}

TEST(JournalViewTest, CutEntriesShowTheirFullSizeAndNoPartialValue) {
  // A string value of which the journal kept the first 4 of its 10 bytes: "ab" would be a lie.
  cehost::JournalEntry entry;
  entry.kind = "reg.set_value";
  entry.fields = {{"key", "HKEY_CURRENT_USER\\K"}, {"name", "Text"}, {"type", "1"}};
  entry.bytes = {'a', 0, 'b', 0};
  entry.byte_count = 10;
  nlohmann::json json = EntryJson(entry);
  EXPECT_FALSE(json.contains("value"));
  EXPECT_EQ(json["type_name"], "sz");
  EXPECT_EQ(json["bytes"], "61006200");
  EXPECT_EQ(json["byte_count"], 10);
  EXPECT_EQ(json["bytes_cut"], true);
  std::string text = DescribeEntry(entry);
  EXPECT_NE(text.find("sz (10 bytes, the first 4 kept)"), std::string::npos) << text;

  cehost::JournalEntry other;
  other.kind = "device.ioctl";
  other.bytes = {1, 2};
  other.byte_count = 3000;
  EXPECT_NE(DescribeEntry(other).find("(3000 bytes, the first 2 kept)"), std::string::npos);
}

}  // namespace
}  // namespace m8sim
