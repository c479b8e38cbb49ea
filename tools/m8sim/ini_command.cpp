// m8sim ini: keys of the handset's UTF-16 INI files through the library's INI exports.
#include "ce/files.h"
#include "cehost/text.h"
#include "context.h"
#include "errors.h"
#include "frame/exports.h"
#include "journal_view.h"

namespace m8sim {

namespace {

constexpr const char* kIniHelp = R"(FILE is a path on the handset, e.g. '\Windows\46000.ini'.
  get FILE SECTION KEY          IniReadStringEx: the key's value (exit 1 when missing)
  get FILE SECTION              IsExistAppEx: whether the section exists (exit 1 when not)
  set FILE SECTION KEY VALUE    IniWriteStringEx; a missing file is made first with
                                IniCreateFileEx (the name must end in .ini)
  delete FILE SECTION [KEY]     IniWriteStringEx with a null value (the key goes) or a null
                                key (the whole section goes)
Changes show the journal of what they did to the handset.

Examples:
  m8sim ini get '\Windows\46000.ini' CMNET APN
  m8sim ini set '\Disk\demo.ini' Main Greeting hello
  m8sim ini delete '\Disk\demo.ini' Main)";

struct IniArgs {
  std::string file;
  std::string section;
  std::optional<std::string> key;
  std::optional<std::string> value;
};

int Get(Context& ctx, const IniArgs& a) {
  std::u16string file = cehost::ToUtf16(a.file);
  std::u16string section = cehost::ToUtf16(a.section);
  ctx.Mount();
  if (!a.key) {
    if (!IsExistAppEx(section.c_str(), file.c_str()))
      throw Failure("no section [" + a.section + "] in " + a.file);
    ctx.out.Emit({{"type", "section"}, {"file", a.file}, {"section", a.section}, {"exists", true}},
                 "[" + a.section + "] exists in " + a.file);
    return 0;
  }
  std::u16string key = cehost::ToUtf16(*a.key);
  LPWSTR value = nullptr;
  if (!IniReadStringEx(section.c_str(), key.c_str(), &value, file.c_str()))
    throw Failure("no key " + *a.key + " in [" + a.section + "] of " + a.file);
  std::string text = cehost::ToUtf8(value);
  delete[] value;
  ctx.out.Emit(
      {{"type", "ini"}, {"file", a.file}, {"section", a.section}, {"key", *a.key}, {"value", text}},
      text);
  return 0;
}

int Set(Context& ctx, const IniArgs& a) {
  std::u16string file = cehost::ToUtf16(a.file);
  cehost::Journal& journal = ctx.Mount();
  if (GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES && !IniCreateFileEx(file.c_str()))
    throw Failure("cannot make " + a.file);
  std::u16string section = cehost::ToUtf16(a.section);
  std::u16string key = cehost::ToUtf16(*a.key);
  std::u16string value = cehost::ToUtf16(*a.value);
  if (!IniWriteStringEx(section.c_str(), key.c_str(), value.c_str(), file.c_str()))
    throw Failure("cannot write " + *a.key + " in " + a.file);
  ctx.out.Emit({{"type", "ini.set"},
                {"file", a.file},
                {"section", a.section},
                {"key", *a.key},
                {"value", *a.value}},
               "set [" + a.section + "] " + *a.key + "=" + *a.value + " in " + a.file);
  EmitJournal(ctx.out, journal.Entries(), {{"command", "ini set"}});
  return 0;
}

int Delete(Context& ctx, const IniArgs& a) {
  std::u16string file = cehost::ToUtf16(a.file);
  std::u16string section = cehost::ToUtf16(a.section);
  std::u16string key = a.key ? cehost::ToUtf16(*a.key) : u"";
  cehost::Journal& journal = ctx.Mount();
  if (!IniWriteStringEx(section.c_str(), a.key ? key.c_str() : nullptr, nullptr, file.c_str()))
    throw Failure("cannot change " + a.file);
  std::string what = a.key ? *a.key + " in [" + a.section + "]" : "[" + a.section + "]";
  ctx.out.Emit({{"type", "ini.delete"},
                {"file", a.file},
                {"section", a.section},
                {"key", a.key ? nlohmann::json(*a.key) : nullptr}},
               "deleted " + what + " of " + a.file);
  EmitJournal(ctx.out, journal.Entries(), {{"command", "ini delete"}});
  return 0;
}

}  // namespace

void AddIniCommands(CLI::App& app, Context& ctx) {
  auto* ini = app.add_subcommand("ini", "Read and change the handset's INI files");
  ini->footer(kIniHelp);
  ini->require_subcommand(1);
  auto a = std::make_shared<IniArgs>();

  auto* get = ini->add_subcommand("get", "A key's value, or whether a section exists");
  get->add_option("file", a->file, "The INI file's path on the handset")->required();
  get->add_option("section", a->section, "The section")->required();
  get->add_option("key", a->key, "The key");
  get->callback([&ctx, a] { ctx.action = [&ctx, a] { return Get(ctx, *a); }; });

  auto* set = ini->add_subcommand("set", "Set a key, making the file when it is missing");
  set->add_option("file", a->file, "The INI file's path on the handset")->required();
  set->add_option("section", a->section, "The section")->required();
  set->add_option("key", a->key, "The key")->required();
  set->add_option("value", a->value, "The value")->required();
  set->callback([&ctx, a] { ctx.action = [&ctx, a] { return Set(ctx, *a); }; });

  auto* del = ini->add_subcommand("delete", "Delete a key, or a whole section");
  del->add_option("file", a->file, "The INI file's path on the handset")->required();
  del->add_option("section", a->section, "The section")->required();
  del->add_option("key", a->key, "The key; without it the section goes");
  del->callback([&ctx, a] { ctx.action = [&ctx, a] { return Delete(ctx, *a); }; });
}

}  // namespace m8sim
