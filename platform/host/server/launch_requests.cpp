// The server's answers to a program that launches another: the handset's installed programs run
// here, and the process handle is held for the program that asked.
#include "ce/kernel.h"
#include "ce/shell.h"
#include "kernel/handle_table.h"
#include "server/request_call.h"

namespace cehost {

bool LaunchProgramRequest(Call& call) {
  std::u16string file = call.in.Text(kMaxRequestName);
  std::u16string parameters = call.in.Text(kMaxRequestName);
  std::u16string verb = call.in.Text(kMaxRequestName);
  auto show = static_cast<int>(call.in.U32());
  bool keep = call.in.U8() != 0;
  if (!call.in.End()) return false;
  SHELLEXECUTEINFO info{};
  info.cbSize = sizeof info;
  info.fMask = keep ? SEE_MASK_NOCLOSEPROCESS : 0;
  info.lpFile = file.c_str();
  info.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
  info.lpVerb = verb.empty() ? nullptr : verb.c_str();
  info.nShow = show;
  BOOL result = ShellExecuteEx(&info);
  DWORD error = GetLastError();
  uint32_t process = info.hProcess ? OwnedHandle(call, info.hProcess) : 0;
  call.out.U32(result)
      .U64(static_cast<uint64_t>(reinterpret_cast<uintptr_t>(info.hInstApp)))
      .U32(process);
  SetLastError(error);
  return true;
}

bool ExitCodeRequest(Call& call) {
  uint32_t handle = call.in.U32();
  if (!call.in.End()) return false;
  DWORD code = 0;
  BOOL result = call.program.Owns(handle)
                    ? GetExitCodeProcess(HandleTable::ToHandle<HANDLE>(handle), &code)
                    : (SetLastError(ERROR_INVALID_HANDLE), FALSE);
  call.out.U32(result).U32(code);
  return true;
}

}  // namespace cehost
