// Program states: what the handset's own programs keep on a handset, found on the current one.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <vector>

#include "cehost/handset.h"
#include "cehost/programs.h"
#include "handset_fixture.h"

namespace {

struct Counter : cehost::ProgramState {
  int value = 0;
};

struct Other : cehost::ProgramState {};

// Notes the home that was current when its handset was let go of.
struct Watcher : cehost::ProgramState {
  void Unmount() override { homes.push_back(cehost::CurrentHome()); }
  std::vector<std::filesystem::path> homes;
};

using ProgramStatesTest = HandsetTest;

TEST_F(ProgramStatesTest, StateIsFoundByNameAndTypeOnTheCurrentHandset) {
  auto counter = std::make_shared<Counter>();
  cehost::InstallProgramState("counter", counter);
  EXPECT_EQ(cehost::CurrentProgramState<Counter>("counter"), counter);
  EXPECT_EQ(cehost::CurrentProgramState<Other>("counter"), nullptr) << "another type";
  EXPECT_EQ(cehost::FindProgramState("Counter"), nullptr) << "names are exact";

  auto replacement = std::make_shared<Counter>();
  cehost::InstallProgramState("counter", replacement);
  EXPECT_EQ(cehost::CurrentProgramState<Counter>("counter"), replacement);
  cehost::InstallProgramState("counter", nullptr);
  EXPECT_EQ(cehost::FindProgramState("counter"), nullptr);
}

TEST_F(ProgramStatesTest, AMountedHandsetStartsWithoutTheStatesOfTheOneItReplaces) {
  cehost::InstallProgramState("counter", std::make_shared<Counter>());
  cehost::MountOptions mount;
  mount.home = handset().home();
  cehost::MountHandset(mount);
  EXPECT_EQ(cehost::FindProgramState("counter"), nullptr);
}

TEST_F(ProgramStatesTest, EveryStateIsToldWhileItsHandsetIsStillCurrent) {
  auto first = std::make_shared<Watcher>();
  auto second = std::make_shared<Watcher>();
  cehost::InstallProgramState("first", first);
  cehost::InstallProgramState("second", second);
  std::filesystem::path home = handset().home();

  cehost::MountOptions other;
  other.home = home / "other";
  cehost::MountHandset(other);
  EXPECT_EQ(first->homes, std::vector<std::filesystem::path>{home});
  EXPECT_EQ(second->homes, std::vector<std::filesystem::path>{home});

  auto incoming = std::make_shared<Watcher>();
  cehost::InstallProgramState("incoming", incoming);
  cehost::UnmountHandset();
  EXPECT_EQ(incoming->homes, std::vector<std::filesystem::path>{other.home});
  EXPECT_EQ(first->homes.size(), 1u) << "a handset already let go of is not told again";
}

}  // namespace
