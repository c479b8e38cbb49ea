#include "output.h"

namespace m8sim {

void Output::Emit(const nlohmann::json& record, const std::string& text) {
  std::lock_guard lock(mutex_);
  if (json_) {
    stream_ << record.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
  } else if (!text.empty()) {
    stream_ << text << '\n';
  }
  stream_.flush();
}

void Output::Text(const std::string& text) {
  std::lock_guard lock(mutex_);
  if (!json_) stream_ << text << '\n' << std::flush;
}

}  // namespace m8sim
