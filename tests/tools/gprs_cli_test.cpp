// The GPRS connection across m8sim processes: dialled by one, seen and hung up by later ones, and
// by a process that holds the handset all along.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "ce/ras.h"
#include "frame/exports.h"
#include "program_run.h"
#include "registry_helpers.h"
#include "sim/handset.h"
#include "temp_dir.h"

namespace {

class GprsCliTest : public ::testing::Test {
 protected:
  // The default handset in the home, with a connection that carries traffic.
  void SetUp() override {
    ASSERT_EQ(Run("handset init").code, 0);
    std::filesystem::path toml = temp_.home() / "handset.toml";
    std::ifstream in(toml);
    std::string text((std::istreambuf_iterator<char>(in)), {});
    for (auto [from, to] : {std::pair{"connection_sent = 0", "connection_sent = 300"},
                            std::pair{"connection_received = 0", "connection_received = 4000"}}) {
      size_t at = text.find(from);
      ASSERT_NE(at, std::string::npos);
      text.replace(at, std::string(from).size(), to);
    }
    std::ofstream(toml) << text;
  }
  ProgramRun Run(const std::string& command) {
    return RunM8sim("--json --handset " + temp_.home().string() + " " + command);
  }
  static nlohmann::json Result(const ProgramRun& run) {
    return run.records.empty() ? nlohmann::json() : run.records[0]["result"];
  }

  TempDir temp_;
};

TEST_F(GprsCliTest, DialStatusAndHangUpAreThreeCommands) {
  ProgramRun dial = Run("call Dial_StartGprsConnect2 print 1 CMNET");
  ASSERT_EQ(dial.code, 0);
  EXPECT_EQ(Result(dial), 1);
  EXPECT_EQ(Result(Run("call QueryNetWorkStatus")), 5);

  ProgramRun stop = Run("call CalllNotifyApiStopGprsConnect2 null");
  ASSERT_EQ(stop.code, 0);
  EXPECT_EQ(Result(stop), 1);
  auto hangups = stop.Journal("ras.hangup");
  ASSERT_EQ(hangups.size(), 1u);
  EXPECT_EQ(hangups[0]["entry"], "GPRS");
  EXPECT_EQ(hangups[0]["was_up"], "1");
  auto posts = stop.Journal("window.post");
  ASSERT_EQ(posts.size(), 1u);
  EXPECT_EQ(posts[0]["to"], "HWND_BROADCAST");
  EXPECT_EQ(posts[0]["wparam"], "0x2");
  int totals = 0;
  for (const auto& r : stop.records) {
    if (r["type"] != "journal" || r["kind"] != "reg.set_value") continue;
    if (r["fields"]["name"] == "gprsReceiveDataCount" && r["value"] == 4000) ++totals;
    if (r["fields"]["name"] == "gprsSendDataCount" && r["value"] == 300) ++totals;
  }
  EXPECT_EQ(totals, 2);
  auto deleted = stop.Journal("ras.delete_entry");
  ASSERT_EQ(deleted.size(), 1u);
  EXPECT_EQ(deleted[0]["entry"], "GPRS");
  EXPECT_EQ(Result(Run("call QueryNetWorkStatus")), 1);
}

// This process holds the handset while m8sim processes dial and hang up: each side sees what the
// other did, and no traffic is lost.
TEST_F(GprsCliTest, AProcessHoldingTheHandsetSeesAnothersConnection) {
  sim::Handset handset(sim::Handset::Options{temp_.home()});
  ASSERT_EQ(Result(Run("call CalllNotifyApiStartGprsConnect2 null 0")), 1);
  EXPECT_EQ(QueryNetWorkStatus(), 5u);
  EXPECT_EQ(Dial_StopGprsConnect2(nullptr), 1);
  auto hangups = handset.journal().Entries("ras.hangup");
  ASSERT_EQ(hangups.size(), 1u);
  EXPECT_EQ(hangups[0].Field("was_up"), "1");
  EXPECT_EQ(QueryNetWorkStatus(), 1u);

  // The other way round: dialled here, hung up by another process.
  ASSERT_EQ(CalllNotifyApiStartGprsConnect2(nullptr, 0), 1);
  ProgramRun stop = Run("call CalllNotifyApiStopGprsConnect2 null");
  EXPECT_EQ(stop.Journal("window.post").size(), 1u);
  EXPECT_EQ(QueryNetWorkStatus(), 1u);
  RASCONN list[1] = {};
  list[0].dwSize = sizeof(RASCONN);
  DWORD size = sizeof list;
  DWORD count = 9;
  EXPECT_EQ(RasEnumConnections(list, &size, &count), 0u);
  EXPECT_EQ(count, 0u);

  EXPECT_EQ(Load(HKEY_LOCAL_MACHINE, u"DialParameter", u"gprsReceiveDataCount"), Dword(8000));
}

}  // namespace
