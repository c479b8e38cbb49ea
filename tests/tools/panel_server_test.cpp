// The panel over HTTP: the page and the API to its own pages only, and the event stream that
// carries the handset's changes.
#include <gtest/gtest.h>
#include <httplib.h>

#include <cstdlib>
#include <thread>

#include "cli_run.h"
#include "panel/panel_server.h"
#include "panel/served_home.h"
#include "temp_dir.h"

namespace {

class PanelServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RunCli(temp_.home(), {"handset", "init"});
    served_ = std::make_unique<m8sim::ServedHome>(temp_.home());
    server_ = std::make_unique<m8sim::PanelServer>(temp_.home(), m8sim::PanelFiles());
    std::string error;
    ASSERT_TRUE(server_->Bind("127.0.0.1", 0, &error)) << error;
    serving_ = std::thread([this] { server_->Serve(); });
    client_ = std::make_unique<httplib::Client>("127.0.0.1", server_->port());
  }
  void TearDown() override {
    server_->Stop();
    if (serving_.joinable()) serving_.join();
  }
  std::string Host() const { return "127.0.0.1:" + std::to_string(server_->port()); }

  TempDir temp_;
  std::unique_ptr<m8sim::ServedHome> served_;
  std::unique_ptr<m8sim::PanelServer> server_;
  std::thread serving_;
  std::unique_ptr<httplib::Client> client_;
};

TEST_F(PanelServerTest, ThePageAndTheApiAnswerTheirOwnPagesOnly) {
  auto page = client_->Get("/");
  ASSERT_TRUE(page);
  EXPECT_EQ(page->status, 200);
  EXPECT_NE(page->body.find("panel.js"), std::string::npos);
  EXPECT_EQ(client_->Get("/panel.js")->status, 200);
  EXPECT_EQ(client_->Get("/../handset.toml")->status, 404);

  auto state = client_->Get("/api/state", {{"Origin", "http://" + Host()}});
  ASSERT_TRUE(state);
  EXPECT_EQ(state->status, 200);
  EXPECT_EQ(nlohmann::json::parse(state->body)["view"]["home"], temp_.home().string());

  EXPECT_EQ(client_->Get("/api/state", {{"Origin", "http://evil.example"}})->status, 403);
  EXPECT_EQ(
      client_->Get("/", {{"Host", "evil.example:" + std::to_string(server_->port())}})->status,
      403);
  // A form of another site cannot post JSON; a body of another type is refused.
  auto form = client_->Post("/api/device", R"({"device":"ACC0:","set":{"x":1}})",
                            "application/x-www-form-urlencoded");
  EXPECT_EQ(form->status, 415);
  auto call = client_->Post("/api/call", R"({"export":"SetBackLightLevelEx","args":["7"]})",
                            "application/json");
  ASSERT_TRUE(call);
  EXPECT_EQ(call->status, 200) << call->body;
  auto bad = client_->Post("/api/call", "{", "application/json");
  EXPECT_EQ(bad->status, 400);
  // A body over 1 MiB is refused whole, and the panel answers on.
  std::string huge =
      R"({"export":"IniWriteStringEx","args":[")" + std::string(2 << 20, 'x') + R"("]})";
  auto too_big = client_->Post("/api/call", huge, "application/json");
  ASSERT_TRUE(too_big);
  EXPECT_EQ(too_big->status, 413);
  EXPECT_EQ(client_->Get("/api/state")->status, 200);
}

TEST_F(PanelServerTest, NoOtherServerListensOnItsPort) {
  m8sim::PanelServer other(temp_.home(), m8sim::PanelFiles());
  std::string error;
  EXPECT_FALSE(other.Bind("127.0.0.1", server_->port(), &error));
  EXPECT_NE(error.find(std::to_string(server_->port())), std::string::npos) << error;
}

TEST_F(PanelServerTest, TheEventStreamCarriesTheViewThenEachChange) {
  std::string received;
  bool changed = false;
  httplib::Client events("127.0.0.1", server_->port());
  auto streamed = events.Get("/api/events", [&](const char* data, size_t size) {
    received.append(data, size);
    if (!changed && received.find("\"BKL1:\"") != std::string::npos) {
      // The first event came: another program changes the handset.
      changed = true;
      std::string command = std::string(M8SIM_PATH) + " --handset '" + temp_.home().string() +
                            "' device set BKL1: level=33 >/dev/null";
      EXPECT_EQ(std::system(command.c_str()), 0);
    }
    // Read on until the change arrives.
    return received.find("\"level\":33") == std::string::npos;
  });
  EXPECT_TRUE(changed);
  EXPECT_NE(received.find("event: update"), std::string::npos);
  EXPECT_NE(received.find("\"level\":33"), std::string::npos);
}

TEST_F(PanelServerTest, StopEndsOpenStreams) {
  httplib::Client events("127.0.0.1", server_->port());
  std::thread reader([&] { events.Get("/api/events", [](const char*, size_t) { return true; }); });
  // Stop as soon as the stream is open: the first event has been sent by then.
  httplib::Client probe("127.0.0.1", server_->port());
  ASSERT_TRUE(probe.Get("/api/state"));
  server_->Stop();
  serving_.join();
  reader.join();
}

}  // namespace
