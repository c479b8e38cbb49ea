// m8sim handset set: a change is what the next run of a program sees, the file keeps its
// comments and layout, and a change the handset would refuse leaves the file as it was.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli_run.h"
#include "temp_dir.h"

namespace {

class HandsetSetCliTest : public TempDirTest {
 protected:
  std::filesystem::path home() const { return dir() / "handset"; }
  std::filesystem::path file() const { return home() / "handset.toml"; }
  CliResult Run(std::vector<std::string> args) { return RunCli(home(), std::move(args)); }
  std::string FileText() const {
    std::vector<uint8_t> bytes = FileBytes(file());
    return std::string(bytes.begin(), bytes.end());
  }
};

TEST_F(HandsetSetCliTest, AChangeIsWhatTheNextCallSees) {
  // No home yet: the default handset is made first.
  auto set = Run({"handset", "set", "modem.dial_result=691", "accelerometer.present=false",
                  "phone.imsi=460001234567891"});
  ASSERT_EQ(set.code, 0) << set.err;
  EXPECT_NE(set.out.find("modem.dial_result = 691 (was 0)"), std::string::npos) << set.out;

  auto dial = Run({"--json", "call", "Dial_StartGprsConnect2", "print", "0", "null"});
  ASSERT_EQ(dial.code, 0) << dial.err;
  EXPECT_EQ(dial.Records()[0]["result"], 3);
  auto devices = Run({"--json", "device", "list"}).Records();
  EXPECT_EQ(devices[0]["device"], "ACC0:");
  EXPECT_FALSE(devices[0]["present"].get<bool>());
  // Digits for a key that holds text stay text.
  EXPECT_NE(FileText().find("imsi = \"460001234567891\"\n"), std::string::npos);

  ASSERT_EQ(Run({"handset", "set", "modem.dial_result=0"}).code, 0);
  dial = Run({"--json", "call", "Dial_StartGprsConnect2", "print", "0", "null"});
  EXPECT_EQ(dial.Records()[0]["result"], 1);
}

TEST_F(HandsetSetCliTest, OnlyTheValueOrTheNewKeyChanges) {
  struct Case {
    const char* what;
    std::string before;
    std::vector<std::string> assignments;
    std::string after;
  } cases[] = {
      {"a value before a comment, which keeps its column",
       "# modem\n[modem]\ndial_result = 0      # 0 connects\naddress = \"10.0.0.1\"\n",
       {"modem.dial_result=678"},
       "# modem\n[modem]\ndial_result = 678    # 0 connects\naddress = \"10.0.0.1\"\n"},
      {"a key added at the end of its table, before the next table's comment",
       "[modem]\naddress = \"10.0.0.1\"  # a\n\n# The phone\n[phone]\nimei = \"1\"\n",
       {"modem.dial_result=691", "phone.imsi_fails=true"},
       "[modem]\naddress = \"10.0.0.1\"  # a\ndial_result = 691\n\n# The phone\n[phone]\n"
       "imei = \"1\"\nimsi_fails = true\n"},
      {"a missing table at the end, its digits as the text the key takes",
       "[modem]\ndial_result = 0",
       {"phone.imsi=460001234567890"},
       "[modem]\ndial_result = 0\n\n[phone]\nimsi = \"460001234567890\"\n"},
      {"sub-tables, new and existing",
       "[shell]\npresent = true\n\n[shell.answer_delay_ms]\nCShellMainWnd = 10\n",
       {"shell.windows.CShellMainWnd=hung", "shell.answer_delay_ms.CLockPhoneWnd=20"},
       "[shell]\npresent = true\n\n[shell.answer_delay_ms]\nCShellMainWnd = 10\n"
       "CLockPhoneWnd = 20\n\n[shell.windows]\nCShellMainWnd = \"hung\"\n"},
      {"a table that dotted keys made",
       "[shell]\nwindows.CShellMainWnd = \"hung\"\n\n[modem]\n",
       {"shell.windows.CLockPhoneWnd=absent"},
       "[shell]\nwindows.CShellMainWnd = \"hung\"\nwindows.CLockPhoneWnd = \"absent\"\n\n"
       "[modem]\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteText(file(), c.before);
    std::vector<std::string> args = {"handset", "set"};
    args.insert(args.end(), c.assignments.begin(), c.assignments.end());
    auto set = Run(args);
    ASSERT_EQ(set.code, 0) << set.err;
    EXPECT_EQ(FileText(), c.after);
  }
}

TEST_F(HandsetSetCliTest, ARefusedChangeLeavesTheFileAsItWas) {
  ASSERT_EQ(Run({"handset", "init"}).code, 0);
  const std::string before = FileText();
  struct Case {
    std::vector<std::string> assignments;
    const char* error;
  } cases[] = {
      {{"modem.dial_results=1"}, "modem.dial_results: unknown key"},
      {{"modem.dial_result=abc"}, "modem.dial_result: expected an integer"},
      {{"accelerometer.x=200"}, "accelerometer.x: expected -128 to 127"},
      {{"bluetooth.applet=gone"}, "bluetooth.applet: expected one of"},
      {{"nosuch.key=1"}, "nosuch: unknown key"},
      // The first change is not kept when a later one is refused.
      {{"modem.dial_result=678", "phone.imsi_fails=maybe"}, "phone.imsi_fails: expected true"},
      {{"network.interfaces.kind=wifi"}, "array of tables ([[network.interfaces]])"},
      {{"modem=1"}, "TABLE.KEY"},
      {{"shell.answer_delay_ms={ CShellMainWnd = 1 }"}, "set its keys one by one"},
      {{"modem.dial_result"}, "not KEY=VALUE"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.assignments[0]);
    std::vector<std::string> args = {"handset", "set"};
    args.insert(args.end(), c.assignments.begin(), c.assignments.end());
    auto set = Run(args);
    EXPECT_EQ(set.code, 2);
    EXPECT_NE(set.err.find(c.error), std::string::npos) << set.err;
    EXPECT_EQ(std::count(set.err.begin(), set.err.end(), '\n'), 1) << set.err;
    EXPECT_EQ(FileText(), before);
  }
}

TEST_F(HandsetSetCliTest, LiveStateOutlivesTheChangeUntilAReboot) {
  ASSERT_EQ(Run({"device", "set", "ACC0:", "x=-5"}).code, 0);
  auto set = Run({"--json", "handset", "set", "accelerometer.x=3", "modem.dial_result=678"});
  ASSERT_EQ(set.code, 0) << set.err;
  auto records = set.Records();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0], (nlohmann::json{{"type", "handset_set"},
                                        {"key", "accelerometer.x"},
                                        {"old", 0},
                                        {"new", 3},
                                        {"held_until_reboot", -5}}));
  EXPECT_TRUE(records[1]["held_until_reboot"].is_null());
  EXPECT_EQ(Run({"--json", "device", "show", "ACC0:"}).Records()[0]["state"]["x"], -5);
  ASSERT_EQ(Run({"handset", "reboot"}).code, 0);
  EXPECT_EQ(Run({"--json", "device", "show", "ACC0:"}).Records()[0]["state"]["x"], 3);
}

TEST_F(HandsetSetCliTest, ShowKeysPrintsTheDocumentedDefaultFile) {
  auto keys = Run({"handset", "show", "--keys"});
  ASSERT_EQ(keys.code, 0) << keys.err;
  for (const char* documented :
       {"[modem]\ndial_result = 0", "fail_controls = \"\"", "[shell.answer_delay_ms]"})
    EXPECT_NE(keys.out.find(documented), std::string::npos) << documented;
}

}  // namespace
