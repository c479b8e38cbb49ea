#include "context.h"

#include <cstdlib>

#include "cehost/handset.h"
#include "cehost/server.h"
#include "sim/default_handset.h"
#include "sim/journal_file.h"

namespace m8sim {

Context::~Context() = default;

std::filesystem::path Context::Home() const {
  if (!handset_option.empty()) return handset_option;
  const char* env = std::getenv("M8_HANDSET");
  if (env && *env) return env;
  return "handset";
}

sim::Handset& Context::Handset() {
  if (!handset_) {
    std::filesystem::path home = Home();
    // Other m8sim processes may be starting on the same new home: one of them makes the
    // handset, and the others use it.
    sim::EnsureHandset(home);
    sim::Handset::Options options;
    options.home = home;
    handset_ = std::make_unique<sim::Handset>(options);
    handset_->journal().Clear();
    if (journal_file)
      handset_->journal().Mark("m8sim.command", {{"command", command_line}});
    else
      handset_->journal().AttachFile("");
  }
  return *handset_;
}

void Context::MarkServedCommand() {
  if (handset_ || marks_ || !journal_file || !sim::PanelServes(Home())) return;
  // A command the running server carries out: one attached to it knows that it runs.
  if (!attached_ && !cehost::QueryServer(Home())) return;
  marks_ = std::make_unique<cehost::Journal>();
  if (marks_->AttachFile(sim::JournalFile(Home()).string()))
    marks_->Mark("m8sim.command", {{"command", command_line}});
}

cehost::Journal& Context::Mount() {
  if (!attached_ && (handset_ || !AttachToServer())) return Handset().journal();
  cehost::Journal& journal = cehost::CurrentJournal();
  journal.Clear();
  return journal;
}

bool Context::AttachToServer() {
  if (attached_) return true;
  if (handset_ || !cehost::QueryServer(Home())) return false;
  attached_ = true;
  MarkServedCommand();
  cehost::MountOptions attached;
  attached.home = Home();
  attached.attach = true;
  cehost::MountHandset(attached);
  return true;
}

void Context::MarkEnd(int code, const std::string& error) {
  std::vector<std::pair<std::string, std::string>> end = {
      {"exit", std::to_string(code)}, {"result", result_text}, {"error", error}};
  if (marks_) marks_->Mark("m8sim.end", end);
  if (!handset_ || !journal_file) return;
  handset_->journal().Mark("m8sim.end", end);
  // What the programs do as the handset is let go of is its shutting down, not the command's.
  handset_->journal().AttachFile("");
}

}  // namespace m8sim
