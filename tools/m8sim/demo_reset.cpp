// m8sim demo reset: the factory reset on the handset, and what it changed there.
#include "context.h"
#include "demo_steps.h"
#include "diff_view.h"
#include "exports_lookup.h"
#include "handset_diff.h"
#include "handset_snapshot.h"
#include "journal_view.h"

namespace m8sim {

namespace {

constexpr char kSnapshotName[] = "before-reset";

constexpr const char* kResetHelp =
    R"(On the handset (the default handset is made in its home on first use: a used
handset whose settings differ from the factory's), keeps a snapshot of the registry
and files named "before-reset" (as "m8sim handset snapshot before-reset" does), calls
SettingApiResetFactorySettings() and shows what it changed: registry values and keys
by key, files and folders by folder ("m8sim handset diff before-reset" shows them
again later). --journal also shows every effect of the call, among them the messages
posted and the device controls, which the registry and files do not show.
Exits 0 when the reset returned 1; 1 when it returned anything else, or when the
library does not implement SettingApiResetFactorySettings (nothing is then done).)";

int RunReset(Context& ctx, bool show_journal) {
  const ExportInfo& reset = DemoExport("reset", "SettingApiResetFactorySettings", 0);
  sim::Handset& handset = ctx.Handset();
  ctx.out.Text("m8sim demo reset on the handset at " + handset.home().string());
  HandsetSnapshot before = TakeSnapshot();
  SaveSnapshot(ctx.Home(), kSnapshotName, before);
  handset.journal().Clear();

  CallReturn called = reset.call({});
  std::vector<cehost::JournalEntry> entries = handset.journal().Entries();
  handset.journal().Clear();
  std::string result = ResultText(reset, called.value);
  ctx.out.Emit({{"type", "step"},
                {"step", "reset"},
                {"call", "SettingApiResetFactorySettings()"},
                {"result", called.value},
                {"effects", entries.size()}},
               "SettingApiResetFactorySettings() -> " + result + " (" +
                   std::to_string(entries.size()) + (entries.size() == 1 ? " effect" : " effects") +
                   " in the journal)");
  if (show_journal) EmitJournal(ctx.out, entries, {{"step", "reset"}});

  HandsetDiff diff = DiffSnapshots(before, TakeSnapshot());
  ctx.out.Text("What changed:");
  EmitDiff(ctx.out, diff, {{"snapshot", kSnapshotName}});
  bool ok = called.value == 1;
  nlohmann::json summary = {{"type", "demo"},
                            {"demo", "reset"},
                            {"ok", ok},
                            {"result", called.value},
                            {"snapshot", kSnapshotName}};
  summary.update(DiffCounts(diff));
  ctx.out.Emit(summary, "demo reset: the factory reset returned " + result + "; " +
                            DiffCountsText(diff) + " changed (m8sim handset diff " + kSnapshotName +
                            " shows them again)");
  return ok ? 0 : 1;
}

}  // namespace

void AddResetDemo(CLI::App& demo, Context& ctx) {
  auto* reset =
      demo.add_subcommand("reset", "Run the factory reset on the handset and show what it changed");
  reset->footer(kResetHelp);
  auto journal = std::make_shared<bool>(false);
  reset->add_flag("--journal", *journal, "Also show every effect of the reset, from the journal");
  reset->callback(
      [&ctx, journal] { ctx.action = [&ctx, journal] { return RunReset(ctx, *journal); }; });
}

}  // namespace m8sim
