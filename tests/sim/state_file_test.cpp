// state.json: one section a program, each changed without losing the others, and always whole.
#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sys/wait.h>
#include <unistd.h>

#include <set>
#include <string>
#include <thread>

#include "sim/state_file.h"
#include "temp_dir.h"

namespace {

using StateFileTest = TempDirTest;

nlohmann::json FileJson(const std::filesystem::path& path) {
  std::ifstream in(path);
  return nlohmann::json::parse(in);
}

TEST_F(StateFileTest, SectionsAreChangedOneAtATime) {
  sim::StateFile state(dir());
  EXPECT_TRUE(state.Read("shell").is_null()) << "no file yet";
  ASSERT_TRUE(state.Update("shell", [](nlohmann::json& s) {
    EXPECT_TRUE(s.is_null());
    s = {{"locked", true}};
  }));
  ASSERT_TRUE(state.Update("backlight", [](nlohmann::json& s) { s = 5; }));
  ASSERT_TRUE(state.Update("shell", [](nlohmann::json& s) { s["count"] = 2; }));
  EXPECT_EQ(FileJson(state.path()),
            (nlohmann::json{{"shell", {{"locked", true}, {"count", 2}}}, {"backlight", 5}}));
  EXPECT_EQ(state.Read("backlight"), 5);

  ASSERT_TRUE(state.Update("backlight", [](nlohmann::json& s) { s = nullptr; }));
  EXPECT_FALSE(FileJson(state.path()).contains("backlight")) << "a null section goes";
  EXPECT_TRUE(state.Clear());
  EXPECT_FALSE(std::filesystem::exists(state.path()));
  EXPECT_TRUE(state.Clear()) << "nothing left to forget";
}

TEST_F(StateFileTest, AFileThatIsNotAnObjectCountsAsEmptyAndIsReplacedWhole) {
  sim::StateFile state(dir());
  for (const char* text : {"{\"shell\": [1, 2", "[1, 2]", ""}) {
    WriteText(state.path(), text);
    EXPECT_TRUE(state.Read("shell").is_null()) << text;
    ASSERT_TRUE(state.Update("shell", [](nlohmann::json& s) { s = 1; }));
    EXPECT_EQ(FileJson(state.path()), (nlohmann::json{{"shell", 1}})) << text;
  }
  // Nothing is left beside it from the writes but the lock.
  std::set<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(dir()))
    files.insert(entry.path().filename().string());
  EXPECT_EQ(files, (std::set<std::string>{"state.json", "state.lock"}));
}

TEST_F(StateFileTest, TwoWritersKeepEachOthersSections) {
  constexpr int kWrites = 200;
  auto writer = [this](const char* section) {
    sim::StateFile state(dir());
    for (int i = 0; i < kWrites; ++i) {
      ASSERT_TRUE(
          state.Update(section, [](nlohmann::json& s) { s = s.is_null() ? 1 : s.get<int>() + 1; }));
      // Every reader in between sees a whole file.
      EXPECT_TRUE(FileJson(state.path()).is_object());
    }
  };
  // A reader through StateFile sees each section whole and never going back.
  std::atomic<bool> writing{true};
  std::thread reader([&] {
    sim::StateFile state(dir());
    int last = 0;
    while (writing) {
      nlohmann::json first = state.Read("first");
      int now = first.is_number_integer() ? first.get<int>() : (first.is_null() ? 0 : -1);
      ASSERT_GE(now, last);
      last = now;
    }
  });
  std::thread first(writer, "first");
  std::thread second(writer, "second");
  first.join();
  second.join();
  writing = false;
  reader.join();
  EXPECT_EQ(FileJson(sim::StateFile(dir()).path()),
            (nlohmann::json{{"first", kWrites}, {"second", kWrites}}));
}

// Another process's write, which this process's reads learn of only from the file.
void UpdateInAnotherProcess(const std::filesystem::path& home, const char* section, int value) {
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    bool written =
        sim::StateFile(home).Update(section, [value](nlohmann::json& s) { s = value; });
    _exit(written ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST_F(StateFileTest, ReadsAndVersionsFollowEveryWriteOfAnyProcess) {
  sim::StateFile state(dir());
  ASSERT_TRUE(state.Update("shell", [](nlohmann::json& s) { s = 1; }));
  sim::StateFile::Version first;
  EXPECT_EQ(state.Read("shell", &first), 1);
  EXPECT_EQ(state.CurrentVersion(), first) << "nothing changed";
  // Writes of the same size, quicker than the file system's clock moves: the write count tells
  // them apart.
  for (int value = 2; value <= 5; ++value) {
    UpdateInAnotherProcess(dir(), "shell", value);
    sim::StateFile::Version now;
    EXPECT_EQ(state.Read("shell", &now), value);
    EXPECT_FALSE(now == first);
    first = now;
  }
  ASSERT_TRUE(state.Clear());
  EXPECT_TRUE(state.Read("shell").is_null()) << "a cleared file is not read from memory";
  EXPECT_FALSE(state.CurrentVersion() == first);
}

}  // namespace
