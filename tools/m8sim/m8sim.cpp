#include "m8sim.h"

#include <CLI/CLI.hpp>

#include "context.h"
#include "errors.h"

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

// The command's action; its exit code, and the message of a failure in error. Whatever else
// goes wrong (a Failure, a handset that cannot be made or mounted) is the operation failing.
int RunAction(Context& ctx, std::string* error) {
  try {
    return ctx.action ? ctx.action() : 2;
  } catch (const UsageError& e) {
    *error = OneLine(e.what());
    return 2;
  } catch (const std::exception& e) {
    *error = OneLine(e.what());
    return 1;
  }
}

// The command's words as a shell would take them back (a word with spaces or quotes is quoted),
// without the global options before it.
std::string CommandLine(const std::vector<std::string>& args) {
  auto first = args.begin();
  while (first != args.end() && first->starts_with("--")) {
    bool separate_value = *first == "--handset";
    if (*first != "--json" && *first != "--handset" && !first->starts_with("--handset=")) break;
    ++first;
    if (separate_value && first != args.end()) ++first;
  }
  std::string line;
  for (const auto& word : std::vector<std::string>(first, args.end())) {
    if (!line.empty()) line += ' ';
    bool plain = !word.empty() && word.find_first_of(" \t\n'\"\\$`") == std::string::npos;
    if (plain) {
      line += word;
      continue;
    }
    line += '\'';
    for (char c : word) line += c == '\'' ? std::string("'\\''") : std::string(1, c);
    line += '\'';
  }
  return line;
}

}  // namespace

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  Context ctx(out, err);
  return Run(ctx, args);
}

int Run(Context& ctx, const std::vector<std::string>& args) {
  ctx.action = nullptr;
  ctx.command_line = CommandLine(args);
  ctx.result_text.clear();
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
  AddServeCommand(app, ctx);

  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    // The help of the command that was asked about.
    ctx.out.stream() << app.help();
    return 0;
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0) return 0;
    ctx.err << "m8sim: " << OneLine(e.what()) << " (see --help)\n";
    return 2;
  }
  std::string error;
  int code = RunAction(ctx, &error);
  if (!error.empty()) ctx.err << "m8sim: " << error << "\n";
  ctx.MarkEnd(code, error);
  return code;
}

}  // namespace m8sim
