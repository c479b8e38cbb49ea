// CreateFileW: the platform call that opens and creates files.
#include "ce/files.h"
#include "devices/device_open.h"
#include "files/file_objects.h"
#include "files/file_system.h"
#include "handset/handset_state.h"

extern "C" HANDLE CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                              LPSECURITY_ATTRIBUTES /*lpSecurityAttributes: CE ignores them*/,
                              DWORD dwCreationDisposition, DWORD dwFlagsAndAttributes,
                              HANDLE /*hTemplateFile: CE ignores it*/) {
  // Device names ("ACC0:", a driver's bus name) reach the device manager, never a file.
  HANDLE device = INVALID_HANDLE_VALUE;
  if (cehost::OpenDevice(lpFileName, dwDesiredAccess, dwShareMode, &device)) return device;
  auto& state = cehost::Current();
  cehost::CePath path;
  if (DWORD error = cehost::ParseCePath(lpFileName, false, &path)) {
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
  }
  // CE has no overlapped file I/O. cehost ignores FILE_FLAG_OVERLAPPED on files instead of failing
  // the call, because stream drivers are opened with that flag through this same call; I/O on the
  // handle is synchronous either way. WRITE_THROUGH and RANDOM_ACCESS are hints and are ignored.
  cehost::FileSystem::OpenRequest request;
  request.access = dwDesiredAccess;
  request.share = dwShareMode;
  request.disposition = dwCreationDisposition;
  request.attributes = dwFlagsAndAttributes;
  std::shared_ptr<cehost::FileObject> file;
  bool existed = false;
  if (DWORD error = state.files->Open(path, request, state.journal, &file, &existed)) {
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
  }
  uint32_t value = state.handles.Insert(std::move(file));
  // A successful open sets the last error as well: callers tell "created" from "opened" by it.
  // CREATE_ALWAYS and OPEN_ALWAYS on a file that was there give ERROR_ALREADY_EXISTS; every other
  // success, with any disposition, gives 0, as Win32's CreateFileW does.
  bool opened_existing =
      existed && (dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == OPEN_ALWAYS);
  SetLastError(opened_existing ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return cehost::HandleTable::ToHandle<HANDLE>(value);
}
