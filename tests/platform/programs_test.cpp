// Program states: what the handset's own programs keep on a handset, found on the current one.
#include <gtest/gtest.h>

#include <memory>

#include "cehost/handset.h"
#include "cehost/programs.h"
#include "handset_fixture.h"

namespace {

struct Counter : cehost::ProgramState {
  int value = 0;
};

struct Other : cehost::ProgramState {};

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

}  // namespace
