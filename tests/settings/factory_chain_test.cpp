// The factory reset on the default handset, a handset in use: the order of its steps as the
// journal shows them, and what the handset answers afterwards.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "cehost/text.h"
#include "frame/exports.h"
#include "handset_fixture.h"
#include "registry_helpers.h"
#include "reset_support.h"
#include "sim/default_handset.h"
#include "sim/handset.h"
#include "telephony/access_point.h"

namespace {

class FactoryChainTest : public HandsetHomeTest {
 protected:
  void SetUp() override {
    sim::InitHandset(temp_.home());
    handset_ = Mount();
  }
  sim::Handset& handset() { return *handset_; }
  bool Exists(std::u16string_view path) {
    return std::filesystem::exists(handset().HostPath(path));
  }

  // Each step as the journal shows it: the registry key a value was written into or deleted
  // from (once for a run of writes into one key), a device's control, or a broadcast.
  std::vector<std::string> Steps() {
    std::vector<std::string> steps;
    for (const auto& e : handset().journal().Entries()) {
      std::string step;
      if (e.kind == "reg.set_value" || e.kind == "reg.delete_value") {
        step = e.Field("key");
        for (char& c : step) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      } else if (e.kind == "device.control") {
        step = e.Field("code_name");
      } else if (e.kind == "file.delete" || e.kind == "dir.remove") {
        step = e.kind;
      } else {
        continue;
      }
      if (steps.empty() || steps.back() != step) steps.push_back(step);
    }
    return steps;
  }

  std::unique_ptr<sim::Handset> handset_;
};

// True when every item of wanted appears in steps, in that order.
bool InOrder(const std::vector<std::string>& steps, const std::vector<std::string>& wanted) {
  size_t at = 0;
  for (const auto& step : steps)
    if (at < wanted.size() && step == wanted[at]) ++at;
  return at == wanted.size();
}

TEST_F(FactoryChainTest, StepsRunInTheirOrder) {
  ASSERT_EQ(SettingApiResetFactorySettings(), 1);
  const std::string m = "hkey_local_machine\\";
  const std::string u = "hkey_current_user\\";
  std::vector<std::string> wanted = {
      m + "software\\razud\\theme",
      m + "software\\razud\\theme\\colors\\app",
      m + "software\\razud\\theme\\colors",
      m + "software\\razud\\dovuzivuvaro\\main\\calendar",
      u + "controlpanel\\desktop",
      "dir.remove",
      m + "software\\vivadov",
      u + "controlpanel\\volume",
      m + "software\\razud\\camerasetup",
      u + "controlpanel\\ring",
      u + "controlpanel\\backlight",
      m + "system\\currentcontrolset\\control\\power\\timeouts",
      u + "controlpanel\\desktop",
      m + "drivers\\builtin\\battery",
      "IOCTL_IRD_SET_LEVEL",
      m + "drivers\\builtin\\irsensor",
      "IOCTL_TCH_GET_SETTING",
      "IOCTL_TCH_SET_SETTING",
      "IOCTL_UFN_CHANGE_CURRENT_CLIENT",
      "IOCTL_UFN_CHANGE_DEFAULT_CLIENT",
      u + "controlpanel\\setting\\flymode",
      u + "controlpanel\\setting\\edge",
      "file.delete",
      m + "software\\microsoft\\bluetooth\\transports\\builtin\\1",
      m + "software\\microsoft\\bluetooth\\razud\\paireddevice",
      u + "software\\virovu",
      m + "software\\razud\\photoviewer",
      m + "software\\razud\\filebrowser",
      u + "software\\virovu",
      m + "software\\razud\\email",
  };
  const auto steps = Steps();
  EXPECT_TRUE(InOrder(steps, wanted)) << ::testing::PrintToString(steps);
}

TEST_F(FactoryChainTest, AfterwardsTheHandsetAnswersAsAFreshOne) {
  ASSERT_TRUE(Exists(u"\\Disk\\Ebook\\Ebook.ini"));
  ASSERT_EQ(SettingApiResetFactorySettings(), 1);
  EXPECT_EQ(QueryNetWorkStatus(), 1u);
  EXPECT_EQ(SettingApiBTIsOn(), 0);
  EXPECT_EQ(IsLoadWifiEx(), 0);
  // The user's profile file and the working copy are gone; the road to the access point makes
  // the copy again from the operator's file, with its selection.
  EXPECT_FALSE(Exists(u"\\Disk\\Application Data\\Connect\\UsrConnectNode.ini"));
  EXPECT_FALSE(Exists(u"\\Windows\\46000cpy.ini"));
  WCHAR name[64] = {};
  ASSERT_TRUE(GetDefaultAccessName(name));
  EXPECT_EQ(std::u16string(name), u"CMNET");
  EXPECT_TRUE(Exists(u"\\Windows\\46000cpy.ini"));
  // The state files, the theme folders and the encrypted list are gone.
  EXPECT_FALSE(Exists(u"\\Disk\\Ebook\\Ebook.ini"));
  EXPECT_FALSE(Exists(u"\\Windows\\Themes\\Default1"));
  EXPECT_FALSE(Exists(u"\\Documents and Settings\\encryptFile.txt"));
  // What the reset leaves: the e-mail account.
  EXPECT_TRUE(Load(HKEY_CURRENT_USER, u"SOFTWARE\\VERIDAZ", u"email").has_value());
  EXPECT_NE(Load(HKEY_CURRENT_USER, u"SOFTWARE\\VERIDAZ", u"email"), Sz(u""));
}

}  // namespace
