// The kinds of journal entry: one list of every effect the platform and the simulated handset
// record. The names are what the journal file, tests and m8sim read.
#pragma once

#include <string_view>

namespace cehost {

// The device entries' fields: "device" (the legacy name), "handle", "result" (1 or 0) and
// "error" (only on failure). An open has "access", "share" and "handle" (or "error"); a control
// has "code", "code_name" (when the driver names it), its input as bytes, "out" (the bytes
// returned, in hex) and "returned"; a read or write has "size" (the bytes done) and the bytes; an
// activation has "key", "dll" and "active" (its Drivers\Active subkey); "led.set" has "led",
// "state", "total", "on", "off", "meta_on" and "meta_off". "device.power" has "name", "class",
// "state", "taken" (the state the device took, when one answered) and "result" (the error code).
// "program.launch" has "file", "parameters", "verb", "show", "installed" (1 when an installed
// program runs), "process", "result" (1 or 0) and "error"; "program.exit" has "file", "process"
// and "exit_code".
enum class EffectKind {
  kRegCreateKey,      // "reg.create_key": a key made, each parent on its own
  kRegSetValue,       // "reg.set_value"
  kRegDeleteValue,    // "reg.delete_value"
  kRegDeleteKey,      // "reg.delete_key"
  kRegBegin,          // "reg.begin": a registry transaction opened
  kRegCommit,         // "reg.commit"
  kRegRollback,       // "reg.rollback"
  kFileCreate,        // "file.create"
  kFileWrite,         // "file.write": the bytes written, at an offset
  kFileTruncate,      // "file.truncate"
  kFileDelete,        // "file.delete"
  kFileMove,          // "file.move"
  kFileCopy,          // "file.copy"
  kFileReplace,       // "file.replace"
  kFileAttributes,    // "file.attributes": attribute bits changed
  kDirCreate,         // "dir.create"
  kDirRemove,         // "dir.remove"
  kEventSet,          // "event.set"
  kEventReset,        // "event.reset"
  kEventPulse,        // "event.pulse"
  kThreadStart,       // "thread.start"
  kThreadEnd,         // "thread.end"
  kModuleLoad,        // "module.load"
  kModuleFree,        // "module.free"
  kRasSetEntry,       // "ras.set_entry"
  kRasDial,           // "ras.dial"
  kRasHangUp,         // "ras.hangup"
  kRasDeleteEntry,    // "ras.delete_entry"
  kWindowPost,        // "window.post"
  kWindowSend,        // "window.send"
  kWindowShow,        // "window.show"
  kDisplayEscape,     // "display.escape": an escape handed to the display driver, with its input
  kTrace,             // "trace": a kernel debug print
  kConsole,           // "console": the run-time library's console print
  kPhone,             // "phone": a phone adapter call
  kModem,             // "modem": the modem's dial and hang-up
  kApplet,            // "applet": a control-panel applet's message
  kQueueCreate,       // "queue.create": a message queue made
  kQueueWrite,        // "queue.write": one message written into a queue, with its bytes
  kShell,             // "shell": what the shell made of a record it read, or an event it sent
  kUiLibrary,         // "ui": a call of the UI library (input panel and screen areas)
  kDeviceOpen,        // "device.open": a stream driver opened by name, with access and share mode
  kDeviceControl,     // "device.control": a control code with its input bytes, output and result
  kDeviceRead,        // "device.read": a read of a device, with the bytes it gave
  kDeviceWrite,       // "device.write": a write to a device, with its bytes
  kDeviceClose,       // "device.close"
  kDeviceActivate,    // "device.activate": a driver loaded from its key and listed as active
  kDeviceDeactivate,  // "device.deactivate"
  kLedSet,            // "led.set": a notification LED (or the vibrator) set on, off or blinking
  kDevice,            // "device": what a simulated device did of itself (a tilt, a plug, a post)
  kDevicePower,       // "device.power": a device's power state set or released
  kProgramLaunch,     // "program.launch": a file launched by ShellExecuteEx, or refused
  kProgramExit,       // "program.exit": a launched program ended
  kProgram,           // "program": what a simulated program did of itself, with its "program"
                      // and a "text" a person reads
};

// The name entries of the kind carry ("reg.set_value").
std::string_view KindName(EffectKind kind);

}  // namespace cehost
