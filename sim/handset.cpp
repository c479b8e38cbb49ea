#include "sim/handset.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>

#include "cehost/handset.h"
#include "cehost/text.h"
#include "oem/phone_adapter.h"
#include "sim/handset_config.h"
#include "sim/journal_file.h"
#include "sim/program_list.h"

namespace sim {

namespace {

std::filesystem::path MakeTemporaryHome() {
  std::filesystem::path base = std::filesystem::temp_directory_path() / "m8-handset-XXXXXX";
  std::string pattern = base.string();
  if (!mkdtemp(pattern.data())) throw cehost::HandsetError("cannot make a temporary handset home");
  return pattern;
}

}  // namespace

Handset::Handset() : Handset(Options{}) {}

Handset::Handset(Options options)
    : home_(options.home), registry_in_memory_(options.registry_in_memory) {
  if (home_.empty()) {
    home_ = MakeTemporaryHome();
    temporary_ = true;
  } else if (std::filesystem::exists(home_ / "handset.toml")) {
    programs_ = LoadHandsetConfig(home_ / "handset.toml").programs;
  }
  if (programs_.empty()) programs_ = MakePrograms();
  MakeCurrent();
}

Handset::~Handset() {
  cehost::UnmountHandset();
  if (temporary_) {
    std::error_code ec;
    std::filesystem::remove_all(home_, ec);
  }
}

void Handset::MakeCurrent() {
  cehost::MountOptions mount;
  mount.home = home_;
  mount.registry_in_memory = registry_in_memory_;
  cehost::MountHandset(mount);
  for (const auto& program : programs_) program->Install();
  // What the programs did to start (the shell making its queues) is the handset's boot, not an
  // effect of what runs on it: the journal starts after it.
  cehost::CurrentJournal().Clear();
  // A panel that serves the home follows its journal file: every later entry goes there too.
  if (!temporary_ && PanelServes(home_)) cehost::CurrentJournal().AttachFile(JournalFile(home_));
}

std::filesystem::path Handset::HostPath(std::u16string_view ce_path) const {
  std::string path = cehost::ToUtf8(ce_path);
  for (char& c : path)
    if (c == '\\') c = '/';
  while (!path.empty() && path.front() == '/') path.erase(path.begin());
  // A CE path names something inside fs/ only: "." and ".." would lead elsewhere.
  for (const auto& name : std::filesystem::path(path)) {
    if (name == "." || name == "..")
      throw std::invalid_argument("not a handset path: " + cehost::ToUtf8(ce_path));
  }
  return fs_root() / path;
}

void Handset::PutFile(std::u16string_view ce_path, const std::vector<unsigned char>& bytes) const {
  auto path = HostPath(ce_path);
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

std::vector<unsigned char> Handset::ReadFile(std::u16string_view ce_path) const {
  std::ifstream in(HostPath(ce_path), std::ios::binary);
  return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

cehost::Journal& Handset::journal() const {
  return cehost::CurrentJournal();
}

}  // namespace sim
