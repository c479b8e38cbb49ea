// m8sim handset snapshot and diff, and the demos built on them, run in-process on a home of the
// test's own.
#include <gtest/gtest.h>

#include <fstream>

#include "cli_run.h"
#include "exports_lookup.h"
#include "temp_dir.h"

namespace {

class SnapshotCliTest : public ::testing::Test {
 protected:
  CliResult Run(std::vector<std::string> args) { return RunCli(temp_.home(), std::move(args)); }
  // The --json records of one type.
  static std::vector<nlohmann::json> Of(const CliResult& r, const std::string& type) {
    std::vector<nlohmann::json> found;
    for (const auto& record : r.Records())
      if (record["type"] == type) found.push_back(record);
    return found;
  }

  TempDir temp_;
};

TEST_F(SnapshotCliTest, DiffShowsAValueChangedSinceTheSnapshot) {
  ASSERT_EQ(Run({"handset", "snapshot", "before"}).code, 0);
  EXPECT_TRUE(std::filesystem::exists(temp_.home() / "snapshots/before.json"));
  CliResult same = Run({"handset", "diff", "before"});
  EXPECT_EQ(same.code, 0) << same.err;
  EXPECT_EQ(same.out, "since snapshot \"before\": no differences\n");

  ASSERT_EQ(Run({"reg", "set", "HKCU\\Software\\VIROVU", "wifisetting", "dword", "0"}).code, 0);
  ASSERT_EQ(Run({"reg", "delete", "HKLM\\Software\\Razud\\Email", "mailfont"}).code, 0);
  CliResult changed = Run({"handset", "diff", "before"});
  EXPECT_EQ(changed.code, 0) << changed.err;
  EXPECT_NE(changed.out.find("HKEY_CURRENT_USER\\Software\\VIROVU\n"
                             "  changed  \"wifisetting\": dword 1 (0x00000001) -> "
                             "dword 0 (0x00000000)\n"),
            std::string::npos)
      << changed.out;
  EXPECT_NE(changed.out.find("  deleted  \"mailfont\" = dword 2"), std::string::npos)
      << changed.out;
  EXPECT_NE(changed.out.find("2 values in 2 keys"), std::string::npos) << changed.out;
}

TEST_F(SnapshotCliTest, JsonRecordsOfADiff) {
  ASSERT_EQ(Run({"handset", "snapshot", "s1"}).code, 0);
  std::string host_file = (temp_.path() / "note.txt").string();
  std::ofstream(host_file) << "hello";
  ASSERT_EQ(Run({"fs", "put", host_file, "\\Disk\\Notes\\note.txt"}).code, 0);
  ASSERT_EQ(Run({"reg", "set", "HKLM\\Software\\Demo", "Name", "sz", "x"}).code, 0);

  CliResult r = Run({"--json", "handset", "diff", "s1"});
  ASSERT_EQ(r.code, 0) << r.err;
  auto keys = Of(r, "key_change");
  ASSERT_EQ(keys.size(), 1u) << r.out;
  EXPECT_EQ(keys[0]["key"], "HKEY_LOCAL_MACHINE\\SOFTWARE\\Demo");
  EXPECT_EQ(keys[0]["change"], "added");
  EXPECT_EQ(keys[0]["snapshot"], "s1");
  EXPECT_EQ(keys[0]["values"][0],
            (nlohmann::json{{"name", "Name"},
                            {"change", "added"},
                            {"after", {{"type_name", "sz"}, {"value", "x"}}}}));
  auto folders = Of(r, "folder_change");
  ASSERT_EQ(folders.size(), 1u) << r.out;
  EXPECT_EQ(folders[0]["folder"], "\\Disk\\Notes");
  EXPECT_EQ(folders[0]["change"], "added");
  EXPECT_EQ(folders[0]["entries"][0]["path"], "\\Disk\\Notes\\note.txt");
  EXPECT_EQ(folders[0]["entries"][0]["after"]["size"], 5);
  auto summary = Of(r, "diff");
  ASSERT_EQ(summary.size(), 1u);
  EXPECT_EQ(summary[0]["differences"], true);
  EXPECT_EQ(summary[0]["values"], 1);
  EXPECT_EQ(summary[0]["entries"], 1);
}

TEST_F(SnapshotCliTest, BadOrMissingNamesAreRefused) {
  for (const char* name : {"../escape", ".x", "a b"}) {
    CliResult r = Run({"handset", "snapshot", name});
    EXPECT_EQ(r.code, 2) << name;
    EXPECT_NE(r.err.find("not a snapshot name"), std::string::npos) << r.err;
  }
  EXPECT_FALSE(std::filesystem::exists(temp_.path() / "escape.json"));
  CliResult missing = Run({"handset", "diff", "never-taken"});
  EXPECT_EQ(missing.code, 1);
  EXPECT_NE(missing.err.find("no snapshot named \"never-taken\""), std::string::npos)
      << missing.err;
}

TEST_F(SnapshotCliTest, ResetDemoRunsTheResetOrSaysItIsMissing) {
  bool implemented = false;
  for (const auto& info : m8sim::Exports())
    if (std::string(info.name) == "SettingApiResetFactorySettings") implemented = info.call;
  CliResult r = Run({"--json", "demo", "reset"});
  if (!implemented) {
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("cannot run the reset demo: SettingApiResetFactorySettings is not "
                         "implemented"),
              std::string::npos)
        << r.err;
    EXPECT_FALSE(std::filesystem::exists(temp_.home() / "snapshots"));
    return;
  }
  ASSERT_EQ(r.code, 0) << r.err;
  auto summary = Of(r, "demo");
  ASSERT_EQ(summary.size(), 1u);
  EXPECT_EQ(summary[0]["differences"], true);
  EXPECT_EQ(Run({"handset", "diff", "before-reset"}).code, 0);
}

TEST_F(SnapshotCliTest, WlanDemoTakesOnlyKnownHardwareVersions) {
  CliResult r = Run({"demo", "wlan", "--hardware", "3"});
  EXPECT_EQ(r.code, 2);
}

}  // namespace
