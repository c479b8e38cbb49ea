// The theme reset: templates copied into the live keys (long values whole), icons to the
// applications that have keys, wallpapers, theme folders removed, the shell's windows told; and
// the removal of a folder tree with what cannot be deleted in it.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ce/files.h"
#include "frame/exports.h"
#include "handset_fixture.h"
#include "registry_helpers.h"
#include "reset_support.h"
#include "settings/directory_tree.h"
#include "shell_support.h"

namespace {

using shell_test::LoggingWindow;
using shell_test::Posted;

constexpr char16_t kTheme[] = u"Software\\Razud\\Theme";
constexpr char16_t kColorsTemplate[] = u"Software\\Razud\\Theme\\Default\\Colors";
constexpr char16_t kColors[] = u"Software\\Razud\\Theme\\Colors";
constexpr char16_t kAppTemplate[] = u"Software\\Razud\\Theme\\Default\\Colors\\App";
constexpr char16_t kApp[] = u"Software\\Razud\\Theme\\Colors\\App";
constexpr char16_t kIcons[] = u"Software\\Razud\\Theme\\Default\\Icons";
constexpr char16_t kMain[] = u"Software\\Razud\\DovuZivUvaro\\Main";

class ThemeResetTest : public BareHandsetTest {
 protected:
  void Put(std::u16string_view path) { handset().PutFile(path, {'x'}); }
  bool Exists(std::u16string_view path) {
    return std::filesystem::exists(handset().HostPath(path));
  }
  void Attributes(LPCWSTR path, DWORD attributes) {
    ASSERT_TRUE(SetFileAttributesW(path, attributes)) << GetLastError();
  }
};

TEST_F(ThemeResetTest, TemplatesAreCopiedOnlyIntoLiveKeysThatMayBeThere) {
  const HKEY m = HKEY_LOCAL_MACHINE;
  Store(m, kTheme, u"ThemeName", Sz(u"Ocean"));
  Store(m, kColorsTemplate, u"Text", Dword(0x000000));
  // Without the App template nothing makes the live keys, and without the live colours key the
  // colours are not copied.
  EXPECT_EQ(SettingApiResetThemeSetting(), 1);
  EXPECT_FALSE(KeyExists(m, kColors));
  EXPECT_EQ(Load(m, kTheme, u"ThemeName"), Sz(u""));
  EXPECT_EQ(Load(m, kTheme, u"DllTheme"), Dword(0));

  // The App template makes its live key (and so the colours key, which is then filled too).
  // Live values the template lacks stay; values in both take the template's.
  Store(m, kAppTemplate, u"Title", Dword(0x102030));
  Store(m, kApp, u"Mine", Dword(9));
  Store(m, kApp, u"Title", Dword(1));
  EXPECT_EQ(SettingApiResetThemeSetting(), 1);
  EXPECT_EQ(Load(m, kApp, u"Title"), Dword(0x102030));
  EXPECT_EQ(Load(m, kApp, u"Mine"), Dword(9));
  EXPECT_EQ(Load(m, kColors, u"Text"), Dword(0));
}

TEST_F(ThemeResetTest, LongTemplateValuesAreCopiedWhole) {
  const HKEY m = HKEY_LOCAL_MACHINE;
  // The longest name the registry holds, one more than the copy's first name buffer takes.
  std::u16string long_name(255, u'n');
  std::u16string long_text(400, u't');
  Store(m, kAppTemplate, long_name.c_str(), Dword(5));
  Store(m, kAppTemplate, u"Picture", Sz(long_text));
  Store(m, kAppTemplate, u"Short", Dword(6));
  EXPECT_EQ(SettingApiResetThemeSetting(), 1);
  EXPECT_EQ(Load(m, kApp, long_name.c_str()), Dword(5));
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(m, kApp, 0, 0, &key), ERROR_SUCCESS);
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExW(key, u"Picture", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, Sz(long_text).bytes.size());
  RegCloseKey(key);
  EXPECT_EQ(Load(m, kApp, u"Short"), Dword(6));
}

TEST_F(ThemeResetTest, IconsGoToApplicationsThatHaveKeys) {
  const HKEY m = HKEY_LOCAL_MACHINE;
  Store(m, kIcons, u"Calendar", Sz(u"\\Windows\\cal.png"));
  Store(m, kIcons, u"Ghost", Sz(u"\\Windows\\ghost.png"));
  Store(m, u"Software\\Razud\\DovuZivUvaro\\Main\\Calendar", u"AnimateIcon", Dword(0));
  EXPECT_EQ(SettingApiResetThemeSetting(), 1);
  EXPECT_EQ(Load(m, u"Software\\Razud\\DovuZivUvaro\\Main\\Calendar", u"DefaultIcon"),
            Sz(u"\\Windows\\cal.png"));
  EXPECT_EQ(Load(m, u"Software\\Razud\\DovuZivUvaro\\Main\\Calendar", u"AnimateIcon"), Dword(1));
  EXPECT_FALSE(KeyExists(m, u"Software\\Razud\\DovuZivUvaro\\Main\\Ghost"));
  EXPECT_TRUE(KeyExists(m, kMain));
}

TEST_F(ThemeResetTest, WallpapersFoldersAndTheShellsWindows) {
  Store(HKEY_CURRENT_USER, u"ControlPanel\\Desktop", u"Wallpaper", Sz(u"\\Disk\\me.png"));
  Put(u"\\Windows\\Themes\\Default1\\bg.png");
  Put(u"\\Windows\\Themes\\Default2\\Icons\\a.png");
  Put(u"\\Windows\\Themes\\Other\\keep.png");
  // Without the shell's windows the reset still works.
  EXPECT_EQ(SettingApiResetThemeSetting(), 1);
  LoggingWindow desktop(u"DesktopExplorerWindow");
  LoggingWindow lock(u"CLockPhoneWnd");
  EXPECT_EQ(SettingApiResetThemeSetting(), 1);
  EXPECT_EQ(Load(HKEY_CURRENT_USER, u"ControlPanel\\Desktop", u"Wallpaper"),
            Sz(u"\\Windows\\DesktopBg.png"));
  EXPECT_EQ(Load(HKEY_CURRENT_USER, u"ControlPanel\\Desktop", u"callPaper"),
            Sz(u"\\Windows\\CallBg.jpg"));
  EXPECT_FALSE(Exists(u"\\Windows\\Themes\\Default1"));
  EXPECT_FALSE(Exists(u"\\Windows\\Themes\\Default2"));
  EXPECT_TRUE(Exists(u"\\Windows\\Themes\\Other\\keep.png"));
  EXPECT_EQ(desktop.Seen(), (std::vector<Posted>{{0xFFF00002u, 0, 0}}));
  EXPECT_EQ(lock.Seen(), (std::vector<Posted>{{0xFFF00002u, 0, 0}}));
  const auto posts = handset().journal().Entries("window.post");
  ASSERT_EQ(posts.size(), 2u);
}

TEST_F(ThemeResetTest, TreeRemovalLeavesWhatItMayNotDelete) {
  // A folder with any further attribute bit is not removed, nor anything in it.
  Put(u"\\A\\inner.txt");
  Attributes(u"\\A", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(DeleteDirectoryTree(u"\\A"), 1);
  EXPECT_TRUE(Exists(u"\\A\\inner.txt"));
  // Not a folder: nothing done.
  Put(u"\\file.txt");
  EXPECT_EQ(DeleteDirectoryTree(u"\\file.txt"), 1);
  EXPECT_EQ(DeleteDirectoryTree(u"\\Missing"), 1);
  EXPECT_TRUE(Exists(u"\\file.txt"));

  // A read-only file, an in-ROM file and a read-only subfolder stay, with their folders; the
  // rest goes, nested folders included.
  Put(u"\\B\\gone.txt");
  Put(u"\\B\\Nested\\Deeper\\gone.txt");
  Put(u"\\B\\locked.txt");
  Put(u"\\B\\rom.dll");
  Put(u"\\B\\Kept\\inside.txt");
  Attributes(u"\\B\\locked.txt", FILE_ATTRIBUTE_READONLY);
  Attributes(u"\\B\\rom.dll", FILE_ATTRIBUTE_INROM);
  Attributes(u"\\B\\Kept", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(DeleteDirectoryTree(u"\\B"), 0);
  EXPECT_FALSE(Exists(u"\\B\\gone.txt"));
  EXPECT_FALSE(Exists(u"\\B\\Nested"));
  EXPECT_TRUE(Exists(u"\\B\\locked.txt"));
  EXPECT_TRUE(Exists(u"\\B\\rom.dll"));
  EXPECT_TRUE(Exists(u"\\B\\Kept\\inside.txt"));

  Put(u"\\C\\Sub\\x.txt");
  EXPECT_EQ(DeleteDirectoryTree(u"\\C"), 1);
  EXPECT_FALSE(Exists(u"\\C"));
}

TEST_F(ThemeResetTest, TreeRemovalNeverReachesAnEntryByACutPath) {
  // A folder whose entries' paths do not fit MAX_PATH: the entry stays, and so does the folder;
  // the file a cut path would name is never touched.
  std::u16string folder = u"\\" + std::u16string(250, u'f');
  Put(folder + u"\\short");
  Put(folder + u"\\0123456789abc");
  EXPECT_EQ(DeleteDirectoryTree(folder.c_str()), 0);
  EXPECT_TRUE(Exists(folder + u"\\0123456789abc"));
  EXPECT_FALSE(Exists(folder + u"\\short"));
}

}  // namespace
