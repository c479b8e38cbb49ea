// Import of Version 5.00 and REGEDIT4 files: value bytes, escapes, continuations, deletions and
// the refusal of malformed files.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>

#include "handset_fixture.h"
#include "reg_support.h"
#include "sim/regfile/reg_file.h"

namespace {

using RegImportTest = HandsetTest;

RegValue Sz(std::u16string_view text) {
  return {REG_SZ, SzBytes(text)};
}

TEST_F(RegImportTest, EveryValueTypeIsStoredWithTheEditorsBytes) {
  EXPECT_EQ(sim::ImportRegistry(Reg5({
                u"[HKEY_LOCAL_MACHINE\\K]",
                u"@=\"dflt\"",
                u"\"Sz\"=\"a\\\\b \\\"q\\\" ; not a comment\"",
                u"\"Dw\"=dword:0A0b0C0d",
                u"\"Small\"=dword:7",
                u"\"Bin\"=hex:ff,0,7f",
                u"\"Exp\"=hex(2):25,00,00,00",
                u"\"Big\"=hex(B):01,02",
                u"\"Gone\"=-",
            })),
            7u);
  const HKEY lm = HKEY_LOCAL_MACHINE;
  EXPECT_EQ(QueryValue(lm, u"K", u""), Sz(u"dflt"));
  EXPECT_EQ(QueryValue(lm, u"K", u"Sz"), Sz(u"a\\b \"q\" ; not a comment"));
  EXPECT_EQ(QueryValue(lm, u"K", u"Dw"), (RegValue{REG_DWORD, {0x0d, 0x0c, 0x0b, 0x0a}}));
  EXPECT_EQ(QueryValue(lm, u"K", u"Small"), (RegValue{REG_DWORD, {7, 0, 0, 0}}));
  EXPECT_EQ(QueryValue(lm, u"K", u"Bin"), (RegValue{REG_BINARY, {0xff, 0x00, 0x7f}}));
  EXPECT_EQ(QueryValue(lm, u"K", u"Exp"), (RegValue{REG_EXPAND_SZ, {0x25, 0, 0, 0}}));
  EXPECT_EQ(QueryValue(lm, u"K", u"Big"), (RegValue{0xB, {1, 2}}));
}

TEST_F(RegImportTest, LayoutFreedomsOfTheEditorAreAccepted) {
  std::u16string text =
      u"\xFEFFWindows Registry Editor Version 5.00\n"
      u"; a comment\n"
      u"\n"
      u"  [hkcu\\A\\B]   ; trailing comment\n"
      u"\"Hex\" = hex:01,02,\\\n"
      u"      03 , 04,\\\n"
      u"\t05\n"
      u"   ; between values\n"
      u"\"Word\"=dword:00000010 ; sixteen\n";
  std::vector<uint8_t> bytes;
  for (char16_t c : text) {
    bytes.push_back(static_cast<uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<uint8_t>(c >> 8));
  }
  EXPECT_EQ(sim::ImportRegistry(bytes), 2u);
  EXPECT_EQ(QueryValue(HKEY_CURRENT_USER, u"A\\B", u"Hex"),
            (RegValue{REG_BINARY, {1, 2, 3, 4, 5}}));
  EXPECT_EQ(QueryValue(HKEY_CURRENT_USER, u"A\\B", u"Word"), (RegValue{REG_DWORD, {16, 0, 0, 0}}));
}

TEST_F(RegImportTest, Regedit4TextIsUtf8WhenValidAndLatin1Otherwise) {
  sim::ImportRegistry(Reg4({"[HKEY_CURRENT_USER\\U]", "\"Name\"=\"\xE4\xB8\xAD\xE5\x9B\xBD\"",
                            "\"Path\"=hex(2):25,41,25,00", "\"List\"=hex(7):61,00,62,00,00"}));
  EXPECT_EQ(QueryValue(HKEY_CURRENT_USER, u"U", u"Name"), Sz(u"中国"));
  // Expandable and multiple strings are 8-bit in this format and come in widened.
  EXPECT_EQ(QueryValue(HKEY_CURRENT_USER, u"U", u"Path"),
            (RegValue{REG_EXPAND_SZ, SzBytes(u"%A%")}));
  EXPECT_EQ(QueryValue(HKEY_CURRENT_USER, u"U", u"List"),
            (RegValue{REG_MULTI_SZ, {'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}}));
  sim::ImportRegistry(Reg4({"[HKEY_CURRENT_USER\\L]", "\"Name\"=\"Caf\xE9\""}));
  EXPECT_EQ(QueryValue(HKEY_CURRENT_USER, u"L", u"Name"), Sz(u"Café"));
}

TEST_F(RegImportTest, DeletionLinesRemoveKeysAndValues) {
  sim::ImportRegistry(Reg5({u"[HKEY_LOCAL_MACHINE\\T\\Sub\\Deep]", u"\"v\"=dword:1",
                            u"[HKEY_LOCAL_MACHINE\\T]", u"\"keep\"=dword:1", u"\"drop\"=dword:2"}));
  EXPECT_EQ(sim::ImportRegistry(Reg5({
                u"[-HKEY_LOCAL_MACHINE\\T\\Sub]",
                u"\"ignored\"=dword:1",
                u"[-HKEY_LOCAL_MACHINE\\NeverThere]",
                u"[HKEY_LOCAL_MACHINE\\T]",
                u"\"drop\"=-",
                u"\"missing\"=-",
            })),
            0u);
  EXPECT_FALSE(HasKey(HKEY_LOCAL_MACHINE, u"T\\Sub"));
  EXPECT_TRUE(QueryValue(HKEY_LOCAL_MACHINE, u"T", u"keep"));
  EXPECT_FALSE(QueryValue(HKEY_LOCAL_MACHINE, u"T", u"drop"));
}

TEST_F(RegImportTest, MalformedFileNamesTheLineAndChangesNothing) {
  struct Case {
    std::vector<std::u16string> tail;
    int line;
    std::string says;
    // The file ends without a line end after its last line.
    bool cut = false;
  } cases[] = {
      {{u"\"y\"=dwrd:2"}, 5, "unknown value data"},
      {{u"[HKEY_LOCAL_MACHINE\\B"}, 5, "']'"},
      {{u"[HKEY_NOWHERE\\B]"}, 5, "not a registry key"},
      {{u"[HKEY_LOCAL_MACHINE\\B\\\\C]"}, 5, "not a registry key"},
      {{u"[-HKEY_CURRENT_USER]"}, 5, "root key"},
      {{u"\"y\"=\"a\\qb\""}, 5, "escape"},
      {{u"\"y\"=\"open"}, 5, "closing quote"},
      {{u"\"y\"=\"s\" extra"}, 5, "after the string"},
      {{u"\"y\"=dword:123456789"}, 5, "1 to 8"},
      {{u"\"y\"=hex:01,zz"}, 5, "\"zz\""},
      {{u"\"y\"=hex:01,\\", u"  02,,03"}, 6, "hexadecimal byte"},
      {{u"\"y\"=hex(7:00"}, 5, "parentheses"},
      {{u"\"y\"=hex:01,\\"}, 5, "past the end", true},
      {{u"\"y\" dword:1"}, 5, "'='"},
      {{u"stray"}, 5, "stray"},
  };
  for (const Case& c : cases) {
    std::vector<std::u16string> lines = {u"[HKEY_LOCAL_MACHINE\\A]", u"\"x\"=dword:1"};
    lines.insert(lines.end(), c.tail.begin(), c.tail.end());
    try {
      std::vector<uint8_t> bytes = Reg5(lines);
      if (c.cut) bytes.resize(bytes.size() - 4);
      sim::ImportRegistry(bytes);
      ADD_FAILURE() << "accepted: " << U8(c.tail[0]);
    } catch (const sim::RegFileError& e) {
      std::string message = e.what();
      EXPECT_EQ(message.rfind("line " + std::to_string(c.line) + ": ", 0), 0u) << message;
      EXPECT_NE(message.find(c.says), std::string::npos) << message;
    }
    EXPECT_FALSE(HasKey(HKEY_LOCAL_MACHINE, u"A")) << U8(c.tail[0]);
  }
}

// A registry call that fails midway (here a key the database refuses, as a full disk would)
// leaves the registry as it was before the import: none of the file's keys, values or deletions.
TEST_F(RegImportTest, FailureWhileApplyingLeavesTheRegistryAsItWas) {
  sim::ImportRegistry(Reg5({u"[HKEY_LOCAL_MACHINE\\Keep]", u"\"v\"=dword:1", u"\"gone\"=dword:2",
                            u"[HKEY_LOCAL_MACHINE\\Other\\Sub]", u"\"w\"=dword:3"}));
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open((handset().home() / "registry.db").c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db,
                         "CREATE TRIGGER poison BEFORE INSERT ON keys WHEN NEW.name = 'Poison' "
                         "BEGIN SELECT RAISE(ABORT, 'refused'); END;",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(db);

  try {
    sim::ImportRegistry(Reg5({
        u"[HKEY_LOCAL_MACHINE\\New\\A]",
        u"\"x\"=dword:1",
        u"[HKEY_LOCAL_MACHINE\\Keep]",
        u"\"v\"=dword:9",
        u"\"gone\"=-",
        u"[-HKEY_LOCAL_MACHINE\\Other]",
        u"[HKEY_LOCAL_MACHINE\\New\\Poison]",
        u"\"y\"=dword:1",
    }));
    ADD_FAILURE() << "the import went through";
  } catch (const sim::RegFileError& e) {
    EXPECT_EQ(std::string(e.what()).rfind("line 9: cannot create", 0), 0u) << e.what();
  }
  EXPECT_FALSE(HasKey(HKEY_LOCAL_MACHINE, u"New"));
  EXPECT_EQ(QueryValue(HKEY_LOCAL_MACHINE, u"Keep", u"v"), (RegValue{REG_DWORD, {1, 0, 0, 0}}));
  EXPECT_EQ(QueryValue(HKEY_LOCAL_MACHINE, u"Keep", u"gone"), (RegValue{REG_DWORD, {2, 0, 0, 0}}));
  EXPECT_EQ(QueryValue(HKEY_LOCAL_MACHINE, u"Other\\Sub", u"w"),
            (RegValue{REG_DWORD, {3, 0, 0, 0}}));
  auto registry = handset().journal().EntriesWithPrefix("reg.");
  ASSERT_FALSE(registry.empty());
  EXPECT_EQ(registry.back().kind, "reg.rollback");
}

TEST_F(RegImportTest, BadHeaderOrEncodingIsRefused) {
  auto refused = [](std::vector<uint8_t> bytes, const std::string& start) {
    try {
      sim::ImportRegistry(bytes);
      return std::string("accepted");
    } catch (const sim::RegFileError& e) {
      return std::string(e.what()).substr(0, start.size());
    }
  };
  std::vector<uint8_t> version4 = {'R', 'E', 'G', 'E', 'D', 'I', 'T', '5', '\r', '\n'};
  EXPECT_EQ(refused(version4, "line 1: expected"), "line 1: expected");
  std::vector<uint8_t> odd = Reg5({u"[HKEY_CURRENT_USER\\A]"});
  odd.push_back(0x41);
  EXPECT_EQ(refused(odd, "line 4: "), "line 4: ");
  EXPECT_EQ(refused({}, "line 1: "), "line 1: ");
  EXPECT_FALSE(HasKey(HKEY_CURRENT_USER, u"A"));
}

}  // namespace
