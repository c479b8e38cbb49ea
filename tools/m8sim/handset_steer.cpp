#include "handset_steer.h"

#include "cehost/server.h"
#include "errors.h"
#include "sim/control/handset_control.h"

namespace m8sim {

nlohmann::json Steer(Context& ctx, const nlohmann::json& request) {
  nlohmann::json answer;
  // A panel that follows the journal sees the command begin before what the server does for it.
  if (cehost::QueryServer(ctx.Home())) ctx.MarkServedCommand();
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
  for (const auto& object : *given) {
    cehost::JournalLine line;
    if (cehost::ParseJournalLine(object.dump(), &line)) entries.push_back(std::move(line.entry));
  }
  return entries;
}

}  // namespace m8sim
