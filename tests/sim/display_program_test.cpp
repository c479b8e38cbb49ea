// The display driver as the handset runs it: scripted escape results, and whether display-setting
// changes are accepted, kept from one mount of its handset to the next.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "ce/windows.h"
#include "handset_fixture.h"
#include "oem/shell.h"
#include "sim/display/display.h"
#include "sim/handset.h"

namespace {

class DisplayProgramTest : public HandsetHomeTest {
 protected:
  // A handset on the test's home; handset.toml's [display] table as given, when one is.
  std::unique_ptr<sim::Handset> Mount(const std::string& table = "") {
    return HandsetHomeTest::Mount(table.empty() ? "" : "[display]\n" + table);
  }
  static int Escape(int escape) {
    HDC dc = GetDC(nullptr);
    int result = ExtEscape(dc, escape, 0, nullptr, 0, nullptr);
    ReleaseDC(nullptr, dc);
    return result;
  }
};

TEST_F(DisplayProgramTest, SwitchesAnswerAsScriptedAndOnlyDoneOnesSwitch) {
  auto handset = Mount("enable_result = 0\ndisable_result = 1\n");
  auto& display = handset->program<sim::Display>();
  EXPECT_TRUE(display.ChangesAccepted());
  struct Step {
    bool enable;
    int32_t scripted;  // 99: as handset.toml says
    int expected;
    bool accepted_after;
  };
  for (const Step& step :
       {Step{false, 99, 1, false}, Step{true, 99, 0, false}, Step{true, -1, -1, false},
        Step{true, 7, 7, true}, Step{false, -5, -5, true}}) {
    if (step.scripted != 99) display.SetSwitchResult(step.enable, step.scripted);
    int escape = step.enable ? DISPLAY_ESCAPE_ENABLE_SETTING_CHANGES
                             : DISPLAY_ESCAPE_DISABLE_SETTING_CHANGES;
    EXPECT_EQ(Escape(escape), step.expected);
    EXPECT_EQ(display.ChangesAccepted(), step.accepted_after);
  }
  // Any other escape is not implemented, and changes nothing.
  EXPECT_EQ(Escape(8), 0);
  EXPECT_EQ(Escape(0x20115), 0);
  EXPECT_TRUE(display.ChangesAccepted());
}

TEST_F(DisplayProgramTest, WhetherChangesAreAcceptedOutlivesTheMount) {
  {
    auto handset = Mount();
    EXPECT_EQ(Escape(DISPLAY_ESCAPE_DISABLE_SETTING_CHANGES), 1);
  }
  auto handset = Mount();
  EXPECT_FALSE(handset->program<sim::Display>().ChangesAccepted());
  EXPECT_EQ(Escape(DISPLAY_ESCAPE_ENABLE_SETTING_CHANGES), 1);
  EXPECT_TRUE(handset->program<sim::Display>().ChangesAccepted());
}

TEST_F(DisplayProgramTest, AnAbsentDriverLeavesNoScreen) {
  auto handset = Mount("present = false\n");
  EXPECT_EQ(GetDC(nullptr), nullptr);
  auto with_driver = std::make_unique<sim::Handset>();
  EXPECT_NE(GetDC(nullptr), nullptr);
}

}  // namespace
