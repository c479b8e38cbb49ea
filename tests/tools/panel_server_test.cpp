// The panel over HTTP: the page and the API to its own pages only, and the event stream that
// carries the handset's changes.
#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

#include "cli_run.h"
#include "panel/panel_server.h"
#include "panel/served_home.h"
#include "raw_http.h"
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
}

TEST_F(PanelServerTest, BodiesItWillNotTakeAreRefusedUnread) {
  const std::string host = "Host: " + Host() + "\r\nContent-Type: application/json\r\n";
  struct Case {
    std::string head;
    const char* status;
  };
  const Case cases[] = {
      {"POST /api/call HTTP/1.1\r\n" + host + "Content-Length: 1000000000000\r\n\r\n", " 413 "},
      {"POST /api/call HTTP/1.1\r\n" + host + "Content-Length: 1048577\r\n\r\n", " 413 "},
      {"POST /api/call HTTP/1.1\r\n" + host + "Transfer-Encoding: chunked\r\n\r\n", " 411 "},
      {"POST /api/call HTTP/1.1\r\n" + host + "\r\n", " 411 "},
      {"PUT /api/call HTTP/1.1\r\n" + host + "Content-Length: 5\r\n\r\n", " 405 "},
  };
  for (const Case& c : cases) {
    std::string answer = AnswerTo(server_->port(), c.head);
    EXPECT_NE(answer.find(c.status), std::string::npos) << c.head << answer;
  }
  EXPECT_EQ(client_->Get("/api/state")->status, 200);
}

// Pages holding event streams never keep a request waiting.
TEST_F(PanelServerTest, AHundredOpenStreamsLeaveItAnswering) {
  std::vector<int> streams;
  for (int i = 0; i < 100; ++i) {
    streams.push_back(OpenEventStream(server_->port()));
    ASSERT_GE(streams.back(), 0) << "stream " << i;
  }
  auto started = std::chrono::steady_clock::now();
  auto state = client_->Get("/api/state");
  auto took = std::chrono::steady_clock::now() - started;
  ASSERT_TRUE(state);
  EXPECT_EQ(state->status, 200);
  EXPECT_LT(took, std::chrono::milliseconds(100));
  for (int sock : streams) close(sock);
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
