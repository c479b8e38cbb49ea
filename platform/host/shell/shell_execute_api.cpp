// ShellExecuteEx: launching the program a file names, and the process handles it hands out.
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "ce/errors.h"
#include "ce/files.h"
#include "ce/shell.h"
#include "cehost/text.h"
#include "handset/handset_state.h"
#include "shell/process_object.h"
#include "shell/remote_launch.h"

using namespace cehost;

namespace {

// The desktop shell's hInstApp on success: above 32.
constexpr uintptr_t kLaunched = 42;

std::atomic<DWORD> next_process_id{0x2000};

std::u16string TextOf(LPCWSTR text) {
  return text ? std::u16string(text) : std::u16string();
}

using Fields = std::vector<std::pair<std::string, std::string>>;

Fields LaunchFields(const LaunchRequest& request) {
  Fields fields;
  fields.emplace_back("file", ToUtf8(request.file));
  fields.emplace_back("parameters", ToUtf8(request.parameters));
  fields.emplace_back("verb", ToUtf8(request.verb));
  fields.emplace_back("show", std::to_string(request.show));
  return fields;
}

// Runs the program (none: a process that ends at once with exit code 0) on a thread of its own;
// the object is signalled when it ends. Its end is recorded in the journal of the handset it was
// launched on, which the thread keeps alive, and WaitForThreads waits for it.
void Start(std::shared_ptr<HandsetState> state, std::shared_ptr<const Launchable> program,
           LaunchRequest request, std::shared_ptr<ProcessObject> object, DWORD id) {
  state->threads.Started();
  std::thread([program, request = std::move(request), object, state, id] {
    DWORD code = 0;
    if (program) {
      try {
        code = (*program)(request);
      } catch (...) {
        // A program that dies of an error it does not handle ends with a failure code.
        code = 0xFFFFFFFFu;
      }
    }
    object->exit_code.store(code);
    RecordEffect(state->journal, EffectKind::kProgramExit,
                 {{"file", ToUtf8(request.file)},
                  {"process", std::to_string(id)},
                  {"exit_code", std::to_string(code)}});
    object->finished.Set();
    state->threads.Ended();
  }).detach();
}

}  // namespace

// The file must exist on the handset. A folder is opened like any other file that no installed
// program answers: the launch is recorded and its process ends at once, as the shell's explorer
// would open it and leave it to the user. SEE_MASK_FLAG_NO_UI changes nothing: cehost shows no
// error dialog.
extern "C" BOOL ShellExecuteEx(LPSHELLEXECUTEINFO lpExecInfo) {
  if (!lpExecInfo || lpExecInfo->cbSize != sizeof(SHELLEXECUTEINFO) || !lpExecInfo->lpFile) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  lpExecInfo->hProcess = nullptr;
  std::shared_ptr<HandsetState> shared = CurrentShared();
  if (shared->server) return RemoteLaunch(*shared, lpExecInfo);
  LaunchRequest request;
  request.file = TextOf(lpExecInfo->lpFile);
  request.parameters = TextOf(lpExecInfo->lpParameters);
  request.verb = TextOf(lpExecInfo->lpVerb);
  request.show = lpExecInfo->nShow;
  HandsetState& state = *shared;
  Fields fields = LaunchFields(request);
  if (GetFileAttributesW(lpExecInfo->lpFile) == INVALID_FILE_ATTRIBUTES) {
    // A missing folder on the way is a missing file to the shell.
    fields.emplace_back("result", "0");
    fields.emplace_back("error", std::to_string(ERROR_FILE_NOT_FOUND));
    RecordEffect(state.journal, EffectKind::kProgramLaunch, std::move(fields));
    lpExecInfo->hInstApp = reinterpret_cast<HINSTANCE>(kShellFileNotFound);
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  auto program = state.launches.Find(request.file);
  auto object = std::make_shared<ProcessObject>();
  const DWORD id = next_process_id.fetch_add(4);
  fields.emplace_back("installed", program ? "1" : "0");
  fields.emplace_back("process", std::to_string(id));
  fields.emplace_back("result", "1");
  RecordEffect(state.journal, EffectKind::kProgramLaunch, std::move(fields));
  if (lpExecInfo->fMask & SEE_MASK_NOCLOSEPROCESS) {
    lpExecInfo->hProcess = HandleTable::ToHandle<HANDLE>(state.handles.Insert(object));
  }
  lpExecInfo->hInstApp = reinterpret_cast<HINSTANCE>(kLaunched);
  Start(std::move(shared), std::move(program), std::move(request), std::move(object), id);
  return TRUE;
}

extern "C" BOOL GetExitCodeProcess(HANDLE hProcess, LPDWORD lpExitCode) {
  HandsetState& state = Current();
  if (auto remote = state.handles.Get<RemoteProcess>(hProcess, HandleKind::kRemoteProcess)) {
    if (!lpExitCode) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    return remote->ExitCode(lpExitCode);
  }
  auto object = state.handles.Get<ProcessObject>(hProcess, HandleKind::kProcess);
  if (!object || !lpExitCode) {
    SetLastError(object ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  *lpExitCode = object->exit_code.load();
  return TRUE;
}
