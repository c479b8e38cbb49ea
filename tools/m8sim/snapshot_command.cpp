// m8sim handset snapshot and diff: the handset's registry and files kept under a name, and what
// changed on the handset since.
#include <memory>

#include "context.h"
#include "diff_view.h"
#include "handset_diff.h"
#include "handset_snapshot.h"

namespace m8sim {

namespace {

int Snapshot(Context& ctx, const std::string& name) {
  std::filesystem::path path = SnapshotPath(ctx.Home(), name);
  ctx.Mount();
  HandsetSnapshot snapshot = TakeSnapshot();
  SaveSnapshot(ctx.Home(), name, snapshot);
  size_t values = 0;
  size_t folders = 0;
  for (const SnapshotKey& key : snapshot.keys) values += key.values.size();
  for (const SnapshotEntry& entry : snapshot.entries) folders += entry.folder;
  size_t files = snapshot.entries.size() - folders;
  ctx.out.Emit({{"type", "snapshot"},
                {"name", name},
                {"path", path.string()},
                {"keys", snapshot.keys.size()},
                {"values", values},
                {"files", files},
                {"folders", folders}},
               "snapshot \"" + name + "\": " + std::to_string(snapshot.keys.size()) + " keys, " +
                   std::to_string(values) + " values, " + std::to_string(files) + " files in " +
                   std::to_string(folders) + " folders, kept in " + path.string());
  return 0;
}

int Diff(Context& ctx, const std::string& name) {
  HandsetSnapshot before = LoadSnapshot(ctx.Home(), name);
  ctx.Mount();
  HandsetDiff diff = DiffSnapshots(before, TakeSnapshot());
  EmitDiff(ctx.out, diff, {{"snapshot", name}});
  nlohmann::json summary = {{"type", "diff"}, {"snapshot", name}};
  summary.update(DiffCounts(diff));
  ctx.out.Emit(summary, "since snapshot \"" + name + "\": " + DiffCountsText(diff));
  return 0;
}

}  // namespace

void AddSnapshotCommands(CLI::App& handset, Context& ctx) {
  auto name = std::make_shared<std::string>();
  auto* snapshot = handset.add_subcommand(
      "snapshot", "Keep the handset's registry and files under a name, for a later diff");
  snapshot->add_option("NAME", *name, "The snapshot's name")->required();
  snapshot->callback([&ctx, name] { ctx.action = [&ctx, name] { return Snapshot(ctx, *name); }; });
  auto* diff = handset.add_subcommand("diff", "Show what changed on the handset since a snapshot");
  diff->add_option("NAME", *name, "The snapshot's name")->required();
  diff->callback([&ctx, name] { ctx.action = [&ctx, name] { return Diff(ctx, *name); }; });
}

}  // namespace m8sim
