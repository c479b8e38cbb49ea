// The one table of kernel handles: files, searches, keys, events, devices, queues, processes.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

#include "ce/types.h"

namespace cehost {

enum class HandleKind {
  kFile,
  kFind,
  kKey,
  kEvent,
  kThread,
  kDevice,
  kQueue,
  kModule,
  kRasConnection,
  kProcess,
  // A process the handset's server launched for this program.
  kRemoteProcess
};

// An object a handle refers to. Its destructor releases what it holds, so an object lives until
// the handle is closed and no call that is still using it has finished. Each kind of object says
// how it answers the calls every handle may be given: CloseHandle, WaitForSingleObject, ReadFile
// and WriteFile dispatch to it without knowing kinds. The defaults are those of a handle the call
// does not apply to: the call fails with ERROR_INVALID_HANDLE.
class HandleObject {
 public:
  explicit HandleObject(HandleKind kind) : kind_(kind) {}
  virtual ~HandleObject() = default;
  HandleObject(const HandleObject&) = delete;
  HandleObject& operator=(const HandleObject&) = delete;
  // The kind, for the calls that take only one kind of handle.
  HandleKind kind() const { return kind_; }

  // Waits up to ms (0: only looks, INFINITE: for ever) for the object to be signalled:
  // WAIT_OBJECT_0 or WAIT_TIMEOUT, or WAIT_FAILED with the last error set.
  virtual DWORD Wait(DWORD ms);
  // Reads up to size bytes into buffer, as ReadFile does; *done is already 0 when called.
  virtual BOOL Read(void* buffer, DWORD size, DWORD* done);
  // Writes size bytes from data, as WriteFile does; *done is already 0 when called.
  virtual BOOL Write(const void* data, DWORD size, DWORD* done);
  // Whether CloseHandle closes it; objects with a close call of their own (searches, keys,
  // modules, RAS connections) answer false.
  virtual bool ClosedByCloseHandle() const { return true; }
  // Called once when CloseHandle has taken the handle out of the table; the object's own
  // resources go with its destructor, when the last call using it has finished.
  virtual void Close() {}

 private:
  HandleKind kind_;
};

class HandleTable {
 public:
  // Enters the object and returns its handle value: nonzero, a multiple of 4, below 0x80000000.
  uint32_t Insert(std::shared_ptr<HandleObject> object);
  // The object of that value, of any kind, or null.
  std::shared_ptr<HandleObject> Find(uint32_t value) const;
  // The object of that value and kind, or null.
  std::shared_ptr<HandleObject> Find(uint32_t value, HandleKind kind) const;
  // Removes the value when it holds an object of that kind; returns the object, or null.
  std::shared_ptr<HandleObject> Remove(uint32_t value, HandleKind kind);
  // Number of open handles.
  size_t Count() const;

  // The object behind a handle, typed; null when the handle is not of that kind.
  template <class T>
  std::shared_ptr<T> Get(const void* handle, HandleKind kind) const {
    return std::static_pointer_cast<T>(Find(ValueOf(handle), kind));
  }

  // The handle value of a platform handle; 0 when it cannot be one of ours.
  static uint32_t ValueOf(const void* handle);
  // The platform handle of a value.
  template <class H>
  static H ToHandle(uint32_t value) {
    return reinterpret_cast<H>(static_cast<uintptr_t>(value));
  }

 private:
  mutable std::mutex mutex_;
  std::map<uint32_t, std::shared_ptr<HandleObject>> objects_;
};

}  // namespace cehost
