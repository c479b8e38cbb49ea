#include "inputpanel/ui_library_link.h"

#include "ce/errors.h"
#include "ce/kernel.h"
#include "oem/ui_library.h"

namespace {

struct Lookup {
  LPCWSTR decorated;
  LPCWSTR name;
};

constexpr Lookup kLookups[kUiFunctionCount] = {
    {kMzGetWorkAreaEntry, u"MzGetWorkArea"},
    {kMzGetParamEntry, u"MzGetParam"},
    {kGetSipModeEntry, u"GetSipMode"},
    {kMzCloseSipEntry, u"MzCloseSip"},
    {kMzGetA4SipMessageEntry, u"MzGetA4SipMessage"},
    {kMzGetVisibleDesktopRectEntry, u"MzGetVisibleDesktopRect"},
    {kMzIsSipOpenEntry, u"MzIsSipOpen"},
    {kMzOpenSipEntry, u"MzOpenSip"},
    {kMzOpenSipExEntry, u"MzOpenSipEx"},
    {kSendCopyInfoToA4SIPEntry, u"SendCopyInfoToA4SIP"},
    {kSetSipWindowPosEntry, u"SetSipWindowPos"},
};

// The library's handle and the functions found so far, for the whole process: the lock is never
// deleted and the library never freed, since calls may come until the process ends.
class UiLibraryLink {
 public:
  UiLibraryLink() { InitializeCriticalSection(&lock_); }

  FARPROC Find(UiFunction function) {
    int index = static_cast<int>(function);
    EnterCriticalSection(&lock_);
    FARPROC found = functions_[index];
    if (!found) found = functions_[index] = Look(kLookups[index]);
    LeaveCriticalSection(&lock_);
    return found;
  }

 private:
  // Looks the function up, loading the library when it is not loaded; traces what is missing.
  FARPROC Look(const Lookup& lookup) {
    if (!module_) module_ = LoadLibraryW(kUiLibraryPath);
    FARPROC found = module_ ? GetProcAddressW(module_, lookup.decorated) : nullptr;
    if (module_ && !found && GetLastError() == ERROR_INVALID_HANDLE) {
      // The handle no longer names the library (other code of the process freed it): it is
      // loaded again, once, rather than every later call failing.
      module_ = LoadLibraryW(kUiLibraryPath);
      if (module_) found = GetProcAddressW(module_, lookup.decorated);
    }
    if (!module_) {
      NKDbgPrintfW(u"InputPanel: cannot load VERA0960.dll (error %d), %s not called\n",
                   GetLastError(), lookup.name);
    } else if (!found) {
      NKDbgPrintfW(u"InputPanel: VERA0960.dll has no %s\n", lookup.name);
    }
    return found;
  }

  CRITICAL_SECTION lock_;
  HMODULE module_ = nullptr;
  FARPROC functions_[kUiFunctionCount] = {};
};

}  // namespace

FARPROC FindUiFunction(UiFunction function) {
  static UiLibraryLink* link = new UiLibraryLink;
  return link->Find(function);
}
