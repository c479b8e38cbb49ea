#include "sim/ui_library/sip_status_view.h"

#include <utility>

#include "oem/ui_library.h"

namespace sim {

namespace {

nlohmann::json RectJson(const RECT& r) {
  return {r.left, r.top, r.right, r.bottom};
}

std::string RectText(const RECT& r) {
  return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" +
         std::to_string(r.right) + "," + std::to_string(r.bottom) + ")";
}

}  // namespace

SipView DescribeSip(UiLibrary& library) {
  InputPanel& panel = library.panel();
  PanelState s = panel.State();
  Screen screen = panel.screen();
  RECT rect = panel.PanelRect();
  RECT work = panel.WorkArea();
  RECT visible = panel.VisibleDesktop();
  nlohmann::json record = {
      {"type", "sip"},
      {"module", library.module_present() ? "installed" : "missing"},
      {"open", s.open()},
      {"mode", s.mode},
      {"layout", PanelModeName(s.mode)},
      {"flags", s.flags},
      {"rect", RectJson(rect)},
      {"window_top", s.top},
      {"text", PanelStateJson(s)["text"]},
      {"copies_sent", s.copies},
      {"work_area", RectJson(work)},
      {"visible_desktop", RectJson(visible)},
      {"screen", {{"width", screen.width}, {"height", screen.height}}},
      {"taskbar_height", screen.taskbar_height},
  };
  std::string text = std::string("input panel: ") +
                     (s.open() ? "open, " + PanelModeName(s.mode) : "closed") + "\n";
  if (s.open()) {
    text += "  flags " + std::to_string(s.flags) +
            (s.flags & SIP_FLAG_FLOAT ? " (floating)" : " (docked)") + "\n";
    text += "  rectangle " + RectText(rect) + ", window " +
            (s.top ? "moved to y " + std::to_string(s.top) : std::string("at the bottom")) + "\n";
    if (!s.text.empty()) text += "  text \"" + record["text"].get<std::string>() + "\"\n";
  }
  text += "work area " + RectText(work) + "\n";
  text += "visible desktop " + RectText(visible) + "\n";
  text += "screen " + std::to_string(screen.width) + "x" + std::to_string(screen.height) +
          ", task bar " + std::to_string(screen.taskbar_height) + " high\n";
  text += "copy information sent " + std::to_string(s.copies) + " times\n";
  text += std::string("module \\Windows\\VERA0960.dll: ") +
          (library.module_present() ? "installed" : "missing");
  return {std::move(record), std::move(text)};
}

}  // namespace sim
