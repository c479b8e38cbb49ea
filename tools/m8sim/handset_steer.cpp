#include "handset_steer.h"

#include "cehost/server.h"
#include "errors.h"
#include "sim/control/handset_control.h"

namespace m8sim {

nlohmann::json Steer(Context& ctx, const nlohmann::json& request) {
  nlohmann::json answer;
  // A panel that follows the journal sees the command begin before what the server does for it.
  ctx.MarkServedCommand();
  if (auto text = cehost::ControlServer(ctx.Home(), request.dump()))
    answer = nlohmann::json::parse(*text, nullptr, false);
  else
    answer = sim::AnswerControl(ctx.Handset(), request);
  if (!answer.is_object()) throw Failure("the handset server gave no answer");
  if (answer.value("ok", false)) return answer;
  std::string error = answer.value("error", std::string("the handset cannot do it"));
  if (answer.value("usage", false)) throw UsageError(error);
  throw Failure(error);
}

std::vector<cehost::JournalEntry> AnswerEntries(const nlohmann::json& answer) {
  std::vector<cehost::JournalEntry> entries;
  auto given = answer.find("entries");
  if (given == answer.end() || !given->is_array()) return entries;
  for (const auto& text : *given) {
    cehost::JournalLine line;
    if (text.is_string() && cehost::ParseJournalLine(text.get<std::string>(), &line))
      entries.push_back(std::move(line.entry));
  }
  return entries;
}

std::vector<cehost::JournalEntry> ServedEntriesSince(Context& ctx, uint64_t* seq, bool idle) {
  cehost::SyncJournal();
  nlohmann::json request = {{"op", "journal.since"}, {"seq", *seq}, {"idle", idle}};
  std::optional<std::string> text = cehost::ControlServer(ctx.Home(), request.dump());
  nlohmann::json answer = text ? nlohmann::json::parse(*text, nullptr, false) : nlohmann::json();
  if (!answer.is_object() || !answer.value("ok", false))
    throw Failure("the handset server has gone: the effects of the call are not known");
  // "last" is the last entry the server looked at: entries left out of a long answer come with
  // the next one.
  *seq = answer.value("last", *seq);
  return AnswerEntries(answer);
}

}  // namespace m8sim
