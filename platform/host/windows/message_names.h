// The handset's registered window message names and the identifiers they were given, and the
// names its programs give their own private messages, for the journal.
#pragma once

#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

#include "ce/types.h"

namespace cehost {

class ServerLink;

class MessageNames {
 public:
  // The identifier of the name, in 0xC000..0xFFFF, giving a new one to a name not seen before;
  // names that differ only in case share one. 0 with *error set when the table is full.
  UINT Register(std::u16string_view name, DWORD* error);
  // Takes the identifier another table gave the name (the handset server's), so that this one
  // names it alike.
  void Learn(std::u16string_view name, UINT id);
  // Names a message that is not registered (a program's private one) for the journal; an empty
  // name forgets it. Registered identifiers keep their registered name.
  void NameMessage(UINT id, std::string name);
  // The message's registered name as first spelled, else the name it was given, else empty.
  std::string Name(UINT id) const;

 private:
  mutable std::mutex mutex_;
  // Keyed by the name with its case folded.
  std::unordered_map<std::u16string, UINT> ids_;
  UINT next_ = 0xC000;
  // UTF-8 names by identifier: the registered ones, then those programs gave.
  std::map<UINT, std::string> registered_;
  std::map<UINT, std::string> given_;
};

// The identifier the handset server gives the name, learnt by the program's own table; 0 with
// *error set when the server cannot be reached or its table is full.
UINT RegisterRemoteMessage(ServerLink& server, MessageNames& names, std::u16string_view name,
                           DWORD* error);

}  // namespace cehost
