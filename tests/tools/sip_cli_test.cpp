// m8sim sip and m8sim call of the input panel exports, run in-process on a home of the test's own.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli_run.h"
#include "temp_dir.h"

namespace {

class SipCliTest : public ::testing::Test {
 protected:
  CliResult Run(std::vector<std::string> args) { return RunCli(temp_.home(), std::move(args)); }
  nlohmann::json Status() {
    CliResult r = Run({"--json", "sip", "status"});
    EXPECT_EQ(r.code, 0) << r.err;
    return r.Records().at(0);
  }
  // The call's record and the UI library's journal entries it caused.
  std::pair<nlohmann::json, std::vector<nlohmann::json>> Call(std::vector<std::string> args) {
    args.insert(args.begin(), {"--json", "call"});
    CliResult r = Run(args);
    EXPECT_EQ(r.code, 0) << r.err;
    std::vector<nlohmann::json> ui;
    for (const auto& record : r.Records())
      if (record["type"] == "journal" && record["kind"] == "ui") ui.push_back(record["fields"]);
    return {r.Records().at(0), ui};
  }

  TempDir temp_;
};

TEST_F(SipCliTest, StatusFollowsTheCallsAcrossRuns) {
  nlohmann::json closed = Status();
  EXPECT_EQ(closed["open"], false);
  EXPECT_EQ(closed["work_area"], nlohmann::json({0, 0, 480, 656}));
  EXPECT_EQ(closed["visible_desktop"], nlohmann::json({0, 0, 480, 720}));
  EXPECT_EQ(closed["screen"], nlohmann::json({{"width", 480}, {"height", 720}}));

  auto [open, ui] = Call({"MzOpenSipExFunc", "2", "1", "hi", "out"});
  EXPECT_EQ(open["outputs"]["pRect"],
            nlohmann::json({{"left", 0}, {"top", 480}, {"right", 480}, {"bottom", 720}}));
  ASSERT_EQ(ui.size(), 1u);
  EXPECT_EQ(ui[0]["args"], "digits,0x1 (floating),\"hi\"");
  EXPECT_EQ(Call({"SetSipWindowPosEx", "400"}).first["result"], 1);

  nlohmann::json s = Status();
  EXPECT_EQ(s["open"], true);
  EXPECT_EQ(s["layout"], "digits");
  EXPECT_EQ(s["rect"], nlohmann::json({0, 400, 480, 640}));
  EXPECT_EQ(s["window_top"], 400);
  EXPECT_EQ(s["work_area"], nlohmann::json({0, 0, 480, 656})) << "a floating panel";
  EXPECT_EQ(s["visible_desktop"], nlohmann::json({0, 0, 480, 400}));
  EXPECT_EQ(s["text"], "hi");

  CliResult text = Run({"sip"});
  EXPECT_NE(text.out.find("input panel: open, digits"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("rectangle (0,400)-(480,640), window moved to y 400"), std::string::npos);
}

TEST_F(SipCliTest, EachExportCanBeCalled) {
  struct Case {
    std::vector<std::string> args;
    nlohmann::json result;
    const char* ui_call;
  } cases[] = {
      {{"CommonAPIMzGetWorkArea", "out"}, nullptr, "MzGetWorkArea"},
      {{"CommonAPIMzGetParam", "3"}, 64, "MzGetParam"},
      {{"GetSipModeEx", "out"}, 1, "GetSipMode"},
      {{"MzCloseSipEx"}, nullptr, "MzCloseSip"},
      {{"MzGetA4SipMessageEx"}, nullptr, "MzGetA4SipMessage"},
      {{"MzGetVisibleDesktopRectEx", "out"}, nullptr, "MzGetVisibleDesktopRect"},
      {{"MzIsSipOpenEx"}, 0, "MzIsSipOpen"},
      {{"MzOpenSipFunc", "1", "0", "out"}, nullptr, "MzOpenSip"},
      {{"MzOpenSipExFunc", "1", "0", "x", "out"}, nullptr, "MzOpenSipEx"},
      {{"SendCopyInfoToA4SIPEx"}, 1, "SendCopyInfoToA4SIP"},
      {{"SetSipWindowPosEx", "0"}, 1, "SetSipWindowPos"},
  };
  for (const Case& c : cases) {
    auto [record, ui] = Call(c.args);
    if (!c.result.is_null()) {
      EXPECT_EQ(record["result"], c.result) << c.args[0];
    }
    ASSERT_EQ(ui.size(), 1u) << c.args[0];
    EXPECT_EQ(ui[0]["call"], c.ui_call);
  }
}

}  // namespace
