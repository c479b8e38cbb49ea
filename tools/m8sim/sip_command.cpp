// m8sim sip: the input panel as the UI library "VERA0960.dll" holds it, and the screen areas it
// leaves to applications.
#include <string>

#include "context.h"
#include "handset_steer.h"

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

int SipStatus(Context& ctx) {
  nlohmann::json answer = Steer(ctx, {{"op", "sip.status"}});
  ctx.out.Emit(answer.value("record", nlohmann::json::object()), answer.value("text", ""));
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
