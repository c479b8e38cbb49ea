#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli_run.h"
#include "temp_dir.h"

namespace {

using Result = CliResult;

class CliTest : public ::testing::Test {
 protected:
  Result Run(std::vector<std::string> args) { return RunCli(temp_.home(), std::move(args)); }
  // An error: the exit code, and one line on standard error.
  void ExpectError(const std::vector<std::string>& args, int code) {
    Result r = Run(args);
    EXPECT_EQ(r.code, code) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_EQ(r.err.rfind("m8sim: ", 0), 0u) << r.err;
  }

  TempDir temp_;
};

TEST_F(CliTest, UsageAndInputErrorsExitWithTwo) {
  ExpectError({"call", "NoSuchExport"}, 2);
  ExpectError({"call", "QueryNetWorkStatus", "1"}, 2);
  ExpectError({"call", "CalllNotifyApiStartGprsConnect2", "null"}, 2);
  ExpectError({"call", "CalllNotifyApiStartGprsConnect2", "null", "0x1g"}, 2);
  ExpectError({"call", "Dial_StartGprsConnect2", "1"}, 2);
  ExpectError({"call"}, 2);
  ExpectError({"frobnicate"}, 2);
  ExpectError({"reg", "get", "HKXX\\Software"}, 2);
  ExpectError({"reg", "set", "HKLM\\Software\\T", "v", "qword", "1"}, 2);
  ExpectError({"reg", "import", (temp_.path() / "missing.reg").string()}, 2);
  // A folder where a file is expected is bad input too.
  ExpectError({"reg", "import", temp_.path().string()}, 2);
  ExpectError({"fs", "put", temp_.path().string(), "\\Disk\\x.bin"}, 2);
  ExpectError({"list", "--bogus"}, 2);
  // Nothing was made for a command that did not run.
  EXPECT_FALSE(std::filesystem::exists(temp_.home()));
}

TEST_F(CliTest, FailedOperationsExitWithOne) {
  ExpectError({"reg", "get", "HKLM\\NoSuchKey"}, 1);
  ExpectError({"ini", "get", "\\Windows\\46000.ini", "NOSECTION", "APN"}, 1);
  ExpectError({"fs", "cat", "\\Windows\\missing.ini"}, 1);
  ExpectError({"handset", "init"}, 1);  // the home holds the handset made above
}

TEST_F(CliTest, HelpOnEveryCommandExitsWithZero) {
  for (std::vector<std::string> args : {std::vector<std::string>{"--help"},
                                        {"demo", "--help"},
                                        {"call", "--help"},
                                        {"list", "--help"},
                                        {"reg", "set", "--help"},
                                        {"ini", "--help"},
                                        {"fs", "cat", "--help"},
                                        {"handset", "show", "--help"},
                                        {"handset", "reboot", "--help"},
                                        {"handset", "set", "--help"},
                                        {"shell", "--help"},
                                        {"shell", "event", "--help"}}) {
    Result r = Run(args);
    EXPECT_EQ(r.code, 0) << args[0];
    EXPECT_NE(r.out.find("Usage:"), std::string::npos) << args[0];
  }
}

TEST_F(CliTest, CallShowsResultOutputsAndJournal) {
  Result r =
      Run({"--json", "call", "CallNotifyApiGetImeiSerialNumber2", "null", "out", "4", "out", "32"});
  ASSERT_EQ(r.code, 0) << r.err;
  auto records = r.Records();
  ASSERT_FALSE(records.empty());
  EXPECT_EQ(records[0]["type"], "call");
  // The IMEI does not fit in 4 characters; the model does.
  EXPECT_EQ(records[0]["outputs"]["pszModel"], "M8");
  EXPECT_EQ(records[0]["outputs"]["pszImei"].get<std::string>().size(), 0u) << records[0];
  bool phone = false;
  for (const auto& record : records) phone |= record.value("kind", "") == "phone";
  EXPECT_TRUE(phone);

  // The two forms of one name, chosen by their arguments; the callback's value is reported.
  r = Run({"--json", "call", "Dial_StartGprsConnect2", "print", "1", "null"});
  ASSERT_EQ(r.code, 0) << r.err;
  records = r.Records();
  EXPECT_EQ(records[0]["result"], 1);
  bool called_back = false;
  for (const auto& record : records)
    called_back |= record["type"] == "callback" && record["value"] == 1;
  EXPECT_TRUE(called_back);
  r = Run({"--json", "call", "Dial_StopGprsConnect2(HWND__*)", "null"});
  EXPECT_EQ(r.Records()[0]["result"], 1);
}

TEST_F(CliTest, RegFileRoundTripsThroughExportAndImport) {
  ASSERT_EQ(Run({"reg", "set", "HKLM\\Software\\Trip", "Name", "sz", "caf\xc3\xa9"}).code, 0);
  ASSERT_EQ(Run({"reg", "set", "HKLM\\Software\\Trip", "Count", "dword", "0x10"}).code, 0);
  ASSERT_EQ(Run({"reg", "set", "HKLM/Software/Trip", "List", "multi_sz", "a", "b"}).code, 0);
  ASSERT_EQ(Run({"reg", "set", "HKLM\\Software\\Trip", "Blob", "binary", "00ff"}).code, 0);
  std::string file = (temp_.path() / "trip.reg").string();
  ASSERT_EQ(Run({"reg", "export", "HKLM\\Software\\Trip", "-o", file}).code, 0);
  std::ifstream in(file, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), {});
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes.substr(0, 4), std::string("\xFF\xFE"
                                            "W\0",
                                            4));

  ASSERT_EQ(Run({"reg", "delete", "HKLM\\Software\\Trip"}).code, 0);
  EXPECT_EQ(Run({"reg", "get", "HKLM\\Software\\Trip"}).code, 1);
  Result imported = Run({"--json", "reg", "import", file});
  ASSERT_EQ(imported.code, 0) << imported.err;
  EXPECT_EQ(imported.Records()[0]["values"], 4);

  Result got = Run({"--json", "reg", "get", "HKLM\\Software\\Trip"});
  ASSERT_EQ(got.code, 0);
  std::map<std::string, nlohmann::json> values;
  for (const auto& record : got.Records())
    if (record["type"] == "value") values[record["name"]] = record["value"];
  EXPECT_EQ(values["Name"], "caf\xc3\xa9");
  EXPECT_EQ(values["Count"], 16);
  EXPECT_EQ(values["List"], nlohmann::json({"a", "b"}));
  EXPECT_EQ(values["Blob"], "00ff");

  // A REGEDIT4 file, and a malformed one that changes nothing.
  std::string old_file = (temp_.path() / "old.reg").string();
  std::ofstream(old_file) << "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Old]\r\n\"v\"=dword:00000002\r\n";
  ASSERT_EQ(Run({"reg", "import", old_file}).code, 0);
  EXPECT_EQ(Run({"--json", "reg", "get", "HKCU\\Old", "v"}).Records()[0]["value"], 2);
  std::ofstream(old_file) << "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Old]\r\n\"v\"=dword:3\r\nbad\r\n";
  ExpectError({"reg", "import", old_file}, 2);
  EXPECT_EQ(Run({"--json", "reg", "get", "HKCU\\Old", "v"}).Records()[0]["value"], 2);
}

TEST_F(CliTest, IniAndFilesThroughTheLibrary) {
  ASSERT_EQ(Run({"ini", "set", "\\Disk\\t.ini", "Main", "Key", "value"}).code, 0);
  Result got = Run({"ini", "get", "\\Disk\\t.ini", "Main", "Key"});
  EXPECT_EQ(got.out, "value\n");
  Result cat = Run({"--json", "fs", "cat", "\\disk\\T.INI"});
  ASSERT_EQ(cat.code, 0);
  EXPECT_NE(cat.Records()[0]["text"].get<std::string>().find("Key=value"), std::string::npos);
  ASSERT_EQ(Run({"ini", "delete", "\\Disk\\t.ini", "Main"}).code, 0);
  EXPECT_EQ(Run({"ini", "get", "\\Disk\\t.ini", "Main"}).code, 1);

  std::string host = (temp_.path() / "blob.bin").string();
  std::ofstream(host, std::ios::binary) << std::string("\x01\x02\x03", 3);
  ASSERT_EQ(Run({"fs", "put", host, "\\Disk\\new\\blob.bin"}).code, 0);
  Result ls = Run({"--json", "fs", "ls", "\\Disk\\new"});
  ASSERT_EQ(ls.Records().size(), 1u);
  EXPECT_EQ(ls.Records()[0]["size"], 3);
  EXPECT_EQ(Run({"--json", "fs", "cat", "\\Disk\\new\\blob.bin"}).Records()[0]["bytes"], "010203");
}

}  // namespace
