#include "modules/remote_modules.h"

#include <dlfcn.h>

#include <map>
#include <mutex>

#include "handset/handset_state.h"
#include "modules/module_table.h"
#include "server/server_link.h"

namespace cehost {

namespace {

// The longest text of a module's description: paths of shared objects and mangled names.
constexpr uint32_t kMaxText = 4096;
// More entries than any module of the handset has.
constexpr uint32_t kMostEntries = 1024;

// Where an entry's code is: the shared object and the symbol dladdr names for it.
struct CodePlace {
  std::string file;
  std::string symbol;
};

CodePlace PlaceOf(FARPROC entry) {
  Dl_info info{};
  if (!entry || !dladdr(reinterpret_cast<void*>(entry), &info) || !info.dli_fname ||
      !info.dli_sname)
    return {};
  // Only a shared object can be loaded into another program; the server's own executable cannot.
  std::string file = info.dli_fname;
  if (file.empty() || file[0] != '/' || file.find(".so") == std::string::npos) return {};
  return {file, info.dli_sname};
}

// The entry's code in this process: the shared object loaded (once, for good: its functions may
// be in use until the process ends) and the symbol looked up; null when either fails.
FARPROC Resolve(const CodePlace& place) {
  static std::mutex mutex;
  static auto& loaded = *new std::map<std::string, void*>;
  if (place.file.empty() || place.symbol.empty()) return nullptr;
  void* object = nullptr;
  {
    std::lock_guard lock(mutex);
    auto found = loaded.find(place.file);
    if (found == loaded.end())
      found = loaded.emplace(place.file, dlopen(place.file.c_str(), RTLD_NOW | RTLD_LOCAL)).first;
    object = found->second;
  }
  if (!object) return nullptr;
  return reinterpret_cast<FARPROC>(dlsym(object, place.symbol.c_str()));
}

}  // namespace

void WriteInstalledModule(wire::Writer& out, const ModuleTable& modules, std::u16string_view path) {
  auto [installed_path, entries] = modules.Installed(path);
  out.U8(entries ? 1 : 0).Text(installed_path);
  out.U32(entries ? static_cast<uint32_t>(entries->size()) : 0);
  if (!entries) return;
  for (const auto& [name, function] : *entries) {
    CodePlace place = PlaceOf(function);
    out.Utf8(name).Utf8(place.file).Utf8(place.symbol);
  }
}

void MirrorServedModule(HandsetState& state, const std::vector<std::u16string>& paths) {
  for (const std::u16string& path : paths) {
    wire::Writer request = ServerRequest(ServerOp::kModuleQuery);
    request.Text(path);
    auto reply = state.server->Call(request);
    if (!reply) return;
    wire::Reader& in = reply->fields;
    bool installed = in.U8() != 0;
    std::u16string installed_path = in.Text(kMaxText);
    uint32_t count = in.U32();
    if (count > kMostEntries) return;
    ModuleEntries entries;
    for (uint32_t i = 0; i < count && in.ok(); ++i) {
      std::string name = in.Utf8(kMaxText);
      CodePlace place;
      place.file = in.Utf8(kMaxText);
      place.symbol = in.Utf8(kMaxText);
      // An entry whose code this program cannot load is not there for it.
      if (FARPROC function = in.ok() ? Resolve(place) : nullptr) entries[name] = function;
    }
    if (!in.End()) return;
    if (!installed) {
      state.modules.Remove(path);
      continue;
    }
    state.modules.Install(installed_path, std::move(entries));
    return;
  }
}

}  // namespace cehost
