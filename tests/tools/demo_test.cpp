// m8sim demo end to end: the built program on a fresh handset home, its JSON lines, then the
// registry the home keeps.
#include <gtest/gtest.h>

#include <map>
#include <nlohmann/json.hpp>
#include <string>

#include "ce/registry.h"
#include "program_run.h"
#include "sim/handset.h"
#include "temp_dir.h"

namespace {

bool ReadDword(HKEY root, const char16_t* path, const char16_t* name, DWORD* value) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path, 0, 0, &key) != ERROR_SUCCESS) return false;
  DWORD size = sizeof *value;
  LONG rc = RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
  RegCloseKey(key);
  return rc == ERROR_SUCCESS;
}

TEST(DemoTest, DialsOnAFreshHandsetAndLeavesTheTotalsInItsRegistry) {
  TempDir temp;
  ProgramRun run = RunM8sim("--json --handset " + temp.home().string() + " demo");
  ASSERT_EQ(run.code, 0);

  std::map<std::string, nlohmann::json> steps;
  std::map<std::string, std::vector<nlohmann::json>> journal;
  nlohmann::json summary;
  for (const auto& record : run.records) {
    if (record["type"] == "step") steps[record["step"]] = record;
    if (record["type"] == "journal") journal[record["step"]].push_back(record);
    if (record["type"] == "demo") summary = record;
  }
  EXPECT_EQ(steps["access point"]["result"], 1);
  EXPECT_EQ(steps["access point"]["access_name"], "CMNET");
  EXPECT_EQ(steps["dial"]["result"], 1);
  EXPECT_EQ(steps["status"]["result"], 5);
  EXPECT_EQ(steps["hang-up"]["result"], 1);
  EXPECT_EQ(steps["traffic"]["received"], 34000);
  EXPECT_EQ(steps["traffic"]["sent"], 1200);
  EXPECT_EQ(summary["ok"], true);

  // The dial's journal: the entry with the modem's modifier, a successful dial.
  std::map<std::string, nlohmann::json> dial;
  for (const auto& entry : journal["dial"]) dial[entry["kind"]] = entry;
  EXPECT_EQ(dial["ras.set_entry"]["fields"]["number"], "*99**1#");
  EXPECT_NE(dial["ras.set_entry"]["fields"]["modifier"].get<std::string>().find("cmnet"),
            std::string::npos);
  EXPECT_EQ(dial["ras.dial"]["fields"]["result"], "0");
  // The hang-up's journal: the totals written, decoded.
  bool total_written = false;
  for (const auto& entry : journal["hang-up"]) {
    if (entry["kind"] == "reg.set_value" && entry["fields"]["name"] == "gprsReceiveDataCount")
      total_written = entry["type_name"] == "dword" && entry["value"] == 34000;
  }
  EXPECT_TRUE(total_written);

  // The registry the home keeps: the totals, and no RAS entry left behind.
  sim::Handset::Options options;
  options.home = temp.home();
  sim::Handset handset(options);
  DWORD received = 0;
  DWORD sent = 0;
  EXPECT_TRUE(ReadDword(HKEY_LOCAL_MACHINE, u"DialParameter", u"gprsReceiveDataCount", &received));
  EXPECT_TRUE(ReadDword(HKEY_LOCAL_MACHINE, u"DialParameter", u"gprsSendDataCount", &sent));
  EXPECT_EQ(received, 34000u);
  EXPECT_EQ(sent, 1200u);
  HKEY key = nullptr;
  EXPECT_NE(RegOpenKeyExW(HKEY_CURRENT_USER, u"Comm\\RasBook\\GPRS", 0, 0, &key), ERROR_SUCCESS);
}

}  // namespace
