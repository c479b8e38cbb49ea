#include <gtest/gtest.h>

#include "ce/modules.h"
#include "cehost/modules.h"
#include "handset_fixture.h"

namespace {

int Seven() {
  return 7;
}

class ModulesTest : public HandsetTest {
 protected:
  void SetUp() override {
    HandsetTest::SetUp();
    cehost::InstallModule(u"\\Windows\\Tool.dll", {{"Seven", cehost::Entry(&Seven)}});
  }
};

TEST_F(ModulesTest, NamesResolveByPathOrSearchAndIgnoreCase) {
  struct Case {
    const char16_t* name;
    bool found;
  } cases[] = {
      {u"\\Windows\\Tool.dll", true},
      {u"\\WINDOWS\\tool.DLL", true},
      {u"Tool.dll", true},
      {u"tool", true},
      {u"Tool.", false},
      {u"\\Tool.dll", false},
      {u"\\Windows\\Other.dll", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(U8(c.name));
    SetLastError(0);
    HMODULE module = LoadLibraryW(c.name);
    EXPECT_EQ(module != nullptr, c.found);
    if (module) {
      EXPECT_TRUE(FreeLibrary(module));
    } else {
      EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    }
  }
}

TEST_F(ModulesTest, EntriesAreFoundByExactName) {
  HMODULE module = LoadLibraryW(u"\\Windows\\Tool.dll");
  ASSERT_NE(module, nullptr);
  auto seven = reinterpret_cast<int (*)()>(GetProcAddressW(module, u"Seven"));
  ASSERT_NE(seven, nullptr);
  EXPECT_EQ(seven(), 7);
  SetLastError(0);
  EXPECT_EQ(GetProcAddressW(module, u"seven"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
  // An ordinal: the handset's modules export by name only.
  EXPECT_EQ(GetProcAddressW(module, reinterpret_cast<LPCWSTR>(static_cast<uintptr_t>(1))), nullptr);
  EXPECT_TRUE(FreeLibrary(module));
}

TEST_F(ModulesTest, LoadingAgainSharesTheHandleUntilTheLastFree) {
  HMODULE first = LoadLibraryW(u"Tool.dll");
  HMODULE second = LoadLibraryW(u"\\Windows\\TOOL.dll");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first, second);
  EXPECT_TRUE(FreeLibrary(first));
  EXPECT_NE(GetProcAddressW(second, u"Seven"), nullptr);
  EXPECT_TRUE(FreeLibrary(second));
  SetLastError(0);
  EXPECT_EQ(GetProcAddressW(second, u"Seven"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_FALSE(FreeLibrary(second));

  auto loads = handset().journal().Entries("module.load");
  auto frees = handset().journal().Entries("module.free");
  ASSERT_EQ(frees.size(), 1u);
  EXPECT_EQ(frees[0].Field("path"), "\\Windows\\Tool.dll");
  EXPECT_EQ(loads.back().Field("result"), "loaded");
}

TEST_F(ModulesTest, AModuleTakenAwayCannotBeLoaded) {
  cehost::RemoveModule(u"\\windows\\tool.dll");
  EXPECT_EQ(LoadLibraryW(u"Tool.dll"), nullptr);
  EXPECT_EQ(LoadLibraryW(nullptr), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

}  // namespace
