#include "call_args.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>

#include "errors.h"

namespace m8sim {
namespace {

std::vector<Param> Params(const char* text) {
  return ParseParameters(text);
}

TEST(ParseParametersTest, SplitsTypesFromNames) {
  auto p = Params(
      "HWND hwnd, LPWSTR pszImei, DWORD cchImei, signed char* pX, "
      "const DesktopIconTipBlock* pTip");
  ASSERT_EQ(p.size(), 5u);
  EXPECT_EQ(p[0].type, "HWND");
  EXPECT_EQ(p[0].name, "hwnd");
  EXPECT_EQ(p[3].type, "signed char*");
  EXPECT_EQ(p[3].name, "pX");
  EXPECT_EQ(p[4].type, "const DesktopIconTipBlock*");
  EXPECT_TRUE(Params("void").empty());
}

TEST(CallArgsTest, IntegersByTheirTypesRanges) {
  auto p = Params("DWORD a, INT b, BYTE c, bool d, UINT e");
  CallArgs args(p, {"0xFFFFFFFF", "-5", "255", "true", "42"});
  EXPECT_EQ(args.args()[0].number, 0xFFFFFFFFu);
  EXPECT_EQ(ArgAs<INT>(args.args()[1]), -5);
  EXPECT_EQ(ArgAs<BYTE>(args.args()[2]), 255);
  EXPECT_TRUE(ArgAs<bool>(args.args()[3]));
  EXPECT_EQ(ArgAs<UINT>(args.args()[4]), 42u);
  // -1 is the all-ones DWORD.
  EXPECT_EQ(ArgAs<DWORD>(CallArgs(Params("DWORD a"), {"-1"}).args()[0]), 0xFFFFFFFFu);
  for (const char* bad : {"256", "-1", "x", "0x", "1.5", ""})
    EXPECT_THROW(CallArgs(Params("BYTE c"), {bad}), UsageError) << bad;
  EXPECT_THROW(CallArgs(Params("DWORD a"), {"0x100000000"}), UsageError);
  EXPECT_THROW(CallArgs(Params("bool d"), {"2"}), UsageError);
  EXPECT_THROW(CallArgs(Params("INT b"), {"null"}), UsageError);
}

TEST(CallArgsTest, HandlesTextAndBytes) {
  auto p = Params("HWND h, HANDLE n, LPCWSTR a, LPCWSTR b, LPCWSTR c, LPCVOID d, LPCVOID e");
  CallArgs args(p, {"0x10", "null", "null", "text:null", "caf\xc3\xa9", "01 ff,02", "null"});
  const auto& a = args.args();
  EXPECT_EQ(ArgAs<HWND>(a[0]), reinterpret_cast<HWND>(0x10));
  EXPECT_EQ(ArgAs<HANDLE>(a[1]), nullptr);
  EXPECT_EQ(ArgAs<LPCWSTR>(a[2]), nullptr);
  EXPECT_EQ(std::u16string(ArgAs<LPCWSTR>(a[3])), u"null");
  EXPECT_EQ(std::u16string(ArgAs<LPCWSTR>(a[4])), u"caf\u00e9");
  const auto* bytes = static_cast<const unsigned char*>(ArgAs<LPCVOID>(a[5]));
  EXPECT_EQ(bytes[0], 0x01);
  EXPECT_EQ(bytes[1], 0xFF);
  EXPECT_EQ(bytes[2], 0x02);
  EXPECT_EQ(ArgAs<LPCVOID>(a[6]), nullptr);
  EXPECT_THROW(CallArgs(Params("HWND h"), {"window"}), UsageError);
  EXPECT_THROW(CallArgs(Params("LPCVOID d"), {"0g"}), UsageError);
  EXPECT_THROW(CallArgs(Params("LPCVOID d"), {"abc"}), UsageError);
}

TEST(CallArgsTest, BufferIsAsLongAsItsLengthAndComesBackAsText) {
  auto p = Params("HWND hwnd, LPWSTR pszImei, DWORD cchImei, LPWSTR pszModel, DWORD cchModel");
  CallArgs args(p, {"null", "out", "4", "null", "9"});
  LPWSTR buffer = ArgAs<LPWSTR>(args.args()[1]);
  ASSERT_NE(buffer, nullptr);
  EXPECT_EQ(ArgAs<DWORD>(args.args()[2]), 4u);
  EXPECT_EQ(ArgAs<LPWSTR>(args.args()[3]), nullptr);
  buffer[0] = u'8';
  buffer[1] = u'6';
  buffer[3] = u'\0';
  auto outputs = args.Outputs();
  EXPECT_EQ(outputs["pszImei"], "86");
  EXPECT_FALSE(outputs.contains("pszModel"));
  EXPECT_THROW(CallArgs(p, {"null", "in", "4", "null", "0"}), UsageError);
  EXPECT_THROW(CallArgs(p, {"null", "out", "0x7fffffff", "null", "0"}), UsageError);
}

TEST(CallArgsTest, OutputVariablesAreMadeAndShown) {
  auto p = Params(
      "LPWSTR* ppszValue, INT* pnValue, LPDWORD pdw, signed char* pX, RECT* pRect, "
      "TouchRawData* pData");
  CallArgs args(p, {"out", "out", "out", "out", "out", "null"});
  const auto& a = args.args();
  *ArgAs<LPWSTR*>(a[0]) = new WCHAR[3]{u'o', u'k', 0};
  *ArgAs<INT*>(a[1]) = -7;
  *ArgAs<LPDWORD>(a[2]) = 9;
  *ArgAs<signed char*>(a[3]) = -3;
  ArgAs<RECT*>(a[4])->right = 480;
  EXPECT_EQ(ArgAs<TouchRawData*>(a[5]), nullptr);
  auto outputs = args.Outputs();
  EXPECT_EQ(outputs["ppszValue"], "ok");
  EXPECT_EQ(outputs["pnValue"], -7);
  EXPECT_EQ(outputs["pdw"], 9);
  EXPECT_EQ(outputs["pX"], -3);
  EXPECT_EQ(outputs["pRect"]["right"], 480);
  EXPECT_FALSE(outputs.contains("pData"));
}

TEST(CallArgsTest, TipBlockAndCallback) {
  auto p = Params("const DesktopIconTipBlock* pTip, GprsConnectCallback pfnCallback");
  CallArgs args(p, {"1,2,0x3,4", "print"});
  const auto* tip = ArgAs<const DesktopIconTipBlock*>(args.args()[0]);
  EXPECT_EQ(tip->dwData[2], 3u);
  EXPECT_NE(ArgAs<GprsConnectCallback>(args.args()[1]), nullptr);
  EXPECT_EQ(ArgAs<GprsConnectCallback>(CallArgs(p, {"null", "null"}).args()[1]), nullptr);
  EXPECT_THROW(CallArgs(p, {"1,2,3", "null"}), UsageError);
  EXPECT_THROW(CallArgs(p, {"null", "out"}), UsageError);
}

TEST(CallArgsTest, TheNumberOfWordsMustMatch) {
  EXPECT_THROW(CallArgs(Params("HWND hwnd, DWORD dwMode"), {"null"}), UsageError);
  EXPECT_THROW(CallArgs(Params("void"), {"1"}), UsageError);
}

TEST(ExportTableTest, EveryListedExportCanBeCalled) {
  std::ifstream list(M8_EXPORTS_LIST);
  ASSERT_TRUE(list) << M8_EXPORTS_LIST;
  std::string line;
  size_t listed = 0;
  while (std::getline(list, line)) {
    if (line.empty() || line[0] == '#') continue;
    ++listed;
    const ExportInfo* found = nullptr;
    for (const auto& info : Exports())
      if (line == info.list_name) found = &info;
    ASSERT_NE(found, nullptr) << line;
    EXPECT_NE(found->call, nullptr) << line;
  }
  size_t callable = 0;
  for (const auto& info : Exports()) callable += info.call != nullptr;
  EXPECT_EQ(callable, listed);
}

TEST(ExportTableTest, EveryExportOfTheInterfaceIsListedWithTypesThatCanBeGiven) {
  EXPECT_EQ(Exports().size(), 126u);
  std::set<std::string> names;
  for (const auto& info : Exports()) {
    names.insert(info.name);
    for (const auto& param : ParseParameters(info.parameters))
      EXPECT_TRUE(IsSupportedType(param.type)) << info.name << ": " << param.type;
  }
  // Dial_StartGprsConnect2 has two forms.
  EXPECT_EQ(names.size(), 125u);
}

}  // namespace
}  // namespace m8sim
