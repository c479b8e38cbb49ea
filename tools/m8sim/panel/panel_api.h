// The panel's JSON API over one handset home, apart from HTTP: what the page reads (the handset
// at a glance, the journal, the exports) and what it does (an export called, a device played, a
// shell event, a snapshot taken or compared), each done as the m8sim command would do it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "journal_follower.h"
#include "panel_request.h"
#include "sim/state_file.h"

namespace m8sim {

class PanelApi {
 public:
  // The API of the handset at home; the journal followed is home/journal.jsonl.
  explicit PanelApi(std::filesystem::path home);

  // Answers a GET of path with the query's parameters:
  //   /api/state             {"revision", "view"} (see HandsetView)
  //   /api/journal?after=N   what the journal got after revision N (see JournalFollower::Since)
  //   /api/exports           [{"name","family","result","signature","params":[{"type","name"}]}]
  //   /api/snapshots         the names of the snapshots kept
  //   /api/shell-events      the names of the shell's events
  // 404 for another path, 400 for a bad parameter.
  ApiReply Get(const std::string& path, const std::map<std::string, std::string>& query);

  // Answers a POST of path with a JSON body:
  //   /api/call      {"export": NAME, "args": [WORD...]}    m8sim call NAME WORD...
  //   /api/device    {"device": NAME, "set": {FIELD: VALUE}} m8sim device set NAME FIELD=VALUE...
  //   /api/shell     {"event": NAME}                        m8sim shell event NAME
  //   /api/snapshot  {"name": NAME}                         m8sim handset snapshot NAME
  //   /api/diff      {"name": NAME}                         m8sim handset diff NAME
  // The reply is {"command", "exit", "result" (a call's result as m8sim prints it), "records"
  // (the command's JSON records; a diff gives none but its lines in "text"), "text", "error"}
  // with status
  // 200 when the command succeeded, 400 for input it refused (exit 2) and 422 when it ran and
  // failed (exit 1); a body that is not such an object, or is beyond the limits of
  // ReadPanelRequest, is 400 with only "error".
  ApiReply Post(const std::string& path, const std::string& body);

  // Looks for what changed on the handset since the last look (the journal file grew, state.json
  // or handset.toml changed) and takes the new view then; true when the view or the journal
  // moved. Safe to call from any thread.
  bool Refresh();
  // A number that grows with each change Refresh found.
  uint64_t Revision() const;
  // Waits until Revision() differs from seen, the timeout passes or Stop() is called; returns
  // Revision().
  uint64_t WaitForChange(uint64_t seen, std::chrono::milliseconds timeout);
  // Ends every wait, now and later.
  void Stop();
  bool stopped() const;

  // The event a client that has seen the view of view_revision and the journal up to
  // journal_revision is sent next: {"view": ..., "view_revision"} when the view is newer, and
  // {"journal": Since(journal_revision)} when the journal is; both revisions are brought up to
  // date.
  nlohmann::json Update(uint64_t* view_revision, uint64_t* journal_revision) const;

 private:
  // Runs the command on the home; its output as JSON records, or as text when json is false.
  ApiReply RunCommand(const std::vector<std::string>& words, bool json);
  // Takes the view anew; one that cannot be taken holds only "home" and "error".
  void TakeView();

  std::filesystem::path home_;
  sim::StateFile state_file_;
  // One handset is mounted at a time in this process: the view and each command take turns.
  std::mutex handset_mutex_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  JournalFollower follower_;
  nlohmann::json view_;
  uint64_t view_revision_ = 0;
  uint64_t revision_ = 0;
  bool stopped_ = false;
  // What the last look saw: state.json's content and handset.toml's time and size.
  nlohmann::json state_seen_;
  std::string config_seen_;
};

}  // namespace m8sim
