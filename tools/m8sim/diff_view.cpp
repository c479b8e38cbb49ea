#include "diff_view.h"

#include <cstdio>

#include "reg_value.h"

namespace m8sim {

namespace {

nlohmann::json ValueJson(const SnapshotValue& value) {
  return {{"type_name", RegTypeName(value.type)},
          {"value", DecodeRegValue(value.type, value.data)}};
}

nlohmann::json EntryJson(const SnapshotEntry& entry) {
  nlohmann::json json = {{"attributes", entry.attributes}};
  if (!entry.folder) {
    json["size"] = entry.size;
    json["hash"] = entry.hash;
  }
  return json;
}

std::string Hex32(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08x", value);
  return text;
}

// What differs between the two states of a file or folder.
std::string EntryChangeText(const SnapshotEntry& before, const SnapshotEntry& after) {
  std::string text;
  if (before.size != after.size)
    text = std::to_string(before.size) + " -> " + std::to_string(after.size) + " bytes";
  else if (before.hash != after.hash)
    text = "contents (" + std::to_string(after.size) + " bytes)";
  if (before.attributes != after.attributes)
    text += (text.empty() ? "" : ", ") + std::string("attributes ") + Hex32(before.attributes) +
            " -> " + Hex32(after.attributes);
  return text;
}

std::string Column(const char* word) {
  std::string text = std::string("  ") + word;
  text.resize(11, ' ');
  return text;
}

void EmitKey(Output& out, const KeyChanges& key, const nlohmann::json& context) {
  nlohmann::json values = nlohmann::json::array();
  std::string text = key.key;
  if (key.change != Change::kChanged) text += "  (key " + std::string(ChangeName(key.change)) + ")";
  for (const ValueChange& value : key.values) {
    nlohmann::json record = {{"name", value.name}, {"change", ChangeName(value.change)}};
    std::string line = Column(ChangeName(value.change)) + nlohmann::json(value.name).dump();
    if (value.before) record["before"] = ValueJson(*value.before);
    if (value.after) record["after"] = ValueJson(*value.after);
    if (value.change == Change::kChanged)
      line += ": " + RegValueText(value.before->type, value.before->data) + " -> " +
              RegValueText(value.after->type, value.after->data);
    else {
      const SnapshotValue& shown = value.after ? *value.after : *value.before;
      line += " = " + RegValueText(shown.type, shown.data);
    }
    values.push_back(record);
    text += "\n" + line;
  }
  nlohmann::json record = {
      {"type", "key_change"}, {"key", key.key}, {"change", ChangeName(key.change)}};
  record["values"] = values;
  record.update(context);
  out.Emit(record, text);
}

void EmitFolder(Output& out, const FolderChanges& folder, const nlohmann::json& context) {
  nlohmann::json entries = nlohmann::json::array();
  std::string text = folder.folder;
  if (folder.change != Change::kChanged)
    text += "  (folder " + std::string(ChangeName(folder.change, true)) + ")";
  for (const EntryChange& entry : folder.entries) {
    const SnapshotEntry& either = entry.after ? *entry.after : *entry.before;
    nlohmann::json record = {{"name", entry.name},
                             {"path", either.path},
                             {"folder", either.folder},
                             {"change", ChangeName(entry.change)}};
    if (entry.before) record["before"] = EntryJson(*entry.before);
    if (entry.after) record["after"] = EntryJson(*entry.after);
    std::string line = Column(ChangeName(entry.change)) + entry.name + (either.folder ? "\\" : "");
    if (entry.change == Change::kChanged)
      line += "  (" + EntryChangeText(*entry.before, *entry.after) + ")";
    else if (!either.folder)
      line += "  (" + std::to_string(either.size) + " bytes)";
    entries.push_back(record);
    text += "\n" + line;
  }
  nlohmann::json record = {{"type", "folder_change"},
                           {"folder", folder.folder},
                           {"change", ChangeName(folder.change, true)}};
  record["entries"] = entries;
  record.update(context);
  out.Emit(record, text);
}

}  // namespace

void EmitDiff(Output& out, const HandsetDiff& diff, const nlohmann::json& context) {
  for (const KeyChanges& key : diff.keys) EmitKey(out, key, context);
  for (const FolderChanges& folder : diff.folders) EmitFolder(out, folder, context);
}

nlohmann::json DiffCounts(const HandsetDiff& diff) {
  size_t values = 0;
  size_t entries = 0;
  for (const KeyChanges& key : diff.keys) values += key.values.size();
  for (const FolderChanges& folder : diff.folders) entries += folder.entries.size();
  return {{"differences", !diff.empty()},
          {"keys", diff.keys.size()},
          {"values", values},
          {"folders", diff.folders.size()},
          {"entries", entries}};
}

std::string DiffCountsText(const HandsetDiff& diff) {
  if (diff.empty()) return "no differences";
  nlohmann::json counts = DiffCounts(diff);
  auto count = [&](const char* field, const char* one, const char* many) {
    size_t n = counts[field].get<size_t>();
    return std::to_string(n) + " " + (n == 1 ? one : many);
  };
  std::string registry = count("values", "value", "values") + " in " + count("keys", "key", "keys");
  std::string files = count("entries", "file or subfolder", "files or subfolders") + " in " +
                      count("folders", "folder", "folders");
  if (diff.folders.empty()) return registry;
  if (diff.keys.empty()) return files;
  return registry + ", " + files;
}

}  // namespace m8sim
