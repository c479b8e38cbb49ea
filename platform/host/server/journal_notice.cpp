#include "server/journal_notice.h"

#include <algorithm>

#include "server/requests.h"
#include "server/server_link.h"

namespace cehost {

namespace {

// The longest kind, field name or value a notice carries; longer ones are malformed.
constexpr uint32_t kMaxText = 1u << 16;
// More fields than any effect has.
constexpr uint32_t kMostFields = 64;

}  // namespace

wire::Writer JournalNotice(const JournalEntry& entry) {
  wire::Writer notice = ServerRequest(ServerOp::kJournalNotice);
  notice.Utf8(std::string_view(entry.kind).substr(0, kMaxText));
  size_t fields = std::min<size_t>(entry.fields.size(), kMostFields);
  notice.U32(static_cast<uint32_t>(fields));
  for (size_t i = 0; i < fields; ++i) {
    notice.Utf8(std::string_view(entry.fields[i].first).substr(0, kMaxText))
        .Utf8(std::string_view(entry.fields[i].second).substr(0, kMaxText));
  }
  uint32_t carried = static_cast<uint32_t>(std::min<size_t>(entry.bytes.size(), kMaxNoticeBytes));
  notice.Bytes(entry.bytes.data(), carried)
      .U64(std::max<uint64_t>(entry.byte_count, entry.bytes.size()));
  return notice;
}

bool ReadJournalNotice(wire::Reader& in, JournalEntry* entry) {
  entry->kind = in.Utf8(kMaxText);
  uint32_t fields = in.U32();
  if (fields > kMostFields) return false;
  for (uint32_t i = 0; i < fields && in.ok(); ++i) {
    std::string name = in.Utf8(kMaxText);
    std::string value = in.Utf8(kMaxText);
    entry->fields.emplace_back(std::move(name), std::move(value));
  }
  entry->bytes = in.Bytes(kMaxNoticeBytes);
  entry->byte_count = std::max<uint64_t>(in.U64(), entry->bytes.size());
  return in.End() && !entry->kind.empty();
}

}  // namespace cehost
