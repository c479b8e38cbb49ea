// A second process of the checks on the same platform (on cehost, the same handset): it opens
// and closes files when told, so that checks can see sharing between processes. It is this
// program again, started with "--peer": CreateProcessW under Win32, fork and exec on cehost.
#pragma once

#include <string>

#include "portable.h"

#ifndef _WIN32
#include "pipe_child.h"
#endif

namespace conformance {

class PeerProcess {
 public:
  // Starts the peer; started() says whether that worked.
  PeerProcess();
  // Tells the peer to close its handles and end, and waits until it has.
  ~PeerProcess();
  PeerProcess(const PeerProcess&) = delete;
  PeerProcess& operator=(const PeerProcess&) = delete;

  bool started() const { return started_; }
  // Has the peer open the file at path (OPEN_EXISTING) and keep the handle: "opened", or
  // "failed CODE".
  std::string Open(const WideString& path, DWORD access, DWORD share);
  // Has the peer close the handle it opened last; "closed", or "failed CODE".
  std::string Close();

 private:
  // Sends one line and returns the peer's answer line; "<no answer>" when the peer is gone.
  std::string Ask(const std::string& line);

  bool started_ = false;
#ifdef _WIN32
  HANDLE process_ = nullptr;
  HANDLE to_ = nullptr;
  HANDLE from_ = nullptr;
#else
  PipeChild child_;
#endif
};

// True when the arguments ask this program to be a peer ("--peer", and on cehost the handset
// home).
bool IsPeerCommand(int argc, char** argv);

// Serves as a peer: answers the commands on standard input until told to end; the exit code.
int RunPeer(int argc, char** argv);

}  // namespace conformance
