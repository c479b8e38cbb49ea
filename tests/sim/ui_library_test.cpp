// The UI library "VERA0960.dll" of the simulated handset: its entries, its [sip] table and what
// it keeps in state.json.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include "ce/modules.h"
#include "cehost/text.h"
#include "handset_fixture.h"
#include "oem/ui_library.h"
#include "sim/state_file.h"
#include "sim/ui_library/ui_library_program.h"
#include "temp_dir.h"

namespace {

constexpr const char16_t* kDecoratedNames[] = {
    kMzGetWorkAreaEntry,       kMzGetParamEntry,        kGetSipModeEntry,
    kMzCloseSipEntry,          kMzGetA4SipMessageEntry, kMzGetVisibleDesktopRectEntry,
    kMzIsSipOpenEntry,         kMzOpenSipEntry,         kMzOpenSipExEntry,
    kSendCopyInfoToA4SIPEntry, kSetSipWindowPosEntry,
};

using UiLibraryTest = HandsetTest;

TEST_F(UiLibraryTest, EachEntryIsOfferedUnderTheNameTheCompilerGivesIt) {
  HMODULE module = LoadLibraryW(kUiLibraryPath);
  ASSERT_NE(module, nullptr);
  for (const char16_t* name : kDecoratedNames) {
    std::string symbol = cehost::ToUtf8(name);
    void* built = dlsym(RTLD_DEFAULT, symbol.c_str());
    EXPECT_NE(built, nullptr) << symbol << " is not a name of the built module";
    EXPECT_EQ(reinterpret_cast<void*>(GetProcAddressW(module, name)), built) << symbol;
  }
  // The entries are the functions the header declares.
  EXPECT_EQ(reinterpret_cast<void*>(GetProcAddressW(module, kMzOpenSipExEntry)),
            reinterpret_cast<void*>(&MzOpenSipEx));
}

TEST_F(UiLibraryTest, CallsAreJournaledAsAPersonReadsThem) {
  MzOpenSipEx(SIP_MODE_DIGITS, SIP_FLAG_FLOAT, u"42");
  DWORD mode = 0;
  GetSipMode(mode);
  auto entries = handset().journal().Entries("ui");
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].Field("args"), "digits,0x1 (floating),\"42\"");
  EXPECT_EQ(entries[0].Field("result"), "(0,480)-(480,720)");
  EXPECT_EQ(entries[1].Field("args"), "&mode -> digits");
}

TEST(UiLibraryConfigTest, TheSipTableSetsTheScreenAndTheEntries) {
  TempDir dir;
  WriteText(dir.path() / "handset.toml",
            "[sip]\nscreen_width = 320\nscreen_height = 480\ntaskbar_height = 40\n"
            "missing_entries = \"MzIsSipOpen,  SetSipWindowPos\"\n");
  sim::Handset handset(sim::Handset::Options{dir.path(), false});
  HMODULE module = LoadLibraryW(kUiLibraryPath);
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(GetProcAddressW(module, kMzIsSipOpenEntry), nullptr);
  EXPECT_EQ(GetProcAddressW(module, kSetSipWindowPosEntry), nullptr);
  EXPECT_NE(GetProcAddressW(module, kMzOpenSipEntry), nullptr);
  RECT r = MzOpenSip(SIP_MODE_LETTERS, 0);
  EXPECT_EQ(r.top, 180);
  EXPECT_EQ(r.right, 320);
  EXPECT_EQ(MzGetWorkArea().bottom, 180);
  MzCloseSip();
  EXPECT_EQ(MzGetWorkArea().bottom, 440);
}

TEST(UiLibraryConfigTest, AMissingModuleCannotBeLoaded) {
  TempDir dir;
  WriteText(dir.path() / "handset.toml", "[sip]\nmodule = \"missing\"\n");
  sim::Handset handset(sim::Handset::Options{dir.path(), false});
  EXPECT_EQ(LoadLibraryW(kUiLibraryPath), nullptr);
}

TEST(UiLibraryConfigTest, APlaceKeptForALargerScreenIsDocked) {
  TempDir dir;
  WriteText(dir.path() / "handset.toml", "[sip]\nscreen_height = 480\n");
  sim::StateFile(dir.path()).Update("sip", [](nlohmann::json& section) {
    section = sim::PanelStateJson({SIP_MODE_LETTERS, 0, 300, u"", 0});
  });
  sim::Handset handset(sim::Handset::Options{dir.path(), false});
  RECT r = MzGetVisibleDesktopRect();
  EXPECT_EQ(r.bottom, 180) << "docked at the bottom of the 480-pixel screen";
}

TEST_F(UiLibraryTest, StateFileKeepsThePanelAndARebootClosesIt) {
  MzOpenSipEx(SIP_MODE_HANDWRITING, 0, u"memo");
  SetSipWindowPos(100);
  SendCopyInfoToA4SIP();
  sim::StateFile state(handset().home());
  EXPECT_EQ(state.Read("sip"), sim::PanelStateJson({SIP_MODE_HANDWRITING, 0, 100, u"memo", 1}));
  handset().MakeCurrent();
  EXPECT_TRUE(MzIsSipOpen());
  EXPECT_EQ(MzGetVisibleDesktopRect().bottom, 100);

  ASSERT_TRUE(state.Clear());
  handset().MakeCurrent();
  EXPECT_FALSE(MzIsSipOpen());
  EXPECT_EQ(handset().program<sim::UiLibrary>().panel().State(), sim::PanelState{});
}

TEST(PanelStateJsonTest, ASectionItCannotReadLeavesThePanelClosed) {
  struct Case {
    const char* json;
    sim::PanelState expected;
  } cases[] = {
      {R"(null)", {}},
      {R"([1, 2])", {}},
      {R"({"mode": 9, "top": 5, "copies": 2})", {0, 0, 0, u"", 2}},
      {R"({"mode": "letters", "copies": -1})", {}},
      {R"({"mode": 2, "flags": 1, "top": 30, "text": "ok"})", {2, 1, 30, u"ok", 0}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(sim::PanelStateFromJson(nlohmann::json::parse(c.json)), c.expected) << c.json;
}

}  // namespace
