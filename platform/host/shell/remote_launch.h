// ShellExecuteEx of a handset attached to its server: the programs it launches are the server's,
// and the process handle the caller keeps is the server's process object.
#pragma once

#include "ce/shell.h"
#include "kernel/handle_table.h"
#include "server/remote_handle.h"

namespace cehost {

struct HandsetState;

// The desktop shell's hInstApp when the file is missing (SE_ERR_FNF). CE documents no value;
// callers that follow the desktop convention test for "above 32".
constexpr uintptr_t kShellFileNotFound = 2;

// Launches in the server as ShellExecuteEx does in a program that runs its own handset. A server
// that cannot be reached launches nothing: FALSE with ERROR_FILE_NOT_FOUND and the shell's
// "file not found" hInstApp, as for a program that is not on the handset.
BOOL RemoteLaunch(HandsetState& state, LPSHELLEXECUTEINFO info);

// A process the server launched, as a handle of this program: waiting on it waits for the
// program's end; once that server has gone the handle is no longer valid.
class RemoteProcess : public HandleObject {
 public:
  explicit RemoteProcess(RemoteHandle remote)
      : HandleObject(HandleKind::kRemoteProcess), remote_(std::move(remote)) {}
  DWORD Wait(DWORD ms) override { return remote_.Wait(ms); }
  void Close() override { remote_.Close(); }
  // The process's exit code (STILL_ACTIVE while it runs); false, with the last error set, when
  // the server no longer holds it.
  BOOL ExitCode(DWORD* code) const;

 private:
  const RemoteHandle remote_;
};

}  // namespace cehost
