// The steps of making a default handset in a home while other processes may do the same: made
// aside, put in place whole, and never removing or replacing what another process made.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "reg_support.h"
#include "sim/default_handset.h"
#include "sim/handset.h"
#include "sim/handset_setup.h"
#include "temp_dir.h"

namespace {

namespace fs = std::filesystem;

using HandsetSetupTest = TempDirTest;

// The names in a folder, sorted.
std::vector<std::string> Names(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// True when the home is a whole default handset: its files, and the factory registry.
bool IsWholeDefaultHandset(const fs::path& home) {
  if (FileBytes(home / "handset.toml") != FileBytes(sim::DefaultHandsetData() / "handset.toml"))
    return false;
  if (!fs::exists(home / "fs/Windows/46000.ini")) return false;
  sim::Handset handset(sim::Handset::Options{home, false});
  return QueryValue(HKEY_LOCAL_MACHINE, u"Software\\Razud\\Path", u"UsrConnectNodePath")
      .has_value();
}

TEST_F(HandsetSetupTest, AMissingHomeBecomesTheHandsetMadeAsideWhole) {
  fs::path home = dir() / "home";
  sim::HandsetSetup setup(home);
  setup.MakeAside();
  // Until it is put in place, the handset is beside the home, which does not exist yet.
  EXPECT_EQ(setup.aside().parent_path(), dir());
  EXPECT_TRUE(fs::exists(setup.aside() / "registry.db"));
  EXPECT_FALSE(fs::exists(home));
  EXPECT_EQ(setup.PutInPlace(), sim::HandsetSetup::Result::kPlaced);
  EXPECT_TRUE(setup.aside().empty());
  EXPECT_EQ(Names(dir()), std::vector<std::string>{"home"});
  EXPECT_TRUE(IsWholeDefaultHandset(home));
}

// Another process made a handset in the home between our check and our putting ours in place.
TEST_F(HandsetSetupTest, AHandsetMadeMeanwhileIsKeptAndOursDiscarded) {
  fs::path home = dir() / "home";
  sim::HandsetSetup setup(home);
  setup.MakeAside();
  sim::InitHandset(home);
  WriteText(home / "fs/Windows/theirs.txt", "theirs");

  EXPECT_EQ(setup.PutInPlace(), sim::HandsetSetup::Result::kHomeHoldsOne);
  EXPECT_EQ(Names(dir()), std::vector<std::string>{"home"});
  EXPECT_EQ(FileBytes(home / "fs/Windows/theirs.txt"),
            std::vector<uint8_t>({'t', 'h', 'e', 'i', 'r', 's'}));
  EXPECT_TRUE(IsWholeDefaultHandset(home));
  // The implicit first use takes theirs; an explicit init refuses the home.
  EXPECT_FALSE(sim::EnsureHandset(home));
  EXPECT_THROW(sim::InitHandset(home), sim::HandsetInitError);
}

TEST_F(HandsetSetupTest, AnExistingFolderGetsThePartsAndKeepsItsFiles) {
  fs::path home = dir() / "home";
  WriteText(home / "notes.txt", "mine");
  EXPECT_TRUE(sim::EnsureHandset(home));
  EXPECT_EQ(FileBytes(home / "notes.txt"), std::vector<uint8_t>({'m', 'i', 'n', 'e'}));
  EXPECT_EQ(Names(dir()), std::vector<std::string>{"home"});
  EXPECT_TRUE(IsWholeDefaultHandset(home));
  EXPECT_FALSE(sim::EnsureHandset(home));
}

// A file in the home that is not among the ones that mark a handset is never replaced: the
// handset made aside has closed its registry, which leaves no file of that name to move.
TEST_F(HandsetSetupTest, APartAlreadyInTheHomeIsNeverReplaced) {
  fs::path home = dir() / "home";
  WriteText(home / "registry.db-shm", "theirs");
  sim::HandsetSetup setup(home);
  setup.MakeAside();
  EXPECT_EQ(setup.PutInPlace(), sim::HandsetSetup::Result::kPlaced);
  EXPECT_EQ(Names(home),
            (std::vector<std::string>{"fs", "handset.toml", "registry.db", "registry.db-shm"}));
  EXPECT_EQ(FileBytes(home / "registry.db-shm"),
            std::vector<uint8_t>({'t', 'h', 'e', 'i', 'r', 's'}));
  EXPECT_EQ(Names(dir()), std::vector<std::string>{"home"});
}

TEST_F(HandsetSetupTest, AHandsetNeverPutInPlaceIsRemoved) {
  fs::path home = dir() / "home";
  {
    sim::HandsetSetup setup(home);
    setup.MakeAside();
    ASSERT_TRUE(fs::exists(setup.aside()));
  }
  EXPECT_TRUE(fs::is_empty(dir()));
}

TEST_F(HandsetSetupTest, AHomeThatIsNotAFolderIsRefused) {
  WriteText(dir() / "file", "x");
  EXPECT_THROW(sim::EnsureHandset(dir() / "file"), sim::HandsetInitError);
  EXPECT_THROW(sim::HandsetSetup(dir() / "file"), sim::HandsetInitError);
  EXPECT_EQ(Names(dir()), std::vector<std::string>{"file"});
}

}  // namespace
