// The comparison of two handset snapshots, without a handset: what counts as a change, and how
// changes are grouped by key and folder.
#include "handset_diff.h"

#include <gtest/gtest.h>

#include "ce/registry.h"
#include "errors.h"

namespace {

using m8sim::Change;
using m8sim::HandsetSnapshot;
using m8sim::SnapshotEntry;
using m8sim::SnapshotKey;
using m8sim::SnapshotValue;

SnapshotValue Dword(const std::string& name, uint8_t value) {
  return {name, REG_DWORD, {value, 0, 0, 0}};
}

SnapshotEntry File(const std::string& path, const std::string& hash, uint64_t size = 4,
                   uint32_t attributes = 0x20) {
  return {path, false, attributes, size, hash};
}

SnapshotEntry Folder(const std::string& path, uint32_t attributes = 0x10) {
  return {path, true, attributes, 0, ""};
}

// A snapshot of a small handset to change: two keys and a folder tree.
HandsetSnapshot Base() {
  HandsetSnapshot s;
  s.keys = {
      {"HKEY_LOCAL_MACHINE", {}},
      {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Razud\\Theme", {Dword("DllTheme", 1)}},
      {"HKEY_CURRENT_USER\\Software\\VIROVU", {Dword("wifisetting", 1), Dword("wifitest", 0)}}};
  s.entries = {Folder("\\Windows"),
               File("\\Windows\\46000.ini", "aa"),
               Folder("\\Windows\\Themes"),
               Folder("\\Windows\\Themes\\Default1"),
               File("\\Windows\\Themes\\Default1\\Theme.ini", "bb"),
               Folder("\\Windows\\Themes\\Default1\\Icons"),
               File("\\Windows\\Themes\\Default1\\Icons\\A.png", "cc")};
  return s;
}

TEST(HandsetDiffTest, SameSnapshotAndCaseOnlyDifferencesAreNoChange) {
  EXPECT_TRUE(m8sim::DiffSnapshots(Base(), Base()).empty());
  HandsetSnapshot other = Base();
  other.keys[1].path = "HKEY_LOCAL_MACHINE\\Software\\RAZUD\\theme";
  other.keys[1].values[0].name = "DLLTHEME";
  other.entries[1].path = "\\WINDOWS\\46000.INI";
  EXPECT_TRUE(m8sim::DiffSnapshots(Base(), other).empty());
}

TEST(HandsetDiffTest, ValueChangesAreGroupedByKey) {
  HandsetSnapshot after = Base();
  auto& wifi = after.keys[2].values;
  wifi[0] = Dword("wifisetting", 0);               // data changed
  wifi[1] = {"wifitest", REG_SZ, {'0', 0, 0, 0}};  // type changed
  wifi.push_back(Dword("wifilast", 7));            // added
  after.keys[1].values.clear();                    // deleted
  after.keys.push_back({"HKEY_CURRENT_USER\\Software\\New", {Dword("a", 1), Dword("b", 2)}});
  m8sim::HandsetDiff diff = m8sim::DiffSnapshots(Base(), after);

  ASSERT_EQ(diff.keys.size(), 3u);
  // HKEY_CURRENT_USER before HKEY_LOCAL_MACHINE; keys by name.
  EXPECT_EQ(diff.keys[0].key, "HKEY_CURRENT_USER\\Software\\New");
  EXPECT_EQ(diff.keys[0].change, Change::kAdded);
  ASSERT_EQ(diff.keys[0].values.size(), 2u);
  EXPECT_EQ(diff.keys[0].values[1].change, Change::kAdded);
  EXPECT_EQ(diff.keys[0].values[1].after->data[0], 2);

  const m8sim::KeyChanges& virovu = diff.keys[1];
  EXPECT_EQ(virovu.change, Change::kChanged);
  ASSERT_EQ(virovu.values.size(), 3u);
  EXPECT_EQ(virovu.values[0].name, "wifilast");
  EXPECT_EQ(virovu.values[0].change, Change::kAdded);
  EXPECT_FALSE(virovu.values[0].before);
  EXPECT_EQ(virovu.values[1].name, "wifisetting");
  EXPECT_EQ(virovu.values[1].change, Change::kChanged);
  EXPECT_EQ(virovu.values[1].before->data[0], 1);
  EXPECT_EQ(virovu.values[1].after->data[0], 0);
  EXPECT_EQ(virovu.values[2].name, "wifitest");
  EXPECT_EQ(virovu.values[2].after->type, static_cast<uint32_t>(REG_SZ));

  EXPECT_EQ(diff.keys[2].change, Change::kChanged);
  ASSERT_EQ(diff.keys[2].values.size(), 1u);
  EXPECT_EQ(diff.keys[2].values[0].change, Change::kDeleted);
  EXPECT_FALSE(diff.keys[2].values[0].after);
}

TEST(HandsetDiffTest, DeletedKeyListsItsValuesAsDeleted) {
  HandsetSnapshot after = Base();
  after.keys.pop_back();
  m8sim::HandsetDiff diff = m8sim::DiffSnapshots(Base(), after);
  ASSERT_EQ(diff.keys.size(), 1u);
  EXPECT_EQ(diff.keys[0].change, Change::kDeleted);
  ASSERT_EQ(diff.keys[0].values.size(), 2u);
  EXPECT_EQ(diff.keys[0].values[0].change, Change::kDeleted);
  EXPECT_TRUE(diff.folders.empty());
}

TEST(HandsetDiffTest, FileChangesAreGroupedByFolder) {
  struct Case {
    const char* what;
    SnapshotEntry after;
    Change change;
  };
  const Case cases[] = {
      {"contents", File("\\Windows\\46000.ini", "ff"), Change::kChanged},
      {"size", File("\\Windows\\46000.ini", "aa", 9), Change::kChanged},
      {"attributes", File("\\Windows\\46000.ini", "aa", 4, 0x21), Change::kChanged},
  };
  for (const Case& c : cases) {
    HandsetSnapshot after = Base();
    after.entries[1] = c.after;
    m8sim::HandsetDiff diff = m8sim::DiffSnapshots(Base(), after);
    ASSERT_EQ(diff.folders.size(), 1u) << c.what;
    EXPECT_EQ(diff.folders[0].folder, "\\Windows") << c.what;
    EXPECT_EQ(diff.folders[0].change, Change::kChanged) << c.what;
    ASSERT_EQ(diff.folders[0].entries.size(), 1u) << c.what;
    EXPECT_EQ(diff.folders[0].entries[0].name, "46000.ini") << c.what;
    EXPECT_EQ(diff.folders[0].entries[0].change, c.change) << c.what;
  }

  // A file added at the root and one deleted elsewhere: two groups, the root's named "\".
  HandsetSnapshot after = Base();
  after.entries.erase(after.entries.begin() + 1);
  after.entries.push_back(File("\\notes.txt", "dd"));
  m8sim::HandsetDiff diff = m8sim::DiffSnapshots(Base(), after);
  ASSERT_EQ(diff.folders.size(), 2u);
  EXPECT_EQ(diff.folders[0].folder, "\\");
  EXPECT_EQ(diff.folders[0].entries[0].change, Change::kAdded);
  EXPECT_EQ(diff.folders[1].folder, "\\Windows");
  EXPECT_EQ(diff.folders[1].entries[0].change, Change::kDeleted);
}

TEST(HandsetDiffTest, RemovedFolderTreeIsAGroupPerFolder) {
  HandsetSnapshot after = Base();
  after.entries.resize(3);  // \Windows\Themes\Default1 and everything below it gone
  m8sim::HandsetDiff diff = m8sim::DiffSnapshots(Base(), after);
  ASSERT_EQ(diff.folders.size(), 2u);
  EXPECT_EQ(diff.folders[0].folder, "\\Windows\\Themes\\Default1");
  EXPECT_EQ(diff.folders[0].change, Change::kDeleted);
  ASSERT_EQ(diff.folders[0].entries.size(), 1u);
  EXPECT_EQ(diff.folders[0].entries[0].name, "Theme.ini");
  EXPECT_EQ(diff.folders[0].entries[0].change, Change::kDeleted);
  EXPECT_EQ(diff.folders[1].folder, "\\Windows\\Themes\\Default1\\Icons");
  EXPECT_EQ(diff.folders[1].change, Change::kDeleted);
  EXPECT_EQ(m8sim::ChangeName(diff.folders[1].change, true), std::string("removed"));

  // The other way round: the tree added, and an empty folder added is a group of its own.
  after.entries.push_back(Folder("\\Temp"));
  diff = m8sim::DiffSnapshots(after, Base());
  ASSERT_EQ(diff.folders.size(), 3u);
  EXPECT_EQ(diff.folders[0].folder, "\\Temp");
  EXPECT_EQ(diff.folders[0].change, Change::kDeleted);
  EXPECT_TRUE(diff.folders[0].entries.empty());
  EXPECT_EQ(diff.folders[1].change, Change::kAdded);
  EXPECT_EQ(diff.folders[1].entries[0].change, Change::kAdded);
}

TEST(HandsetDiffTest, FileThatBecameAFolderIsDeletedAndAdded) {
  HandsetSnapshot after = Base();
  after.entries[1] = Folder("\\Windows\\46000.ini");
  m8sim::HandsetDiff diff = m8sim::DiffSnapshots(Base(), after);
  ASSERT_EQ(diff.folders.size(), 2u);
  EXPECT_EQ(diff.folders[0].folder, "\\Windows");
  EXPECT_EQ(diff.folders[0].entries[0].change, Change::kDeleted);
  EXPECT_EQ(diff.folders[1].folder, "\\Windows\\46000.ini");
  EXPECT_EQ(diff.folders[1].change, Change::kAdded);
}

TEST(HandsetSnapshotTest, JsonKeepsEverythingTheDiffCompares) {
  HandsetSnapshot s = Base();
  s.keys[1].values.push_back({"Blob", REG_BINARY, {0x00, 0xff, 0x7f}});
  HandsetSnapshot back = m8sim::SnapshotFromJson(m8sim::SnapshotJson(s));
  EXPECT_TRUE(m8sim::DiffSnapshots(s, back).empty());
  EXPECT_EQ(back.keys[1].values[1].data, (std::vector<uint8_t>{0x00, 0xff, 0x7f}));
  EXPECT_EQ(back.entries[1].hash, "aa");

  nlohmann::json broken = m8sim::SnapshotJson(s);
  broken["registry"][1]["values"][0]["data"] = "0g";
  EXPECT_THROW(m8sim::SnapshotFromJson(broken), m8sim::Failure);
  EXPECT_THROW(m8sim::SnapshotFromJson({{"registry", nlohmann::json::array()}}), m8sim::Failure);
}

TEST(HandsetSnapshotTest, NamesAndHashes) {
  for (const char* name : {"before", "a", "reset-2.b_c", "X9"})
    EXPECT_TRUE(m8sim::ValidSnapshotName(name)) << name;
  for (const char* name : {"", ".hidden", "..", "a/b", "a\\b", "with space", "é"})
    EXPECT_FALSE(m8sim::ValidSnapshotName(name)) << name;
  EXPECT_TRUE(m8sim::ValidSnapshotName(std::string(64, 'n')));
  EXPECT_FALSE(m8sim::ValidSnapshotName(std::string(65, 'n')));
  // The published FNV-1a test vectors.
  EXPECT_EQ(m8sim::ContentsHash({}), "cbf29ce484222325");
  EXPECT_EQ(m8sim::ContentsHash({'a'}), "af63dc4c8601ec8c");
}

}  // namespace
