#include <gtest/gtest.h>

#include <future>
#include <memory>
#include <string>
#include <thread>

#include "ce/errors.h"
#include "ce/files.h"
#include "ce/kernel.h"
#include "ce/shell.h"
#include "cehost/handset.h"
#include "cehost/journal.h"
#include "cehost/launch.h"
#include "handset_fixture.h"

namespace {

constexpr char16_t kProgram[] = u"\\Disk\\wifi_test\\WifiTestProgram.exe";

class ShellExecuteTest : public BareHandsetTest {
 protected:
  void SetUp() override {
    BareHandsetTest::SetUp();
    ASSERT_TRUE(CreateDirectoryW(u"\\Disk", nullptr));
    ASSERT_TRUE(CreateDirectoryW(u"\\Disk\\wifi_test", nullptr));
    HANDLE file = CreateFileW(kProgram, GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
  }
  void TearDown() override {
    // Every launched process has ended before the handset goes.
    EXPECT_TRUE(cehost::WaitForThreads(5000));
    BareHandsetTest::TearDown();
  }

  static SHELLEXECUTEINFO Info(const char16_t* file, ULONG mask = SEE_MASK_NOCLOSEPROCESS) {
    SHELLEXECUTEINFO info{};
    info.cbSize = sizeof info;
    info.fMask = mask;
    info.lpVerb = u"Open";
    info.lpFile = file;
    info.nShow = SW_SHOW;
    return info;
  }
};

// The record's size must be the caller's sizeof, and a file is required; a missing file (or a
// missing folder on its way) is ERROR_FILE_NOT_FOUND, journaled, with no process.
TEST_F(ShellExecuteTest, RefusesBadRecordsAndMissingFiles) {
  struct Case {
    DWORD size;
    const char16_t* file;
    DWORD error;
  } cases[] = {
      {sizeof(SHELLEXECUTEINFO) - 4, kProgram, ERROR_INVALID_PARAMETER},
      {sizeof(SHELLEXECUTEINFO) + 4, kProgram, ERROR_INVALID_PARAMETER},
      {60, kProgram, ERROR_INVALID_PARAMETER},  // the 32-bit record's size, on this 64-bit host
      {sizeof(SHELLEXECUTEINFO), nullptr, ERROR_INVALID_PARAMETER},
      {sizeof(SHELLEXECUTEINFO), u"\\Disk\\wifi_test\\Missing.exe", ERROR_FILE_NOT_FOUND},
      {sizeof(SHELLEXECUTEINFO), u"\\Nowhere\\Program.exe", ERROR_FILE_NOT_FOUND},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("size " + std::to_string(c.size) + " " + (c.file ? U8(c.file) : "null"));
    SHELLEXECUTEINFO info = Info(c.file);
    info.cbSize = c.size;
    info.hProcess = reinterpret_cast<HANDLE>(0x55);
    SetLastError(0);
    EXPECT_FALSE(ShellExecuteEx(&info));
    EXPECT_EQ(GetLastError(), c.error);
    if (c.error == ERROR_FILE_NOT_FOUND) {
      EXPECT_EQ(info.hProcess, nullptr);
    }
  }
  SetLastError(0);
  EXPECT_FALSE(ShellExecuteEx(nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  auto launches = cehost::CurrentJournal().Entries("program.launch");
  ASSERT_EQ(launches.size(), 2u);
  EXPECT_EQ(launches[0].Field("result"), "0");
  EXPECT_EQ(launches[0].Field("error"), "2");
  EXPECT_TRUE(cehost::CurrentJournal().Entries("program.exit").empty());
}

// An installed program runs on its own thread with the launch's parameters; its process handle
// is signalled only once it has ended, gives its exit code, and is closed by CloseHandle.
TEST_F(ShellExecuteTest, AnInstalledProgramRunsUntilItEnds) {
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  std::promise<cehost::LaunchRequest> seen;
  cehost::InstallLaunchable(u"\\disk\\WIFI_TEST\\wifitestprogram.exe",
                            [&seen, released](const cehost::LaunchRequest& request) -> DWORD {
                              seen.set_value(request);
                              released.wait();
                              return 7;
                            });
  SHELLEXECUTEINFO info = Info(kProgram);
  info.lpParameters = u"-factory";
  ASSERT_TRUE(ShellExecuteEx(&info));
  EXPECT_GT(reinterpret_cast<uintptr_t>(info.hInstApp), 32u);
  ASSERT_NE(info.hProcess, nullptr);
  cehost::LaunchRequest request = seen.get_future().get();
  EXPECT_EQ(U8(request.file), U8(kProgram));
  EXPECT_EQ(U8(request.parameters), "-factory");
  EXPECT_EQ(U8(request.verb), "Open");
  EXPECT_EQ(request.show, SW_SHOW);

  EXPECT_EQ(WaitForSingleObject(info.hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  DWORD code = 0;
  ASSERT_TRUE(GetExitCodeProcess(info.hProcess, &code));
  EXPECT_EQ(code, static_cast<DWORD>(STILL_ACTIVE));
  // A wait on several objects wakes when the program ends.
  HANDLE idle = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE objects[] = {idle, info.hProcess};
  std::thread ender([&release] { release.set_value(); });
  EXPECT_EQ(WaitForMultipleObjects(2, objects, FALSE, INFINITE), WAIT_OBJECT_0 + 1);
  ender.join();
  EXPECT_EQ(WaitForSingleObject(info.hProcess, 0), static_cast<DWORD>(WAIT_OBJECT_0));
  ASSERT_TRUE(GetExitCodeProcess(info.hProcess, &code));
  EXPECT_EQ(code, 7u);
  EXPECT_TRUE(CloseHandle(info.hProcess));
  SetLastError(0);
  EXPECT_FALSE(CloseHandle(info.hProcess));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_FALSE(GetExitCodeProcess(idle, &code));
  CloseHandle(idle);

  ASSERT_TRUE(cehost::WaitForThreads(5000));
  auto launch = cehost::CurrentJournal().Entries("program.launch");
  ASSERT_EQ(launch.size(), 1u);
  EXPECT_EQ(launch[0].Field("file"), U8(kProgram));
  EXPECT_EQ(launch[0].Field("parameters"), "-factory");
  EXPECT_EQ(launch[0].Field("verb"), "Open");
  EXPECT_EQ(launch[0].Field("installed"), "1");
  EXPECT_EQ(launch[0].Field("result"), "1");
  auto exits = cehost::CurrentJournal().Entries("program.exit");
  ASSERT_EQ(exits.size(), 1u);
  EXPECT_EQ(exits[0].Field("exit_code"), "7");
  EXPECT_EQ(exits[0].Field("process"), launch[0].Field("process"));
}

// A file no installed program answers (a folder too) is launched for the journal only: its
// process ends at once with exit code 0. Without SEE_MASK_NOCLOSEPROCESS no handle is given.
TEST_F(ShellExecuteTest, AFileWithoutAProgramEndsAtOnce) {
  struct Case {
    const char16_t* file;
    ULONG mask;
  } cases[] = {
      {kProgram, SEE_MASK_NOCLOSEPROCESS},
      {u"\\Disk\\wifi_test", SEE_MASK_NOCLOSEPROCESS},
      {kProgram, SEE_MASK_FLAG_NO_UI},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(U8(c.file) + " mask " + std::to_string(c.mask));
    cehost::CurrentJournal().Clear();
    SHELLEXECUTEINFO info = Info(c.file, c.mask);
    ASSERT_TRUE(ShellExecuteEx(&info));
    EXPECT_GT(reinterpret_cast<uintptr_t>(info.hInstApp), 32u);
    if (c.mask & SEE_MASK_NOCLOSEPROCESS) {
      ASSERT_NE(info.hProcess, nullptr);
      EXPECT_EQ(WaitForSingleObject(info.hProcess, 5000), static_cast<DWORD>(WAIT_OBJECT_0));
      DWORD code = 99;
      ASSERT_TRUE(GetExitCodeProcess(info.hProcess, &code));
      EXPECT_EQ(code, 0u);
      EXPECT_TRUE(CloseHandle(info.hProcess));
    } else {
      EXPECT_EQ(info.hProcess, nullptr);
    }
    ASSERT_TRUE(cehost::WaitForThreads(5000));
    auto launch = cehost::CurrentJournal().Entries("program.launch");
    ASSERT_EQ(launch.size(), 1u);
    EXPECT_EQ(launch[0].Field("installed"), "0");
    auto exits = cehost::CurrentJournal().Entries("program.exit");
    ASSERT_EQ(exits.size(), 1u);
    EXPECT_EQ(exits[0].Field("exit_code"), "0");
  }
  // A removed program is not run any more.
  cehost::InstallLaunchable(kProgram, [](const cehost::LaunchRequest&) -> DWORD { return 3; });
  EXPECT_TRUE(cehost::RemoveLaunchable(kProgram));
  EXPECT_FALSE(cehost::RemoveLaunchable(kProgram));
}

}  // namespace
