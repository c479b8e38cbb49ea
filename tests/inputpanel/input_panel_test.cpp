#include <gtest/gtest.h>

#include <latch>
#include <string>
#include <thread>
#include <vector>

#include "ce/windows.h"
#include "frame/exports.h"
#include "handset_fixture.h"
#include "oem/ui_library.h"
#include "sim/ui_library/ui_library_program.h"

namespace {

// A rectangle no call writes, to see every field overwritten.
constexpr RECT kUnwritten = {0x5A5A, 0x5A5A, 0x5A5A, 0x5A5A};

std::string Text(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
         "," + std::to_string(r.bottom);
}

class InputPanelTest : public HandsetTest {
 protected:
  sim::UiLibrary& library() { return handset().program<sim::UiLibrary>(); }

  // The arguments of the UI library's calls, in order.
  std::vector<std::string> UiArgs(const std::string& call) {
    std::vector<std::string> args;
    for (const auto& e : handset().journal().Entries("ui"))
      if (e.Field("call") == call) args.push_back(e.Field("args"));
    return args;
  }

  static RECT WorkArea() {
    RECT r = kUnwritten;
    CommonAPIMzGetWorkArea(&r);
    return r;
  }
  static RECT Visible() {
    RECT r = kUnwritten;
    MzGetVisibleDesktopRectEx(&r);
    return r;
  }
};

TEST_F(InputPanelTest, RectangleExportsWriteAllFourFields) {
  struct Case {
    const char* what;
    RECT (*call)();
    RECT expected;
  } cases[] = {
      {"work area, closed", [] { return WorkArea(); }, {0, 0, 480, 656}},
      {"visible desktop, closed", [] { return Visible(); }, {0, 0, 480, 720}},
      {"open digits",
       [] {
         RECT r = kUnwritten;
         MzOpenSipFunc(SIP_MODE_DIGITS, 0, &r);
         return r;
       },
       {0, 480, 480, 720}},
      {"work area, digits open", [] { return WorkArea(); }, {0, 0, 480, 480}},
      {"open letters with text",
       [] {
         RECT r = kUnwritten;
         MzOpenSipExFunc(SIP_MODE_LETTERS, 0, u"abc", &r);
         return r;
       },
       {0, 420, 480, 720}},
      {"visible desktop, letters open", [] { return Visible(); }, {0, 0, 480, 420}},
      {"open in no layout: all zero",
       [] {
         RECT r = kUnwritten;
         MzOpenSipFunc(77, 0, &r);
         return r;
       },
       {0, 0, 0, 0}},
      {"open with text in no layout: all zero",
       [] {
         RECT r = kUnwritten;
         MzOpenSipExFunc(0, 0, nullptr, &r);
         return r;
       },
       {0, 0, 0, 0}},
  };
  for (const Case& c : cases) EXPECT_EQ(Text(c.call()), Text(c.expected)) << c.what;
}

TEST_F(InputPanelTest, AZeroScreenGivesAllZeroAreas) {
  library().panel().SetScreen({0, 0, 0});
  EXPECT_EQ(Text(WorkArea()), "0,0,0,0");
  EXPECT_EQ(Text(Visible()), "0,0,0,0");
}

TEST_F(InputPanelTest, IsSipOpenIsExactlyZeroOrOne) {
  EXPECT_EQ(MzIsSipOpenEx(), 0);
  RECT r;
  MzOpenSipFunc(SIP_MODE_HANDWRITING, 0, &r);
  EXPECT_EQ(MzIsSipOpenEx(), 1);
  MzCloseSipEx();
  EXPECT_EQ(MzIsSipOpenEx(), 0);
}

TEST_F(InputPanelTest, ArgumentsAndResultsPassThroughUnchanged) {
  RECT r;
  MzOpenSipFunc(SIP_MODE_DIGITS, 0xFFFFFFFE, &r);
  MzOpenSipExFunc(0x80000001, SIP_FLAG_FLOAT, u"\u4e2d\u6587", &r);
  EXPECT_EQ(UiArgs("MzOpenSip"), std::vector<std::string>{"digits,0xfffffffe"});
  EXPECT_EQ(UiArgs("MzOpenSipEx"),
            std::vector<std::string>{"mode 2147483649,0x1 (floating),\"\u4e2d\u6587\""});

  EXPECT_EQ(SetSipWindowPosEx(100), 1);
  EXPECT_EQ(SetSipWindowPosEx(0xFFFFFFFF), 0);
  EXPECT_EQ(UiArgs("SetSipWindowPos"), (std::vector<std::string>{"100", "4294967295"}));

  struct Param {
    UINT id;
    UINT value;
  } params[] = {{MZ_PARAM_SCREEN_WIDTH, 480},
                {MZ_PARAM_SCREEN_HEIGHT, 720},
                {MZ_PARAM_TASKBAR_HEIGHT, 64},
                {MZ_PARAM_SIP_HEIGHT, 240},
                {0, 0},
                {0xFFFFFFFF, 0}};
  for (const Param& p : params) EXPECT_EQ(CommonAPIMzGetParam(p.id), p.value) << p.id;

  DWORD mode = 0xEEEE;
  EXPECT_EQ(GetSipModeEx(&mode), 1);
  EXPECT_EQ(mode, DWORD{SIP_MODE_DIGITS});
  EXPECT_EQ(MzGetA4SipMessageEx(), RegisterWindowMessageW(kA4SipMessageName));
  EXPECT_EQ(SendCopyInfoToA4SIPEx(), 1);
  EXPECT_EQ(library().panel().State().copies, 1u);
}

TEST_F(InputPanelTest, NullPointersAreRefusedWithoutCallingTheLibrary) {
  CommonAPIMzGetWorkArea(nullptr);
  MzGetVisibleDesktopRectEx(nullptr);
  MzOpenSipFunc(SIP_MODE_LETTERS, 0, nullptr);
  MzOpenSipExFunc(SIP_MODE_LETTERS, 0, u"x", nullptr);
  EXPECT_EQ(GetSipModeEx(nullptr), 0);
  EXPECT_TRUE(handset().journal().Entries("ui").empty());
  EXPECT_EQ(MzIsSipOpenEx(), 0) << "a null rectangle opens no panel";
}

TEST_F(InputPanelTest, OpenMoveAndCloseChangeTheAreas) {
  RECT r;
  MzOpenSipFunc(SIP_MODE_LETTERS, 0, &r);
  EXPECT_EQ(SetSipWindowPosEx(200), 1);
  EXPECT_EQ(Text(WorkArea()), "0,0,480,200");
  EXPECT_EQ(Text(Visible()), "0,0,480,200");
  EXPECT_EQ(SetSipWindowPosEx(500), 0) << "the panel would leave the screen";
  MzOpenSipFunc(SIP_MODE_DIGITS, SIP_FLAG_FLOAT, &r);
  EXPECT_EQ(Text(r), "0,200,480,440") << "a moved panel keeps its place";
  EXPECT_EQ(Text(WorkArea()), "0,0,480,656") << "a floating panel leaves the work area";
  EXPECT_EQ(Text(Visible()), "0,0,480,200");
  MzCloseSipEx();
  EXPECT_EQ(Text(WorkArea()), "0,0,480,656");
  EXPECT_EQ(Text(Visible()), "0,0,480,720");
  EXPECT_EQ(SetSipWindowPosEx(100), 0) << "a closed panel does not move";
}

TEST_F(InputPanelTest, ThePanelIsKeptAcrossAMount) {
  RECT r;
  MzOpenSipExFunc(SIP_MODE_HANDWRITING, 0, u"note", &r);
  ASSERT_EQ(SetSipWindowPosEx(300), 1);
  std::filesystem::path home = handset().home();
  sim::Handset::Options options;
  options.home = home;
  {
    // Another mount of the same home, with programs of its own, reads what the first left.
    sim::Handset again(options);
    DWORD mode = 0;
    EXPECT_EQ(GetSipModeEx(&mode), 1);
    EXPECT_EQ(mode, DWORD{SIP_MODE_HANDWRITING});
    EXPECT_EQ(Text(Visible()), "0,0,480,300");
    sim::PanelState kept = again.program<sim::UiLibrary>().panel().State();
    EXPECT_EQ(kept.text, u"note");
    MzCloseSipEx();
  }
  handset().MakeCurrent();
  EXPECT_EQ(MzIsSipOpenEx(), 0) << "the close made on the other mount is kept too";
}

TEST_F(InputPanelTest, FirstUseFromTwoThreadsLoadsTheLibraryOnce) {
  std::latch start(2);
  INT open[2] = {-1, -1};
  UINT width[2] = {};
  std::vector<std::thread> threads;
  for (int t = 0; t < 2; ++t)
    threads.emplace_back([&, t] {
      start.arrive_and_wait();
      width[t] = CommonAPIMzGetParam(MZ_PARAM_SCREEN_WIDTH);
      open[t] = MzIsSipOpenEx();
    });
  for (auto& t : threads) t.join();
  for (int t = 0; t < 2; ++t) {
    EXPECT_EQ(width[t], 480u);
    EXPECT_EQ(open[t], 0);
  }
  EXPECT_EQ(handset().journal().Entries("module.load").size(), 1u);
  EXPECT_EQ(handset().journal().Entries("ui").size(), 4u);
}

}  // namespace
