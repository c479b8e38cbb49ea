#include "cehost/journal_kinds.h"

namespace cehost {

std::string_view KindName(EffectKind kind) {
  switch (kind) {
    case EffectKind::kRegCreateKey:
      return "reg.create_key";
    case EffectKind::kRegSetValue:
      return "reg.set_value";
    case EffectKind::kRegDeleteValue:
      return "reg.delete_value";
    case EffectKind::kRegDeleteKey:
      return "reg.delete_key";
    case EffectKind::kRegBegin:
      return "reg.begin";
    case EffectKind::kRegCommit:
      return "reg.commit";
    case EffectKind::kRegRollback:
      return "reg.rollback";
    case EffectKind::kFileCreate:
      return "file.create";
    case EffectKind::kFileWrite:
      return "file.write";
    case EffectKind::kFileTruncate:
      return "file.truncate";
    case EffectKind::kFileDelete:
      return "file.delete";
    case EffectKind::kFileMove:
      return "file.move";
    case EffectKind::kFileCopy:
      return "file.copy";
    case EffectKind::kFileReplace:
      return "file.replace";
    case EffectKind::kFileAttributes:
      return "file.attributes";
    case EffectKind::kDirCreate:
      return "dir.create";
    case EffectKind::kDirRemove:
      return "dir.remove";
    case EffectKind::kEventSet:
      return "event.set";
    case EffectKind::kEventReset:
      return "event.reset";
    case EffectKind::kEventPulse:
      return "event.pulse";
    case EffectKind::kThreadStart:
      return "thread.start";
    case EffectKind::kThreadEnd:
      return "thread.end";
    case EffectKind::kModuleLoad:
      return "module.load";
    case EffectKind::kModuleFree:
      return "module.free";
    case EffectKind::kRasSetEntry:
      return "ras.set_entry";
    case EffectKind::kRasDial:
      return "ras.dial";
    case EffectKind::kRasHangUp:
      return "ras.hangup";
    case EffectKind::kRasDeleteEntry:
      return "ras.delete_entry";
    case EffectKind::kWindowPost:
      return "window.post";
    case EffectKind::kWindowSend:
      return "window.send";
    case EffectKind::kWindowShow:
      return "window.show";
    case EffectKind::kDisplayEscape:
      return "display.escape";
    case EffectKind::kTrace:
      return "trace";
    case EffectKind::kConsole:
      return "console";
    case EffectKind::kPhone:
      return "phone";
    case EffectKind::kModem:
      return "modem";
    case EffectKind::kApplet:
      return "applet";
    case EffectKind::kQueueCreate:
      return "queue.create";
    case EffectKind::kQueueWrite:
      return "queue.write";
    case EffectKind::kShell:
      return "shell";
    case EffectKind::kUiLibrary:
      return "ui";
  }
  return "unknown";
}

}  // namespace cehost
