// The programs a handset can launch: sim installs a program under the CE path of its file, and
// ShellExecuteEx of that path runs it.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "ce/types.h"

namespace cehost {

// What ShellExecuteEx was asked: the file launched, its parameters, the verb and show command
// (empty strings where the caller gave none).
struct LaunchRequest {
  std::u16string file;
  std::u16string parameters;
  std::u16string verb;
  int show = 0;
};

// A program: runs on a thread of its own and returns the process's exit code. Its platform calls
// reach the current handset, so a handset should stay mounted until its programs have ended:
// WaitForThreads waits for running programs too.
using Launchable = std::function<DWORD(const LaunchRequest& request)>;

// Makes ShellExecuteEx of that CE path (compared without case) run the program on the current
// handset, replacing one of the same path. The file must be on the handset too: ShellExecuteEx
// refuses a path with no file, installed program or not.
void InstallLaunchable(std::u16string ce_path, Launchable program);

// Takes the program of that path off the current handset; false when there is none. Processes
// already running go on.
bool RemoveLaunchable(std::u16string_view ce_path);

}  // namespace cehost
