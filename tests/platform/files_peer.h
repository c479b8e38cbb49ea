// A second process on the test's handset (the files_peer program), driven one command at a time
// through pipes, so that steps of two processes happen in an order the test sets.
#pragma once

#include <filesystem>

#include "pipe_child.h"

class Peer : public PipeChild {
 public:
  // Starts files_peer on the handset at home.
  explicit Peer(const std::filesystem::path& home) : PipeChild({FILES_PEER, home.string()}) {}
  // Tells the peer to end; it is waited for as a PipeChild.
  ~Peer() { Send("exit"); }
};
