// Program states: what the handset's own programs keep on a handset, found on the current one.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <future>
#include <iterator>
#include <memory>
#include <thread>
#include <vector>

#include "ce/kernel.h"

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

// Notes when its handset is freed.
struct Freed : cehost::ProgramState {
  explicit Freed(std::atomic<bool>* flag) : flag(flag) {}
  ~Freed() override { flag->store(true); }
  std::atomic<bool>* flag;
};

size_t OpenDescriptors() {
  return static_cast<size_t>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                                           std::filesystem::directory_iterator()));
}

// A handset let go of is freed, its files closed, once no thread is using it: a thread that
// started on it keeps it until the thread ends, and mounting again and again holds nothing.
TEST_F(ProgramStatesTest, AHandsetLetGoOfIsFreedOnceNoThreadUsesIt) {
  std::atomic<bool> freed{false};
  cehost::InstallProgramState("freed", std::make_shared<Freed>(&freed));
  std::promise<void> go;
  std::shared_future<void> going = go.get_future().share();
  auto wait = [](void* future) -> DWORD {
    static_cast<std::shared_future<void>*>(future)->wait();
    return 0;
  };
  ASSERT_NE(CreateThread(nullptr, 0, wait, &going, 0, nullptr), nullptr);
  cehost::MountOptions other;
  other.home = handset().home() / "other";
  cehost::MountHandset(other);
  cehost::MountHandset(other);
  EXPECT_FALSE(freed.load()) << "its thread still runs";
  go.set_value();
  // The thread lets go of it as it ends; the next mount frees it.
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!freed.load() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    cehost::MountHandset(other);
  }
  EXPECT_TRUE(freed.load());

  size_t before = OpenDescriptors();
  for (int i = 0; i < 20; ++i) cehost::MountHandset(other);
  EXPECT_EQ(OpenDescriptors(), before);
}

}  // namespace
