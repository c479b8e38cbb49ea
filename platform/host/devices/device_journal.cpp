#include "devices/device_journal.h"

#include <utility>
#include <vector>

namespace cehost {

namespace {

using Fields = std::vector<std::pair<std::string, std::string>>;

void AddResult(Fields* fields, BOOL result, DWORD error) {
  fields->emplace_back("result", result ? "1" : "0");
  if (!result) fields->emplace_back("error", std::to_string(error));
}

std::vector<uint8_t> BytesOf(const void* data, DWORD size) {
  if (!data || size == 0) return {};
  auto first = static_cast<const uint8_t*>(data);
  return std::vector<uint8_t>(first, first + size);
}

void Record(Journal& journal, EffectKind kind, Fields fields, std::vector<uint8_t> bytes = {}) {
  JournalEntry entry;
  entry.kind = KindName(kind);
  entry.fields = std::move(fields);
  entry.bytes = std::move(bytes);
  journal.Record(std::move(entry));
}

}  // namespace

std::string Hex(uint32_t value, int digits) {
  static const char kDigits[] = "0123456789abcdef";
  char text[10];
  int length = 0;
  do {
    text[length++] = kDigits[value & 15];
    value >>= 4;
  } while (value != 0 || length < digits);
  std::string out;
  out.reserve(static_cast<size_t>(length) + 2);
  out += "0x";
  while (length > 0) out.push_back(text[--length]);
  return out;
}

void RecordOpen(Journal& journal, std::string_view device, DWORD access, DWORD share,
                uint32_t handle, DWORD error) {
  Fields fields;
  fields.reserve(4);
  fields.emplace_back("device", device);
  fields.emplace_back("access", Hex(access, 8));
  fields.emplace_back("share", Hex(share));
  if (handle) {
    fields.emplace_back("handle", Hex(handle));
  } else {
    fields.emplace_back("error", std::to_string(error));
  }
  Record(journal, EffectKind::kDeviceOpen, std::move(fields));
}

void RecordControl(Journal& journal, const ControlRecord& control) {
  Fields fields;
  fields.reserve(8);
  fields.emplace_back("device", control.device);
  fields.emplace_back("handle", Hex(control.handle));
  fields.emplace_back("code", Hex(control.code, 8));
  if (!control.code_name.empty()) fields.emplace_back("code_name", control.code_name);
  if (control.returned && control.out) {
    fields.emplace_back("out",
                        HexBytes(static_cast<const uint8_t*>(control.out), control.returned));
  }
  fields.emplace_back("returned", std::to_string(control.returned));
  AddResult(&fields, control.result, control.error);
  Record(journal, EffectKind::kDeviceControl, std::move(fields),
         BytesOf(control.in, control.in_size));
}

void RecordTransfer(Journal& journal, EffectKind kind, std::string_view device, uint32_t handle,
                    const void* data, DWORD data_size, DWORD done, BOOL result, DWORD error) {
  Fields fields;
  fields.reserve(5);
  fields.emplace_back("device", device);
  fields.emplace_back("handle", Hex(handle));
  fields.emplace_back("size", std::to_string(done));
  AddResult(&fields, result, error);
  Record(journal, kind, std::move(fields), BytesOf(data, data_size));
}

void RecordClose(Journal& journal, std::string_view device, uint32_t handle) {
  Fields fields;
  fields.reserve(2);
  fields.emplace_back("device", device);
  fields.emplace_back("handle", Hex(handle));
  Record(journal, EffectKind::kDeviceClose, std::move(fields));
}

}  // namespace cehost
