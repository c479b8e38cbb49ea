// The panel's JSON API and what it stands on: which requests it answers, the journal file
// followed as processes append to it, and the actions and views over a handset home of the
// test's own.
#include <gtest/gtest.h>

#include <fstream>

#include "cli_run.h"
#include "panel/journal_follower.h"
#include "panel/panel_api.h"
#include "panel/request_guard.h"
#include "panel/served_home.h"
#include "temp_dir.h"

namespace {

TEST(RequestGuardTest, OnlyAddressesOrLocalhostWithThePortAndTheirOwnOrigin) {
  struct Case {
    const char* host;
    const char* origin;
    bool allowed;
  };
  const Case cases[] = {
      {"127.0.0.1:8008", "", true},
      {"localhost:8008", "", true},
      {"LocalHost:8008", "http://localhost:8008", true},
      {"[::1]:8008", "http://[::1]:8008", true},
      {"192.168.1.5:8008", "", true},
      {"127.0.0.1:8008", "http://127.0.0.1:8008", true},
      // Someone else's name pointed at this machine (DNS rebinding).
      {"evil.example:8008", "", false},
      {"evil.example:8008", "http://evil.example:8008", false},
      // A page elsewhere calling in.
      {"127.0.0.1:8008", "http://evil.example", false},
      {"127.0.0.1:8008", "null", false},
      {"127.0.0.1:8008", "https://127.0.0.1:8008", false},
      {"127.0.0.1:8008", "http://127.0.0.1:9000", false},
      // The wrong port, no port, no Host.
      {"127.0.0.1:9000", "", false},
      {"127.0.0.1", "", false},
      {"", "", false},
      {":8008", "", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(m8sim::AllowedRequest(c.host, c.origin, 8008), c.allowed)
        << c.host << " " << c.origin;
}

// Appends text to a journal file as a writing process does.
void Append(const std::filesystem::path& file, const std::string& text) {
  std::ofstream(file, std::ios::app) << text;
}

std::string Line(const std::string& kind, int pid, const std::string& more = "",
                 bool mark = false) {
  return "{\"kind\":\"" + kind + "\"" + (mark ? ",\"mark\":true" : "") + more +
         ",\"pid\":" + std::to_string(pid) + "}\n";
}

class JournalFollowerTest : public ::testing::Test {
 protected:
  std::filesystem::path file() const { return temp_.path() / "journal.jsonl"; }
  TempDir temp_;
};

TEST_F(JournalFollowerTest, EffectsAreGroupedUnderTheCommandOfTheirProcess) {
  m8sim::JournalFollower follower(file());
  EXPECT_FALSE(follower.Poll());  // no file yet
  Append(file(), Line("m8sim.command", 10, ",\"command\":\"call QueryNetWorkStatus\"", true) +
                     Line("m8sim.command", 20, ",\"command\":\"device set ACC0: x=5\"", true) +
                     Line("trace", 10, ",\"seq\":1,\"text\":\"one\"") +
                     Line("device", 20, ",\"seq\":1,\"device\":\"ACC0:\"") +
                     Line("m8sim.end", 10,
                          ",\"exit\":\"0\",\"result\":\"QueryNetWorkStatus() -> 1\"", true) +
                     // A program that names no command, and a line that is not a journal's.
                     Line("trace", 30, ",\"seq\":1,\"text\":\"direct\"") + "not json\n");
  ASSERT_TRUE(follower.Poll());
  nlohmann::json all = follower.Since(0);
  ASSERT_EQ(all["groups"].size(), 3u);
  EXPECT_EQ(all["groups"][0]["title"], "call QueryNetWorkStatus");
  EXPECT_EQ(all["groups"][0]["open"], false);
  EXPECT_EQ(all["groups"][0]["result"], "QueryNetWorkStatus() -> 1");
  EXPECT_EQ(all["groups"][1]["title"], "device set ACC0: x=5");
  EXPECT_EQ(all["groups"][1]["open"], true);
  EXPECT_EQ(all["groups"][2]["title"], "process 30");
  ASSERT_EQ(all["entries"].size(), 3u);
  EXPECT_EQ(all["entries"][0]["group"], all["groups"][0]["id"]);
  EXPECT_EQ(all["entries"][1]["group"], all["groups"][1]["id"]);
  EXPECT_EQ(all["entries"][1]["kind"], "device");
  EXPECT_EQ(all["entries"][2]["group"], all["groups"][2]["id"]);
  EXPECT_EQ(all["entries"][0]["text"].get<std::string>().find("one") != std::string::npos, true);

  // Only what changed after a revision: the end of the second command.
  uint64_t seen = all["revision"];
  EXPECT_FALSE(follower.Poll());
  Append(file(), Line("m8sim.end", 20, ",\"exit\":\"2\",\"error\":\"bad field\"", true));
  ASSERT_TRUE(follower.Poll());
  nlohmann::json later = follower.Since(seen);
  ASSERT_EQ(later["groups"].size(), 1u);
  EXPECT_EQ(later["groups"][0]["exit"], "2");
  EXPECT_EQ(later["groups"][0]["error"], "bad field");
  EXPECT_TRUE(later["entries"].empty());
}

TEST_F(JournalFollowerTest, HalfWrittenLinesWaitAndACutFileIsReadAgain) {
  m8sim::JournalFollower follower(file());
  std::string line = Line("trace", 10, ",\"seq\":1,\"text\":\"whole\"");
  Append(file(), line.substr(0, 10));
  EXPECT_FALSE(follower.Poll());
  Append(file(), line.substr(10));
  ASSERT_TRUE(follower.Poll());
  EXPECT_EQ(follower.Since(0)["entries"].size(), 1u);

  // The file started again (a new panel, or cut by hand): its lines are new ones.
  std::ofstream(file(), std::ios::trunc) << Line("trace", 11, ",\"seq\":1,\"text\":\"again\"");
  ASSERT_TRUE(follower.Poll());
  nlohmann::json all = follower.Since(0);
  ASSERT_EQ(all["entries"].size(), 2u);
  EXPECT_EQ(all["entries"][1]["pid"], 11);
}

TEST_F(JournalFollowerTest, KeepsTheLatestEntriesAndTheirBytesCut) {
  m8sim::JournalFollower follower(file(), 3);
  std::string text;
  for (int i = 0; i < 5; ++i)
    text += Line("m8sim.command", 10, ",\"command\":\"c" + std::to_string(i) + "\"", true) +
            Line("file.write", 10, ",\"seq\":1,\"bytes\":\"" + std::string(10000, 'a') + "\"") +
            Line("m8sim.end", 10, ",\"exit\":\"0\"", true);
  Append(file(), text);
  ASSERT_TRUE(follower.Poll());
  nlohmann::json all = follower.Since(0);
  ASSERT_EQ(all["entries"].size(), 3u);
  ASSERT_EQ(all["groups"].size(), 3u);
  EXPECT_EQ(all["groups"][0]["title"], "c2");
  EXPECT_EQ(all["entries"][0]["byte_count"], 5000);
  EXPECT_EQ(all["entries"][0]["bytes_cut"], true);
}

// A panel's API on a home of the test's own, served as m8sim serve serves it.
class PanelApiTest : public ::testing::Test {
 protected:
  PanelApiTest() {
    RunCli(temp_.home(), {"handset", "init"});
    served_ = std::make_unique<m8sim::ServedHome>(temp_.home());
    api_ = std::make_unique<m8sim::PanelApi>(temp_.home());
    api_->Refresh();
  }
  m8sim::ApiReply Post(const std::string& path, const nlohmann::json& body) {
    return api_->Post(path, body.dump());
  }
  nlohmann::json View() { return api_->Get("/api/state", {}).body["view"]; }

  TempDir temp_;
  std::unique_ptr<m8sim::ServedHome> served_;
  std::unique_ptr<m8sim::PanelApi> api_;
};

TEST_F(PanelApiTest, ACallChangesTheViewAndItsEffectsComeUnderItsCommand) {
  EXPECT_EQ(View()["devices"]["BKL1:"]["state"]["level"], 160);
  m8sim::ApiReply reply = Post("/api/call", {{"export", "SetBackLightLevelEx"}, {"args", {40}}});
  ASSERT_EQ(reply.status, 200) << reply.body.dump();
  EXPECT_EQ(reply.body["result"], "SetBackLightLevelEx(40) -> 1");
  EXPECT_EQ(reply.body["exit"], 0);
  EXPECT_EQ(View()["devices"]["BKL1:"]["state"]["level"], 40);

  nlohmann::json journal = api_->Get("/api/journal", {{"after", "0"}}).body;
  ASSERT_FALSE(journal["groups"].empty());
  nlohmann::json group = journal["groups"].back();
  EXPECT_EQ(group["title"], "call SetBackLightLevelEx 40");
  EXPECT_EQ(group["result"], "SetBackLightLevelEx(40) -> 1");
  std::vector<std::string> kinds;
  for (const auto& entry : journal["entries"])
    if (entry["group"] == group["id"]) kinds.push_back(entry["kind"]);
  // The effects of the call, and none of the handset's shutting down after it.
  EXPECT_EQ(kinds, (std::vector<std::string>{"device.open", "device.write", "device.close"}));

  // Looking at the handset leaves nothing in the journal.
  uint64_t revision = journal["revision"];
  api_->Refresh();
  EXPECT_TRUE(
      api_->Get("/api/journal", {{"after", std::to_string(revision)}}).body["entries"].empty());
}

TEST_F(PanelApiTest, ChangesMadeByAnotherProgramAreSeenAtTheNextLook) {
  uint64_t view_seen = 0, journal_seen = 0;
  nlohmann::json first = api_->Update(&view_seen, &journal_seen);
  EXPECT_TRUE(first.contains("view"));
  EXPECT_TRUE(api_->Update(&view_seen, &journal_seen).empty());

  ASSERT_EQ(RunCli(temp_.home(), {"device", "set", "ACC0:", "x=-5", "y=10", "z=0"}).code, 0);
  uint64_t revision = api_->Revision();
  ASSERT_TRUE(api_->Refresh());
  EXPECT_GT(api_->WaitForChange(revision, std::chrono::milliseconds(0)), revision);
  nlohmann::json update = api_->Update(&view_seen, &journal_seen);
  EXPECT_EQ(update["view"]["devices"]["ACC0:"]["state"]["x"], -5);
  ASSERT_TRUE(update.contains("journal"));
  EXPECT_FALSE(update["journal"]["groups"].empty());
  EXPECT_FALSE(api_->Refresh());

  // A change of state.json alone (a reboot clears it) is a change of the view too.
  ASSERT_EQ(RunCli(temp_.home(), {"handset", "reboot"}).code, 0);
  EXPECT_TRUE(api_->Refresh());
  EXPECT_EQ(View()["devices"]["ACC0:"]["state"]["x"], 0);
}

// ",1" count times.
std::string ManyOnes(int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += ",1";
  return text;
}

TEST_F(PanelApiTest, BadInputGetsAClearMessage) {
  struct Case {
    const char* path;
    std::string body;
    int status;
    const char* says;
  };
  const Case cases[] = {
      {"/api/call", "not json", 400, "JSON object"},
      {"/api/call", "[1]", 400, "JSON object"},
      {"/api/call", R"({"args":[]})", 400, "\"export\""},
      {"/api/call", R"({"export":"--handset"})", 400, "\"export\""},
      {"/api/call", R"({"export":"SetBackLightLevelEx","args":"40"})", 400, "\"args\""},
      {"/api/call", R"({"export":"SetBackLightLevelEx","args":[[1]]})", 400, "\"args\""},
      {"/api/call", R"({"export":"NoSuchExport","args":[]})", 400, "NoSuchExport"},
      {"/api/call", R"({"export":"SetBackLightLevelEx","args":["abc"]})", 400, "dwLevel"},
      {"/api/call", R"({"export":"SetBackLightLevelEx","args":[]})", 400, "SetBackLightLevelEx"},
      {"/api/device", R"({"device":"ACC0:","set":{}})", 400, "\"set\""},
      {"/api/device", R"({"device":"ACC0:","set":{"x":"far"}})", 400, "ACC0:"},
      {"/api/device", R"({"device":"ACC0:","set":{"=x":"1"}})", 400, "\"set\""},
      {"/api/device", R"({"device":"NOPE:","set":{"x":"1"}})", 400, "NOPE:"},
      {"/api/shell", R"({"event":"NoSuchEvent"})", 400, "NoSuchEvent"},
      {"/api/snapshot", R"({"name":"-x"})", 400, "\"name\""},
      {"/api/snapshot", R"({"name":"../up"})", 400, "../up"},
      {"/api/diff", R"({"name":"never"})", 422, "never"},
      {"/api/reboot", R"({})", 404, "/api/reboot"},
      // A field name is never an option of the command it becomes.
      {"/api/device", R"({"device":"BKL1:","set":{"--handset":"/tmp","level":"7"}})", 400,
       "letters, digits and _"},
      {"/api/device", R"({"device":"BKL1:","set":{"level":"7","-x":"1"}})", 400, "letters"},
      // More arguments than the export has, or a word longer than any it takes, never run.
      {"/api/call", R"({"export":"SetBackLightLevelEx","args":["1","2"]})", 400, "takes 1"},
      {"/api/call", R"({"export":"SetBackLightLevelEx","args":[1)" + ManyOnes(200) + "]}", 400,
       "more than 64 values"},
      {"/api/call",
       R"({"export":"IniWriteStringEx","args":["S","K",")" + std::string(5000, 'v') +
           R"(","\\Disk\\a.ini"]})",
       400, "longer than 4096 bytes"},
  };
  for (const Case& c : cases) {
    m8sim::ApiReply reply = api_->Post(c.path, c.body);
    EXPECT_EQ(reply.status, c.status) << c.path << " " << c.body << " " << reply.body.dump();
    EXPECT_NE(reply.body["error"].get<std::string>().find(c.says), std::string::npos)
        << c.path << " " << c.body << " " << reply.body.dump();
  }
  // Bodies nested far deeper than any request are refused without building their tree, at the
  // top level and inside a field; the panel answers on afterwards.
  const std::string deep = std::string(100000, '[') + std::string(100000, ']');
  for (const std::string& body : {deep, R"({"export":"AccAPIOpen","args":)" + deep + "}",
                                  R"({"export":"AccAPIOpen","args":)" + std::string(100000, '[')}) {
    m8sim::ApiReply reply = api_->Post("/api/call", body);
    EXPECT_EQ(reply.status, 400) << body.substr(0, 40);
    EXPECT_NE(reply.body["error"].get<std::string>().find("deeper than 8"), std::string::npos)
        << reply.body.dump();
  }
  // A negative number anywhere among the arguments is a number, not an option.
  m8sim::ApiReply negative =
      Post("/api/call", {{"export", "IniWriteIntEx"}, {"args", {"S", "K", "-5", "\\Disk\\n.ini"}}});
  EXPECT_EQ(negative.status, 200) << negative.body.dump();
  EXPECT_EQ(api_->Get("/api/journal", {{"after", "x1"}}).status, 400);
  EXPECT_EQ(api_->Get("/api/nothing", {}).status, 404);
  // Nothing refused reached the handset.
  EXPECT_EQ(View()["devices"]["ACC0:"]["state"]["x"], 0);
}

TEST_F(PanelApiTest, SnapshotsShellEventsAndExportsAreListed) {
  ASSERT_EQ(Post("/api/snapshot", {{"name", "before"}}).status, 200);
  EXPECT_EQ(api_->Get("/api/snapshots", {}).body, nlohmann::json({"before"}));
  ASSERT_EQ(Post("/api/device", {{"device", "BKL1:"}, {"set", {{"level", 10}}}}).status, 200);
  ASSERT_EQ(Post("/api/call", {{"export", "SettingApiSetFlyModeReg"}, {"args", {1}}}).status, 200);
  m8sim::ApiReply diff = Post("/api/diff", {{"name", "before"}});
  EXPECT_EQ(diff.status, 200) << diff.body.dump();
  EXPECT_NE(diff.body["text"].get<std::string>().find("\"FlyModeFlag\": dword 0"),
            std::string::npos)
      << diff.body["text"];

  ASSERT_EQ(Post("/api/shell", {{"event", "ClickMKey"}}).status, 200);
  nlohmann::json events = api_->Get("/api/shell-events", {}).body;
  EXPECT_NE(std::find(events.begin(), events.end(), "ClickMKey"), events.end());

  nlohmann::json exports = api_->Get("/api/exports", {}).body;
  EXPECT_EQ(exports.size(), 126u);
  for (const auto& e : exports) {
    if (e["name"] != "MzOpenSipFunc") continue;
    EXPECT_EQ(e["params"].size(), 3u);
    EXPECT_EQ(e["params"][2]["type"], "RECT*");
  }
}

TEST_F(PanelApiTest, OnePanelAHomeAndItsJournalFileGoesWithIt) {
  EXPECT_THROW(m8sim::ServedHome second(temp_.home()), std::exception);
  EXPECT_TRUE(std::filesystem::exists(temp_.home() / "journal.jsonl"));
  served_.reset();
  EXPECT_FALSE(std::filesystem::exists(temp_.home() / "journal.jsonl"));

  // Without a panel, a journal file left behind (by a panel that was killed) gets nothing.
  std::ofstream(temp_.home() / "journal.jsonl") << "";
  ASSERT_EQ(RunCli(temp_.home(), {"call", "SetBackLightLevelEx", "5"}).code, 0);
  EXPECT_EQ(std::filesystem::file_size(temp_.home() / "journal.jsonl"), 0u);

  // The next panel starts the file again and gets every command's effects.
  m8sim::ServedHome again(temp_.home());
  ASSERT_EQ(RunCli(temp_.home(), {"call", "SetBackLightLevelEx", "6"}).code, 0);
  EXPECT_GT(std::filesystem::file_size(temp_.home() / "journal.jsonl"), 0u);
}

}  // namespace
