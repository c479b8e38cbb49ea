#include "m8sim.h"

#include <CLI/CLI.hpp>

#include "cehost/handset.h"
#include "context.h"
#include "errors.h"
#include "sim/default_handset.h"

namespace m8sim {

namespace {

constexpr const char* kFooter =
    R"(The handset lives in its home folder: --handset DIR, else $M8_HANDSET, else
./handset. The default handset is made there on first use (or by m8sim handset init).
Exit codes: 0 success, 1 the operation ran and failed, 2 a usage or input error.
Run m8sim COMMAND --help for each command's arguments and examples.)";

// CLI11's message on one line.
std::string OneLine(std::string text) {
  for (char& c : text)
    if (c == '\n') c = ' ';
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

}  // namespace

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  Context ctx(out, err);
  CLI::App app("m8sim: the simulated M8 handset from the command line", "m8sim");
  app.footer(kFooter);
  app.require_subcommand(1);
  app.fallthrough();
  app.add_option("--handset", ctx.handset_option,
                 "The handset home (default $M8_HANDSET or ./handset)");
  app.add_flag("--json", ctx.json, "One JSON object a line instead of text");
  AddDemoCommand(app, ctx);
  AddCallCommands(app, ctx);
  AddRegCommands(app, ctx);
  AddIniCommands(app, ctx);
  AddFsCommands(app, ctx);
  AddHandsetCommands(app, ctx);
  AddShellCommands(app, ctx);
  AddSipCommands(app, ctx);
  AddDeviceCommands(app, ctx);

  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    // The help of the command that was asked about.
    out << app.help();
    return 0;
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0) return 0;
    err << "m8sim: " << OneLine(e.what()) << " (see --help)\n";
    return 2;
  }
  try {
    return ctx.action ? ctx.action() : 2;
  } catch (const UsageError& e) {
    err << "m8sim: " << OneLine(e.what()) << "\n";
    return 2;
  } catch (const Failure& e) {
    err << "m8sim: " << OneLine(e.what()) << "\n";
    return 1;
  } catch (const sim::HandsetInitError& e) {
    err << "m8sim: " << OneLine(e.what()) << "\n";
    return 1;
  } catch (const cehost::HandsetError& e) {
    err << "m8sim: " << OneLine(e.what()) << "\n";
    return 1;
  } catch (const std::exception& e) {
    err << "m8sim: " << OneLine(e.what()) << "\n";
    return 1;
  }
}

}  // namespace m8sim
