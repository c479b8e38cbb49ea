// The server's answer to a program loading a module: which module the handset has installed at
// the path, and where the code of its entries is, for the program to load into itself.
#include "handset/handset_state.h"
#include "modules/module_table.h"
#include "modules/remote_modules.h"
#include "server/request_call.h"

namespace cehost {

bool ModuleQueryRequest(Call& call) {
  std::u16string path = call.in.Text(kMaxRequestName);
  if (!call.in.End()) return false;
  WriteInstalledModule(call.out, Current().modules, path);
  return true;
}

}  // namespace cehost
