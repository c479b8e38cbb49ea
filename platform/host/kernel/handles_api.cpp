// The calls every handle may be given: closing it, waiting on it, reading and writing. Each hands
// the call to the object behind the handle, which answers for its kind.
#include "ce/files.h"
#include "ce/kernel.h"
#include "handset/handset_state.h"

namespace {

// The object behind a handle, of any kind; null, with ERROR_INVALID_HANDLE, when there is none.
std::shared_ptr<cehost::HandleObject> ObjectOf(cehost::HandleTable& handles, HANDLE handle) {
  auto object = handles.Find(cehost::HandleTable::ValueOf(handle));
  if (!object) SetLastError(ERROR_INVALID_HANDLE);
  return object;
}

}  // namespace

// Objects with a close call of their own (searches, keys, modules, RAS connections) are refused.
extern "C" BOOL CloseHandle(HANDLE hObject) {
  auto& handles = cehost::Current().handles;
  auto object = ObjectOf(handles, hObject);
  if (!object) return FALSE;
  // A call on another thread may have closed it meanwhile: only the call that took it out closes.
  if (!object->ClosedByCloseHandle() ||
      !handles.Remove(cehost::HandleTable::ValueOf(hObject), object->kind())) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  object->Close();
  return TRUE;
}

extern "C" DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
  auto object = ObjectOf(cehost::Current().handles, hHandle);
  if (!object) return WAIT_FAILED;
  return object->Wait(dwMilliseconds);
}

// lpOverlapped must be null on CE; a non-null one is ignored and the I/O happens at the pointer.
extern "C" BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
                         LPDWORD lpNumberOfBytesRead, LPOVERLAPPED /*lpOverlapped*/) {
  if (lpNumberOfBytesRead) *lpNumberOfBytesRead = 0;
  auto object = ObjectOf(cehost::Current().handles, hFile);
  if (!object) return FALSE;
  return object->Read(lpBuffer, nNumberOfBytesToRead, lpNumberOfBytesRead);
}

extern "C" BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
                          LPDWORD lpNumberOfBytesWritten, LPOVERLAPPED /*lpOverlapped*/) {
  if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = 0;
  auto object = ObjectOf(cehost::Current().handles, hFile);
  if (!object) return FALSE;
  return object->Write(lpBuffer, nNumberOfBytesToWrite, lpNumberOfBytesWritten);
}
