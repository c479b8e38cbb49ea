// The module loader over the modules installed on the current handset.
#include "ce/modules.h"
#include "ce/text.h"
#include "cehost/modules.h"
#include "cehost/text.h"
#include "handset/handset_state.h"
#include "modules/module_table.h"
#include "modules/remote_modules.h"

namespace cehost {

namespace {

// The CE paths a name may stand for, in search order. A name without a backslash is looked
// for in "\Windows", then in the root; a name without an extension gets ".dll" (a trailing dot
// means "no extension" and is dropped).
std::vector<std::u16string> Candidates(std::u16string name) {
  size_t last = name.find_last_of(u'\\');
  std::u16string_view base =
      last == name.npos ? std::u16string_view(name) : std::u16string_view(name).substr(last + 1);
  if (base.ends_with(u'.')) {
    name.pop_back();
  } else if (base.find(u'.') == base.npos) {
    name += u".dll";
  }
  if (last != name.npos) return {name};
  return {u"\\Windows\\" + name, u"\\" + name};
}

void Record(Journal& journal, EffectKind kind, const std::u16string& path,
            const std::string& result) {
  RecordEffect(journal, kind, {{"path", ToUtf8(path)}, {"result", result}});
}

}  // namespace
}  // namespace cehost

using namespace cehost;

extern "C" HMODULE LoadLibraryW(LPCWSTR lpLibFileName) {
  if (!lpLibFileName || !*lpLibFileName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  HandsetState& state = Current();
  std::vector<std::u16string> candidates = Candidates(lpLibFileName);
  // An attached program has the modules its server's handset has installed.
  if (state.server) MirrorServedModule(state, candidates);
  bool loaded = false;
  auto module = state.modules.Load(candidates, state.handles, &loaded);
  if (module) {
    if (loaded) Record(state.journal, EffectKind::kModuleLoad, module->path(), "loaded");
    return HandleTable::ToHandle<HMODULE>(module->handle());
  }
  Record(state.journal, EffectKind::kModuleLoad, lpLibFileName, "not found");
  SetLastError(ERROR_MOD_NOT_FOUND);
  return nullptr;
}

extern "C" FARPROC GetProcAddressW(HMODULE hModule, LPCWSTR lpProcName) {
  auto module = Current().handles.Get<ModuleObject>(hModule, HandleKind::kModule);
  if (!module) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  // A value below 0x10000 is an ordinal; the handset's modules export by name only.
  if (reinterpret_cast<uintptr_t>(lpProcName) < 0x10000) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  auto it = module->entries().find(ToUtf8(lpProcName));
  if (it == module->entries().end() || !it->second) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  return it->second;
}

extern "C" BOOL FreeLibrary(HMODULE hLibModule) {
  HandsetState& state = Current();
  auto module = state.handles.Get<ModuleObject>(hLibModule, HandleKind::kModule);
  if (!module) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  bool unloaded = false;
  if (!state.modules.Free(*module, state.handles, &unloaded)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (unloaded) Record(state.journal, EffectKind::kModuleFree, module->path(), "unloaded");
  return TRUE;
}
