// A registry transaction on the current handset: the registry calls made while it is open are
// one change, kept whole or undone whole.
#pragma once

#include <memory>

#include "ce/types.h"

namespace cehost {

class RegistryStore;
class Journal;

class RegistryTransaction {
 public:
  // Begins a transaction on the current handset's registry: every registry call this thread
  // makes until it ends joins it, and other threads' registry calls wait until then (other
  // processes may read meanwhile; their changes wait up to the busy timeout). One begun within
  // another is a part of it that can be undone alone. Throws HandsetError when the registry
  // cannot be used or cannot be held for writing.
  RegistryTransaction();
  // Undoes every change made since the beginning unless Commit kept them. Runs on the thread
  // that began the transaction.
  ~RegistryTransaction();
  RegistryTransaction(const RegistryTransaction&) = delete;
  RegistryTransaction& operator=(const RegistryTransaction&) = delete;

  // Keeps the changes and ends the transaction: ERROR_SUCCESS, or the registry's error code
  // after which the changes are undone. Once ended, returns ERROR_INVALID_HANDLE.
  LONG Commit();
  // Undoes the changes and ends the transaction; nothing when it has ended already.
  void Rollback();

 private:
  // The handset the transaction began on, kept alive until it ends.
  std::shared_ptr<void> handset_;
  RegistryStore* store_ = nullptr;
  Journal* journal_ = nullptr;
  bool open_ = false;
};

}  // namespace cehost
