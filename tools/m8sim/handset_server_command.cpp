// m8sim handset start, stop, status: the home's handset server, which programs that use the
// home start on their own and which ends a while after the last of them.
#include <cstdio>
#include <sstream>

#include "cehost/server.h"
#include "context.h"
#include "errors.h"
#include "sim/default_handset.h"

namespace m8sim {

namespace {

std::string Seconds(std::chrono::milliseconds time) {
  char text[32];
  std::snprintf(text, sizeof(text), "%.1f s", static_cast<double>(time.count()) / 1000.0);
  return text;
}

nlohmann::json Record(const std::filesystem::path& home, const cehost::ServerInfo& info) {
  nlohmann::json programs = nlohmann::json::array();
  for (const auto& program : info.programs)
    programs.push_back(
        {{"pid", program.pid}, {"name", program.name}, {"handles", program.handles}});
  return {{"type", "server"},
          {"home", home.string()},
          {"running", true},
          {"pid", info.pid},
          {"uptime_ms", info.uptime.count()},
          {"persistent", info.persistent},
          {"programs", programs}};
}

std::string Describe(const std::filesystem::path& home, const cehost::ServerInfo& info) {
  std::ostringstream text;
  text << "handset server of " << home.string() << ": pid " << info.pid << ", up "
       << Seconds(info.uptime) << (info.persistent ? ", persistent" : "") << "; ";
  if (info.programs.empty()) text << "no program attached";
  for (size_t i = 0; i < info.programs.size(); ++i) {
    const auto& program = info.programs[i];
    text << (i ? ", " : "programs: ") << program.name << " (pid " << program.pid << ", "
         << program.handles << (program.handles == 1 ? " handle)" : " handles)");
  }
  return text.str();
}

int Start(Context& ctx, bool persistent) {
  std::filesystem::path home = ctx.Home();
  bool running = cehost::QueryServer(home).has_value();
  if (!running) {
    sim::EnsureHandset(home);
    std::string error;
    if (!cehost::StartServer(home, persistent, &error)) throw Failure(error);
  }
  auto info = cehost::QueryServer(home);
  if (!info) throw Failure("the handset server of " + home.string() + " went as it started");
  nlohmann::json record = Record(home, *info);
  record["started"] = !running;
  ctx.out.Emit(record, (running ? "already running: " : "started the ") + Describe(home, *info));
  return 0;
}

int Stop(Context& ctx) {
  std::filesystem::path home = ctx.Home();
  auto info = cehost::QueryServer(home);
  bool stopped = info && cehost::StopServer(home);
  nlohmann::json record = {
      {"type", "server"}, {"home", home.string()}, {"running", false}, {"stopped", stopped}};
  if (stopped) record["pid"] = info->pid;
  ctx.out.Emit(record, stopped ? "stopped the handset server of " + home.string() + " (pid " +
                                     std::to_string(info->pid) + ")"
                               : "no handset server runs for " + home.string());
  return 0;
}

// Exit 1 when no server runs, so that a script can ask.
int Status(Context& ctx) {
  std::filesystem::path home = ctx.Home();
  auto info = cehost::QueryServer(home);
  if (!info) {
    ctx.out.Emit({{"type", "server"}, {"home", home.string()}, {"running", false}},
                 "no handset server runs for " + home.string());
    return 1;
  }
  ctx.out.Emit(Record(home, *info), Describe(home, *info));
  return 0;
}

}  // namespace

void AddServerCommands(CLI::App& handset, Context& ctx) {
  auto persistent = std::make_shared<bool>(false);
  auto* start = handset.add_subcommand("start", "Start the home's handset server");
  start->add_flag("--persistent", *persistent,
                  "Keep it running when no program uses the handset (until handset stop)");
  start->callback(
      [&ctx, persistent] { ctx.action = [&ctx, persistent] { return Start(ctx, *persistent); }; });
  handset.add_subcommand("stop", "Stop the home's handset server")->callback([&ctx] {
    ctx.action = [&ctx] { return Stop(ctx); };
  });
  handset.add_subcommand("status", "Show the home's handset server: pid, uptime, programs")
      ->callback([&ctx] { ctx.action = [&ctx] { return Status(ctx); }; });
}

}  // namespace m8sim
