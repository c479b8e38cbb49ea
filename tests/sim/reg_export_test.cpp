// Export in the desktop editor's layout, and the round trip through import.
#include <gtest/gtest.h>

#include "handset_fixture.h"
#include "reg_support.h"
#include "sim/regfile/reg_file.h"

namespace {

using RegExportTest = HandsetTest;

// One key of every value type, in the layout the exporter must reproduce byte for byte.
const std::vector<std::u16string> kCanonical = {
    u"[HKEY_LOCAL_MACHINE]",
    u"",
    u"[HKEY_LOCAL_MACHINE\\SOFTWARE]",
    u"",
    u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Razud]",
    u"@=\"default\"",
    u"\"Path\"=\"\\\\Disk\\\\Say \\\"hi\\\"\"",
    u"\"Count\"=dword:0000002a",
    u"\"Blob\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\",
    u"  16,17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,29,2a,2b,2c,2d,2e,\\",
    u"  2f,30,31",
    u"\"Expand\"=hex(2):25,00,41,00,25,00,00,00",
    u"\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00",
    u"\"None\"=hex(0):",
    u"\"Qword\"=hex(b):01,02,03,04,05,06,07,08",
    u"\"Unterminated\"=hex(1):61,00",
    u"\"Empty\"=\"\"",
    u"\"Short\"=hex(4):01,02",
    u"\"Operator\"=\"中国移动\"",
    u"",
    u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Razud\\Empty]",
    u"",
    u"[HKEY_CURRENT_USER]",
    u"",
    u"[HKEY_CURRENT_USER\\ControlPanel]",
    u"\"Switch\"=dword:00000001",
    u"",
};

TEST_F(RegExportTest, ImportedFileExportsByteForByte) {
  std::vector<uint8_t> file = Reg5(kCanonical);
  ForgetLoadedDevices();
  EXPECT_EQ(sim::ImportRegistry(file), 13u);
  EXPECT_EQ(sim::ExportRegistry({}), file);
}

TEST_F(RegExportTest, NamedKeyExportsItsSubtreeInStoredCase) {
  sim::ImportRegistry(Reg5({u"[HKEY_LOCAL_MACHINE\\Software\\Razud\\Path]", u"\"A\"=dword:1",
                            u"[HKEY_LOCAL_MACHINE\\Software\\Other]", u"\"B\"=dword:2"}));
  EXPECT_EQ(sim::ExportRegistry({u"hklm\\SOFTWARE\\razud"}),
            Reg5({u"[HKEY_LOCAL_MACHINE\\Software\\Razud]", u"",
                  u"[HKEY_LOCAL_MACHINE\\Software\\Razud\\Path]", u"\"A\"=dword:00000001", u""}));
}

TEST_F(RegExportTest, LongValueNameBreaksTheFirstHexLineEarly) {
  std::u16string name(70, u'N');
  sim::ImportRegistry(
      Reg5({u"[HKEY_CURRENT_USER\\K]", u"\"" + name + u"\"=hex:01,02,03", u"\"s\"=hex:"}));
  EXPECT_EQ(sim::ExportRegistry({u"HKEY_CURRENT_USER\\K"}),
            Reg5({u"[HKEY_CURRENT_USER\\K]", u"\"" + name + u"\"=hex:01,\\", u"  02,03",
                  u"\"s\"=hex:", u""}));
}

TEST_F(RegExportTest, StringsThatQuotesCannotCarryExportAsHexAndComeBackTheSame) {
  struct Case {
    const char16_t* name;
    std::vector<uint8_t> bytes;
  } cases[] = {
      {u"LineEnd", {'a', 0, '\r', 0, '\n', 0, 0, 0}},
      {u"InnerNul", {'a', 0, 0, 0, 'b', 0, 0, 0}},
      {u"OddSize", {'a', 0, 0}},
      {u"NoBytes", {}},
  };
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"K", 0, nullptr, 0, 0, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  for (const Case& c : cases)
    RegSetValueExW(key, c.name, 0, REG_SZ, c.bytes.data(), static_cast<DWORD>(c.bytes.size()));
  RegCloseKey(key);
  std::vector<uint8_t> file = sim::ExportRegistry({u"HKEY_CURRENT_USER\\K"});
  EXPECT_EQ(file, Reg5({u"[HKEY_CURRENT_USER\\K]", u"\"LineEnd\"=hex(1):61,00,0d,00,0a,00,00,00",
                        u"\"InnerNul\"=hex(1):61,00,00,00,62,00,00,00",
                        u"\"OddSize\"=hex(1):61,00,00", u"\"NoBytes\"=hex(1):", u""}));
  ASSERT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, u"K"), ERROR_SUCCESS);
  sim::ImportRegistry(file);
  for (const Case& c : cases)
    EXPECT_EQ(QueryValue(HKEY_CURRENT_USER, u"K", c.name), (RegValue{REG_SZ, c.bytes}))
        << U8(c.name);
}

TEST_F(RegExportTest, MissingKeyOrUnknownRootIsRefused) {
  EXPECT_THROW(sim::ExportRegistry({u"HKEY_LOCAL_MACHINE\\Nowhere"}), sim::RegFileError);
  EXPECT_THROW(sim::ExportRegistry({u"HKEY_SOMEWHERE\\Software"}), sim::RegFileError);
}

}  // namespace
