#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ce/errors.h"
#include "ce/locale.h"
#include "ce/registry.h"
#include "cehost/journal.h"
#include "handset_fixture.h"

namespace {

class LocaleTest : public BareHandsetTest {
 protected:
  // The value's type and bytes, or "missing".
  static std::string Stored(HKEY root, const char16_t* key, const char16_t* value) {
    HKEY handle = nullptr;
    if (RegOpenKeyExW(root, key, 0, 0, &handle) != ERROR_SUCCESS) return "missing";
    BYTE data[64];
    DWORD size = sizeof data, type = 0;
    LONG rc = RegQueryValueExW(handle, value, nullptr, &type, data, &size);
    RegCloseKey(handle);
    if (rc != ERROR_SUCCESS) return "missing";
    if (type == REG_DWORD) {
      return "dword " + std::to_string(data[0] | data[1] << 8 | data[2] << 16 | data[3] << 24);
    }
    return "sz " + U8(std::u16string(reinterpret_cast<const char16_t*>(data), size / 2 - 1));
  }
};

// A handset with no locale settings reads US English everywhere.
TEST_F(LocaleTest, NothingSetReadsUsEnglish) {
  for (const char16_t* key : {u"nls", u"MUI"}) RegDeleteKeyW(HKEY_LOCAL_MACHINE, key);
  RegDeleteKeyW(HKEY_CURRENT_USER, u"Control Panel\\International");
  RegDeleteKeyW(HKEY_CURRENT_USER, u"MUI");
  EXPECT_EQ(GetSystemDefaultLCID(), 0x0409u);
  EXPECT_EQ(GetUserDefaultLCID(), 0x0409u);
  EXPECT_EQ(GetUserDefaultUILanguage(), 0x0409);
  EXPECT_EQ(GetSystemDefaultUILanguage(), 0x0409);
  EXPECT_EQ(GetUserDefaultLangID(), 0x0409);
  EXPECT_EQ(GetSystemDefaultLangID(), 0x0409);
}

// Each setting is stored where the platform keeps it, in its form, and read back; the system
// locale brings its code pages.
TEST_F(LocaleTest, SettingsRoundTripThroughTheRegistry) {
  struct Case {
    LCID lcid;
    const char* acp;
    const char* oem;
    const char* locale_text;
    const char* language_text;
  } cases[] = {
      {0x0804, "dword 936", "dword 936", "sz 00000804", "sz 00000804"},
      {0x040C, "dword 1252", "dword 850", "sz 0000040C", "sz 0000040C"},
      {0x0404, "dword 950", "dword 950", "sz 00000404", "sz 00000404"},
      {0x0409, "dword 1252", "dword 437", "sz 00000409", "sz 00000409"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.lcid));
    SetLastError(55);
    ASSERT_TRUE(SetSystemDefaultLCID(c.lcid));
    ASSERT_TRUE(SetUserDefaultUILanguage(LANGIDFROMLCID(c.lcid)));
    ASSERT_TRUE(SetUserDefaultLCID(c.lcid));
    EXPECT_EQ(GetLastError(), 55u);
    EXPECT_EQ(Stored(HKEY_LOCAL_MACHINE, u"nls", u"DefaultLCID"),
              "dword " + std::to_string(c.lcid));
    EXPECT_EQ(Stored(HKEY_LOCAL_MACHINE, u"nls", u"DefaultACP"), c.acp);
    EXPECT_EQ(Stored(HKEY_LOCAL_MACHINE, u"nls", u"DefaultOCP"), c.oem);
    EXPECT_EQ(Stored(HKEY_CURRENT_USER, u"Control Panel\\International", u"Locale"), c.locale_text);
    EXPECT_EQ(Stored(HKEY_CURRENT_USER, u"MUI", u"CurLang"), c.language_text);
    EXPECT_EQ(GetSystemDefaultLCID(), c.lcid);
    EXPECT_EQ(GetUserDefaultLCID(), c.lcid);
    EXPECT_EQ(GetUserDefaultUILanguage(), LANGIDFROMLCID(c.lcid));
    EXPECT_EQ(GetUserDefaultLangID(), LANGIDFROMLCID(c.lcid));
    EXPECT_EQ(GetSystemDefaultLangID(), LANGIDFROMLCID(c.lcid));
  }
  // The writes are the registry's own, journaled as such.
  auto writes = cehost::CurrentJournal().Entries("reg.set_value");
  EXPECT_EQ(writes.size(), 4u * 5u);
}

// The user settings are their own: the user locale falls back to the system's only while unset.
TEST_F(LocaleTest, UserAndSystemLocalesAreSeparate) {
  ASSERT_TRUE(SetSystemDefaultLCID(0x0804));
  EXPECT_EQ(GetUserDefaultLCID(), 0x0804u);
  ASSERT_TRUE(SetUserDefaultLCID(0x040C));
  ASSERT_TRUE(SetSystemDefaultLCID(0x0409));
  EXPECT_EQ(GetUserDefaultLCID(), 0x040Cu);
  EXPECT_EQ(GetSystemDefaultLCID(), 0x0409u);
  EXPECT_EQ(GetSystemDefaultLangID(), 0x040C);
}

// A locale or language the handset lacks, or one with a sort order it lacks, is refused with
// ERROR_INVALID_PARAMETER and nothing is written.
TEST_F(LocaleTest, UninstalledLocalesAreRefused) {
  cehost::CurrentJournal().Clear();
  for (LCID lcid : {0x0000u, 0x0411u, 0x0407u, 0x0C04u, MAKELCID(0x0804, 2), 0x10409u}) {
    SCOPED_TRACE(std::to_string(lcid));
    SetLastError(0);
    EXPECT_FALSE(SetSystemDefaultLCID(lcid));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    SetLastError(0);
    EXPECT_FALSE(SetUserDefaultLCID(lcid));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  }
  for (LANGID language : {0x0000, 0x0411, 0x0004, 0x7C04}) {
    SetLastError(0);
    EXPECT_FALSE(SetUserDefaultUILanguage(language));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  }
  EXPECT_TRUE(cehost::CurrentJournal().EntriesWithPrefix("reg.").empty());
}

// Settings written by other tools as REG_DWORD, or as short hexadecimal text, read back too;
// unreadable text falls back.
TEST_F(LocaleTest, ReadsOtherSpellingsOfTheSettings) {
  HKEY mui = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"MUI", 0, nullptr, 0, 0, nullptr, &mui, nullptr),
            ERROR_SUCCESS);
  struct Case {
    DWORD type;
    std::vector<BYTE> data;
    LANGID read;
  } cases[] = {
      {REG_DWORD, {0x04, 0x08, 0, 0}, 0x0804},
      {REG_SZ, {'4', 0, '0', 0, 'c', 0, 0, 0}, 0x040C},
      {REG_SZ, {'z', 0, 0, 0}, 0x0409},
      {REG_SZ, {0, 0}, 0x0409},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(RegSetValueExW(mui, u"CurLang", 0, c.type, c.data.data(),
                             static_cast<DWORD>(c.data.size())),
              ERROR_SUCCESS);
    EXPECT_EQ(GetUserDefaultUILanguage(), c.read);
  }
  RegCloseKey(mui);
}

}  // namespace
