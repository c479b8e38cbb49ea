// The exports when the UI library, or one of its functions, is missing from the handset.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame/exports.h"
#include "handset_fixture.h"
#include "oem/ui_library.h"
#include "sim/ui_library/ui_library_program.h"

namespace {

class InputPanelMissingTest : public HandsetTest {
 protected:
  void SetModule(bool present, std::set<std::string> missing) {
    auto& library = handset().program<sim::UiLibrary>();
    library.SetModule(present, std::move(missing));
    library.InstallModule();
  }
  std::vector<std::string> Traces() {
    std::vector<std::string> lines;
    for (const auto& e : handset().journal().Entries("trace")) lines.push_back(e.Field("text"));
    return lines;
  }
};

TEST_F(InputPanelMissingTest, WithoutTheLibraryEveryExportAnswersZeroAndTraces) {
  SetModule(false, {});
  RECT r = {7, 7, 7, 7};
  DWORD mode = 7;
  CommonAPIMzGetWorkArea(&r);
  MzGetVisibleDesktopRectEx(&r);
  MzOpenSipFunc(SIP_MODE_LETTERS, 0, &r);
  MzOpenSipExFunc(SIP_MODE_LETTERS, 0, u"x", &r);
  MzCloseSipEx();
  EXPECT_EQ(r.left + r.top + r.right + r.bottom, 28) << "nothing written";
  EXPECT_EQ(GetSipModeEx(&mode), 0);
  EXPECT_EQ(mode, 7u);
  EXPECT_EQ(CommonAPIMzGetParam(MZ_PARAM_SCREEN_WIDTH), 0u);
  EXPECT_EQ(MzGetA4SipMessageEx(), 0u);
  EXPECT_EQ(MzIsSipOpenEx(), 0);
  EXPECT_EQ(SendCopyInfoToA4SIPEx(), 0);
  EXPECT_EQ(SetSipWindowPosEx(0), 0);
  std::vector<std::string> traces = Traces();
  ASSERT_EQ(traces.size(), 11u);
  EXPECT_EQ(traces[0],
            "InputPanel: cannot load VERA0960.dll (error 126), MzGetWorkArea not called\n");
  EXPECT_TRUE(handset().journal().Entries("ui").empty());
}

TEST_F(InputPanelMissingTest, AMissingFunctionAnswersZeroAndTheOthersWork) {
  SetModule(true, {"MzIsSipOpen", "MzOpenSip"});
  RECT r = {7, 7, 7, 7};
  MzOpenSipFunc(SIP_MODE_LETTERS, 0, &r);
  EXPECT_EQ(r.left + r.top + r.right + r.bottom, 28) << "nothing written";
  MzOpenSipExFunc(SIP_MODE_LETTERS, 0, nullptr, &r);
  EXPECT_EQ(r.top, 420);
  EXPECT_EQ(MzIsSipOpenEx(), 0) << "the panel is open, but nobody can ask";
  EXPECT_EQ(Traces(), (std::vector<std::string>{"InputPanel: VERA0960.dll has no MzOpenSip\n",
                                                "InputPanel: VERA0960.dll has no MzIsSipOpen\n"}));
}

TEST_F(InputPanelMissingTest, ALibraryThatComesLaterIsFound) {
  SetModule(false, {});
  EXPECT_EQ(MzIsSipOpenEx(), 0);
  SetModule(true, {});
  RECT r;
  MzOpenSipFunc(SIP_MODE_DIGITS, 0, &r);
  EXPECT_EQ(MzIsSipOpenEx(), 1);
}

}  // namespace
