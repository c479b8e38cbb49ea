// m8sim sip: the input panel as the UI library "VERA0960.dll" holds it, and the screen areas it
// leaves to applications.
#include <string>

#include "context.h"
#include "oem/ui_library.h"
#include "sim/ui_library/input_panel.h"
#include "sim/ui_library/ui_library_program.h"

namespace m8sim {

namespace {

constexpr const char* kSipHelp =
    R"(  status       the panel (open or closed, its layout, flags, rectangle, window position
               and text), the work area, the visible desktop and the screen
The panel opens in layout 1 letters (300 pixels high), 2 digits (240) or 3 handwriting
(360) at the bottom of the screen; flag 0x1 floats it over the desktop, leaving the work
area as it is. handset.toml's [sip] table sets the screen and whether the module is there.

Examples:
  m8sim sip
  m8sim call MzOpenSipFunc 2 0 out
  m8sim call SetSipWindowPosEx 100
  m8sim sip status --json)";

nlohmann::json RectJson(const RECT& r) {
  return {r.left, r.top, r.right, r.bottom};
}

std::string RectText(const RECT& r) {
  return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" +
         std::to_string(r.right) + "," + std::to_string(r.bottom) + ")";
}

int SipStatus(Context& ctx) {
  sim::UiLibrary& library = ctx.Handset().program<sim::UiLibrary>();
  sim::InputPanel& panel = library.panel();
  sim::PanelState s = panel.State();
  sim::Screen screen = panel.screen();
  RECT rect = panel.PanelRect();
  RECT work = panel.WorkArea();
  RECT visible = panel.VisibleDesktop();
  nlohmann::json record = {
      {"type", "sip"},
      {"module", library.module_present() ? "installed" : "missing"},
      {"open", s.open()},
      {"mode", s.mode},
      {"layout", sim::PanelModeName(s.mode)},
      {"flags", s.flags},
      {"rect", RectJson(rect)},
      {"window_top", s.top},
      {"text", sim::PanelStateJson(s)["text"]},
      {"copies_sent", s.copies},
      {"work_area", RectJson(work)},
      {"visible_desktop", RectJson(visible)},
      {"screen", {{"width", screen.width}, {"height", screen.height}}},
      {"taskbar_height", screen.taskbar_height},
  };
  std::string text = std::string("input panel: ") +
                     (s.open() ? "open, " + sim::PanelModeName(s.mode) : "closed") + "\n";
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
  ctx.out.Emit(record, text);
  return 0;
}

}  // namespace

void AddSipCommands(CLI::App& app, Context& ctx) {
  auto* sip = app.add_subcommand("sip", "Show the input panel and the screen areas");
  sip->footer(kSipHelp);
  sip->callback([&ctx] {
    if (!ctx.action) ctx.action = [&ctx] { return SipStatus(ctx); };
  });
  sip->add_subcommand("status", "The panel, the work area, the visible desktop and the screen")
      ->callback([&ctx] { ctx.action = [&ctx] { return SipStatus(ctx); }; });
}

}  // namespace m8sim
