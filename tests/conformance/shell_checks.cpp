// ShellExecuteEx and the process it starts, as Windows CE documents them: a program named by its
// path starts with its parameters; with SEE_MASK_NOCLOSEPROCESS hProcess is the new process, which
// is signalled when it ends and whose exit code GetExitCodeProcess gives (STILL_ACTIVE while it
// runs); a missing file or a record of the wrong size fails with the last error. The library
// launches the Wi-Fi test program this way and lets go of its handle. The record is CE's (CE
// takes only SEE_MASK_NOCLOSEPROCESS and SEE_MASK_FLAG_NO_UI), so every check is CE-only; they put
// their own program on the handset, so the Win32 build leaves this file out.
#include <mutex>
#include <string>

#include "ce/shell.h"
#include "cehost/launch.h"
#include "check.h"
#include "rows.h"

namespace {

using conformance::kSentinel;

// The CE path of a program file made in the group's folder.
WideString ProgramFile() {
  WideString path = conformance::FreshFolder("shell") + WS("\\conformance.exe");
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  CloseHandle(file);
  return path;
}

SHELLEXECUTEINFO Launch(const WideString& file, const WCHAR* parameters) {
  SHELLEXECUTEINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS;
  info.lpVerb = WS("Open");
  info.lpFile = file.c_str();
  info.lpParameters = parameters;
  info.nShow = SW_SHOW;
  return info;
}

// The program starts with its parameters and runs until released; its process handle is waited
// on and gives its exit code, STILL_ACTIVE before it ends.
CE_ONLY_CASE(shell, launched_program_gives_its_process) {
  const WideString file = ProgramFile();
  HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::mutex mutex;
  std::u16string parameters;
  cehost::InstallLaunchable(file, [&](const cehost::LaunchRequest& request) -> DWORD {
    {
      std::lock_guard lock(mutex);
      parameters = request.parameters;
    }
    WaitForSingleObject(release, 10000);
    return 7;
  });

  SHELLEXECUTEINFO info = Launch(file, WS("-x 1"));
  EXPECT_SAME(ShellExecuteEx(&info), TRUE);
  EXPECT_TRUE_(info.hProcess != nullptr);
  EXPECT_TRUE_(reinterpret_cast<uintptr_t>(info.hInstApp) > 32);
  DWORD code = 0;
  EXPECT_SAME(GetExitCodeProcess(info.hProcess, &code), TRUE);
  EXPECT_SAME(code, DWORD{STILL_ACTIVE});
  EXPECT_RESULT(WaitForSingleObject(info.hProcess, 0), DWORD{WAIT_TIMEOUT});
  SetEvent(release);
  EXPECT_RESULT(WaitForSingleObject(info.hProcess, 10000), DWORD{WAIT_OBJECT_0});
  EXPECT_SAME(GetExitCodeProcess(info.hProcess, &code), TRUE);
  EXPECT_SAME(code, DWORD{7});
  {
    std::lock_guard lock(mutex);
    EXPECT_SAME(WideString(parameters.begin(), parameters.end()), WideString(WS("-x 1")));
  }
  EXPECT_SAME(CloseHandle(info.hProcess), TRUE);
  CloseHandle(release);
}

// A file that is not there fails with ERROR_FILE_NOT_FOUND and no process; a record whose cbSize
// is not its size with ERROR_INVALID_PARAMETER; GetExitCodeProcess of a handle that is not a
// process fails.
CE_ONLY_CASE(shell, launch_failures_set_the_last_error) {
  const WideString missing = conformance::FreshFolder("shell") + WS("\\missing.exe");
  SHELLEXECUTEINFO info = Launch(missing, nullptr);
  SetLastError(kSentinel);
  EXPECT_SAME(ShellExecuteEx(&info), FALSE);
  EXPECT_LAST_ERROR(ERROR_FILE_NOT_FOUND);
  EXPECT_SAME(info.hProcess, HANDLE{nullptr});

  info = Launch(ProgramFile(), nullptr);
  info.cbSize = sizeof info - 4;
  SetLastError(kSentinel);
  EXPECT_SAME(ShellExecuteEx(&info), FALSE);
  EXPECT_LAST_ERROR(ERROR_INVALID_PARAMETER);

  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  DWORD code = 0;
  SetLastError(kSentinel);
  EXPECT_SAME(GetExitCodeProcess(event, &code), FALSE);
  EXPECT_TRUE_(GetLastError() != kSentinel);
  CloseHandle(event);
}

}  // namespace
