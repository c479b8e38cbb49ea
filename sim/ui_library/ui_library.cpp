// The UI library of the simulated handset: answers from the input panel installed on the current
// handset and records every call, with its arguments and answer, in the handset's journal. With
// no panel installed, each answers 0 (an empty rectangle, false).
#include "oem/ui_library.h"

#include <string>

#include "ce/windows.h"
#include "cehost/handset.h"
#include "cehost/text.h"
#include "sim/ui_library/input_panel.h"
#include "sim/ui_library/ui_library_remote.h"

namespace {

std::string RectText(const RECT& r) {
  return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" +
         std::to_string(r.right) + "," + std::to_string(r.bottom) + ")";
}

void Record(const char* call, std::string args, std::string result) {
  cehost::RecordEffect(cehost::CurrentJournal(), cehost::EffectKind::kUiLibrary,
                       {{"call", call}, {"args", std::move(args)}, {"result", std::move(result)}});
}

RECT RecordRect(const char* call, std::string args, const RECT& rect) {
  Record(call, std::move(args), RectText(rect));
  return rect;
}

std::string OpenArgs(DWORD mode, DWORD flags) {
  return sim::PanelModeName(mode) + "," + cehost::HexNumber(flags) +
         (flags & SIP_FLAG_FLOAT ? " (floating)" : "");
}

}  // namespace

using sim::CallServerPanel;
using sim::UiEntry;

RECT MzGetWorkArea() {
  if (auto served = CallServerPanel(UiEntry::kGetWorkArea)) return served->rect;
  auto panel = sim::CurrentInputPanel();
  return RecordRect("MzGetWorkArea", "", panel ? panel->WorkArea() : RECT{});
}

UINT MzGetParam(UINT id) {
  if (auto served = CallServerPanel(UiEntry::kGetParam, id))
    return static_cast<UINT>(served->result);
  auto panel = sim::CurrentInputPanel();
  UINT value = panel ? panel->Param(id) : 0;
  Record("MzGetParam", std::to_string(id), std::to_string(value));
  return value;
}

int GetSipMode(DWORD& mode) {
  if (auto served = CallServerPanel(UiEntry::kGetSipMode)) {
    if (served->result) mode = served->mode;
    return served->result;
  }
  auto panel = sim::CurrentInputPanel();
  if (!panel) {
    Record("GetSipMode", "&mode", "0");
    return 0;
  }
  mode = panel->State().mode;
  Record("GetSipMode", "&mode -> " + sim::PanelModeName(mode), "1");
  return 1;
}

void MzCloseSip() {
  if (CallServerPanel(UiEntry::kCloseSip)) return;
  auto panel = sim::CurrentInputPanel();
  if (panel) panel->Close();
  Record("MzCloseSip", "", panel ? "closed" : "no panel");
}

UINT MzGetA4SipMessage() {
  if (auto served = CallServerPanel(UiEntry::kGetA4SipMessage))
    return static_cast<UINT>(served->result);
  UINT message = sim::CurrentInputPanel() ? RegisterWindowMessageW(kA4SipMessageName) : 0;
  Record("MzGetA4SipMessage", "", cehost::HexNumber(message, 4));
  return message;
}

RECT MzGetVisibleDesktopRect() {
  if (auto served = CallServerPanel(UiEntry::kGetVisibleDesktopRect)) return served->rect;
  auto panel = sim::CurrentInputPanel();
  return RecordRect("MzGetVisibleDesktopRect", "", panel ? panel->VisibleDesktop() : RECT{});
}

bool MzIsSipOpen() {
  if (auto served = CallServerPanel(UiEntry::kIsSipOpen)) return served->result != 0;
  auto panel = sim::CurrentInputPanel();
  bool open = panel && panel->State().open();
  Record("MzIsSipOpen", "", open ? "true" : "false");
  return open;
}

RECT MzOpenSip(DWORD mode, DWORD flags) {
  if (auto served = CallServerPanel(UiEntry::kOpenSip, mode, flags)) return served->rect;
  auto panel = sim::CurrentInputPanel();
  return RecordRect("MzOpenSip", OpenArgs(mode, flags),
                    panel ? panel->Open(mode, flags, nullptr) : RECT{});
}

RECT MzOpenSipEx(DWORD mode, DWORD flags, const WCHAR* text) {
  if (auto served = CallServerPanel(UiEntry::kOpenSipEx, mode, flags, text)) return served->rect;
  auto panel = sim::CurrentInputPanel();
  std::string args =
      OpenArgs(mode, flags) + "," + (text ? "\"" + cehost::ToUtf8(text) + "\"" : "null");
  return RecordRect("MzOpenSipEx", args, panel ? panel->Open(mode, flags, text) : RECT{});
}

int SendCopyInfoToA4SIP() {
  if (auto served = CallServerPanel(UiEntry::kSendCopyInfo)) return served->result;
  auto panel = sim::CurrentInputPanel();
  if (panel) panel->CountCopy();
  int result = panel ? 1 : 0;
  Record("SendCopyInfoToA4SIP", "", std::to_string(result));
  return result;
}

int SetSipWindowPos(DWORD top) {
  if (auto served = CallServerPanel(UiEntry::kSetSipWindowPos, top)) return served->result;
  auto panel = sim::CurrentInputPanel();
  int result = panel && panel->Move(top) ? 1 : 0;
  Record("SetSipWindowPos", std::to_string(top), std::to_string(result));
  return result;
}
