// The resets of single applications, the input method and Bluetooth: which keys they write, in
// which order, with which values, and what they leave alone.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ce/files.h"
#include "ce/kernel.h"
#include "frame/exports.h"
#include "handset_fixture.h"
#include "registry_helpers.h"
#include "reset_support.h"
#include "settings/app_resets.h"

namespace {

using reset_test::Under;
using reset_test::WrittenValues;

constexpr char kMachine[] = "HKEY_LOCAL_MACHINE\\";
constexpr char kUser[] = "HKEY_CURRENT_USER\\";

class AppResetsTest : public BareHandsetTest {
 protected:
  std::vector<std::string> Written() { return WrittenValues(handset().journal()); }
  void Put(std::u16string_view path, const std::string& text = "x") {
    handset().PutFile(path, std::vector<unsigned char>(text.begin(), text.end()));
  }
  bool Exists(std::u16string_view path) {
    return std::filesystem::exists(handset().HostPath(path));
  }
};

TEST_F(AppResetsTest, ResetsWriteOnlyIntoKeysThatExist) {
  struct Case {
    const char* what;
    HKEY root;
    const char16_t* key;
    int (*reset)();
    std::vector<std::string> written;
  } cases[] = {
      {"photo viewer", HKEY_LOCAL_MACHINE, u"Software\\Razud\\PhotoViewer",
       ResetPhotoViewerSettings,
       Under(std::string(kMachine) + "Software\\Razud\\PhotoViewer",
             {"PhotoStayTime", "BlackLightTime", "SlideEffect", "DisplayRandom", "PlayRepeat",
              "BlackLightRate"})},
      {"file browser", HKEY_LOCAL_MACHINE, u"Software\\Razud\\FileBrowser",
       ResetFileBrowserSettings,
       Under(std::string(kMachine) + "Software\\Razud\\FileBrowser", {"Path", "Position"})},
      {"e-mail options", HKEY_LOCAL_MACHINE, u"SOFTWARE\\Razud\\Email", ResetEmailSettings,
       // The key keeps the case it was made with first ("Software").
       Under(std::string(kMachine) + "Software\\Razud\\Email",
             {"mail", "autoupdat", "showmail", "mailfont"})},
      {"Wi-Fi", HKEY_CURRENT_USER, u"Software\\VIROVU", ResetWifiSettings,
       Under(std::string(kUser) + "Software\\VIROVU", {"wifisetting"})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    handset().journal().Clear();
    EXPECT_EQ(c.reset(), 1);
    EXPECT_TRUE(Written().empty());
    EXPECT_FALSE(KeyExists(c.root, c.key));
    MakeKey(c.root, c.key);
    handset().journal().Clear();
    EXPECT_EQ(c.reset(), 1);
    EXPECT_EQ(Written(), c.written);
  }
  EXPECT_EQ(Load(HKEY_LOCAL_MACHINE, u"Software\\Razud\\PhotoViewer", u"BlackLightRate"),
            Dword(50));
  EXPECT_EQ(Load(HKEY_LOCAL_MACHINE, u"Software\\Razud\\FileBrowser", u"Path"), Sz(u"\\Disk"));
  EXPECT_EQ(Load(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Razud\\Email", u"showmail"), Dword(5));
  EXPECT_EQ(Load(HKEY_CURRENT_USER, u"Software\\VIROVU", u"wifisetting"), Dword(0));
}

TEST_F(AppResetsTest, FileBrowserListGoesEvenWithoutItsKey) {
  Put(u"\\Documents and Settings\\encryptFile.txt");
  EXPECT_EQ(SettingApiResetFileBrowserSettings(), 1);
  EXPECT_FALSE(Exists(u"\\Documents and Settings\\encryptFile.txt"));
}

TEST_F(AppResetsTest, EmailAccountResetReportsTheRegistry) {
  EXPECT_EQ(ResetEmailEx(), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, u"SOFTWARE\\VERIDAZ"));
  Store(HKEY_CURRENT_USER, u"SOFTWARE\\VERIDAZ", u"email", Sz(u"me@example.org"));
  EXPECT_EQ(ResetEmailEx(), ERROR_SUCCESS);
  EXPECT_EQ(Load(HKEY_CURRENT_USER, u"SOFTWARE\\VERIDAZ", u"email"), Sz(u""));
}

TEST_F(AppResetsTest, EbookStateFilesGoFromTheStoredFolderOnly) {
  constexpr char16_t kKey[] = u"Software\\Razud\\Path";
  // No folder stored, or one that does not exist: nothing is deleted.
  Put(u"\\Ebook.dat");
  EXPECT_EQ(SettingApiResetEbookSettings(), 1);
  Store(HKEY_LOCAL_MACHINE, kKey, u"EbookPath", Sz(u"\\Disk\\Nowhere"));
  EXPECT_EQ(SettingApiResetEbookSettings(), 1);
  EXPECT_TRUE(Exists(u"\\Ebook.dat"));

  Put(u"\\Disk\\Books\\Ebook.dat");
  Put(u"\\Disk\\Books\\Ebook.txt");
  Store(HKEY_LOCAL_MACHINE, kKey, u"EbookPath", Sz(u"\\Disk\\Books"));
  EXPECT_EQ(SettingApiResetEbookSettings(), 1);
  EXPECT_FALSE(Exists(u"\\Disk\\Books\\Ebook.dat"));
  EXPECT_TRUE(Exists(u"\\Disk\\Books\\Ebook.txt"));

  // A folder whose state file paths do not fit is left alone: a cut path could name another
  // file ("...\Ebook.in" here).
  std::u16string deep = u"\\Disk\\" + std::u16string(246, u'd');
  Put(deep + u"\\Ebook.in");
  Put(deep + u"\\Ebook.dat");
  Store(HKEY_LOCAL_MACHINE, kKey, u"EbookPath", Sz(deep));
  EXPECT_EQ(SettingApiResetEbookSettings(), 1);
  EXPECT_TRUE(Exists(deep + u"\\Ebook.in"));
  EXPECT_TRUE(Exists(deep + u"\\Ebook.dat"));
}

TEST_F(AppResetsTest, KeyboardOptionsAreDigitsAsTextThenTheEventIsSet) {
  Store(HKEY_LOCAL_MACHINE, u"SOFTWARE\\VIVADOV", u"gbk", Dword(1));
  HANDLE listener = CreateEventW(nullptr, FALSE, FALSE, u"VIVADOV_SETTING");
  handset().journal().Clear();
  EXPECT_EQ(SettingApiResetKeyBoard(), 1);
  EXPECT_EQ(Written(), Under(std::string(kMachine) + "SOFTWARE\\VIVADOV",
                             {"iang", "f", "zh", "ch", "uang", "n", "ang", "eng", "sh", "ing", "k",
                              "gbk", "ziFreq", "pyCut", "ciFreq", "enSpace", "legend", "pyType"}));
  EXPECT_EQ(Load(HKEY_LOCAL_MACHINE, u"SOFTWARE\\VIVADOV", u"iang"), Sz(u"1"));
  EXPECT_EQ(Load(HKEY_LOCAL_MACHINE, u"SOFTWARE\\VIVADOV", u"sh"), Sz(u"0"));
  // A number stored under an option's name becomes text.
  EXPECT_EQ(Load(HKEY_LOCAL_MACHINE, u"SOFTWARE\\VIVADOV", u"gbk"), Sz(u"0"));
  EXPECT_EQ(WaitForSingleObject(listener, 0), WAIT_OBJECT_0);
  CloseHandle(listener);
  // With nobody listening the reset still works.
  EXPECT_EQ(SettingApiResetKeyBoard(), 1);
}

TEST_F(AppResetsTest, BluetoothTableIsWrittenWholeInOrder) {
  Store(HKEY_LOCAL_MACHINE, u"Software\\Microsoft\\Bluetooth\\Razud\\PairedDevice", u"Phone",
        Dword(7));
  Store(HKEY_LOCAL_MACHINE, u"Software\\Microsoft\\Bluetooth\\Razud", u"DeviceName",
        Sz(u"My phone"));
  handset().journal().Clear();
  EXPECT_EQ(SettingApiResetBluetoothSettings(), 1);
  const std::string bt = std::string(kMachine) + "Software\\Microsoft\\Bluetooth\\";
  std::vector<std::string> expected =
      Under(bt + "Transports\\BuiltIn\\1",
            {"Driver", "Name", "baud", "Priority256", "PacketSize", "SerialTimeoutConstant",
             "SerialIntervalTimeout", "ReopenDelay", "FlashChip"});
  for (const auto& part :
       {Under(std::string(kMachine) + "Ident", {"Name", "Desc"}),
        Under(bt + "Razud", {"DeviceName", "AutoAnswer"}),
        Under(std::string(kMachine) + "Software\\Microsoft\\Obex",
              {"IsEnabled", "MaxFileChunkSize"}),
        Under(std::string(kMachine) +
                  "Software\\Microsoft\\Obex\\Services\\{00000000-0000-0000-0000-000000000000}",
              {"BaseDir"}),
        Under(std::string(kMachine) +
                  "Software\\Microsoft\\Obex\\Services\\{f9ec7bc4-953c-11d2-984e-525400dc9e09}",
              {"Authenticate", "TransportAuthenticate"}),
        Under(bt + "sys", {"COD"}), Under(bt + "HandsfreeProfileOn", {"dummy"}),
        Under(bt + "l2cap", {"IdlePhys"}),
        Under(bt + "AudioGateway", {"Encrypt", "MapAudioToPcmMode", "NoHandsFree", "Authenticate",
                                    "PowerSave", "OutgoingCallOption"}),
        Under(bt + "Razud", {"PowerOn", "Visible"}), Under(bt + "Razud\\PairedDevice", {"dummy"})})
    expected.insert(expected.end(), part.begin(), part.end());
  EXPECT_EQ(Written(), expected);
  constexpr char16_t kTransport[] = u"Software\\Microsoft\\Bluetooth\\Transports\\BuiltIn\\1";
  EXPECT_EQ(Load(HKEY_LOCAL_MACHINE, kTransport, u"SerialIntervalTimeout"), Dword(0xFFFFFFFF));
  // Without a platform record the hardware version is 0: the BCSP transport.
  EXPECT_EQ(Load(HKEY_LOCAL_MACHINE, kTransport, u"Driver"), Sz(u"bthbcsp.dll"));
  EXPECT_EQ(Load(HKEY_LOCAL_MACHINE, u"Software\\Microsoft\\Bluetooth\\Razud", u"DeviceName"),
            Sz(u"Razud M8"));
  EXPECT_EQ(Load(HKEY_LOCAL_MACHINE,
                 u"Software\\Microsoft\\Obex\\Services\\"
                 u"{f9ec7bc4-953c-11d2-984e-525400dc9e09}",
                 u"TransportAuthenticate"),
            Dword(0xFFFE));
  EXPECT_EQ(
      Load(HKEY_LOCAL_MACHINE, u"Software\\Microsoft\\Bluetooth\\Razud\\PairedDevice", u"Phone"),
      Dword(7));
  EXPECT_EQ(SettingApiBTIsOn(), 0);
}

}  // namespace
