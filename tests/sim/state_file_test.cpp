// state.json: one section a program, each changed without losing the others, and always whole.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>
#include <fstream>
#include <nlohmann/json.hpp>

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
  // Nothing is left beside it from the writes but the lock and the spare the next write fills.
  std::set<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(dir()))
    files.insert(entry.path().filename().string());
  EXPECT_EQ(files, (std::set<std::string>{"state.json", "state.json.spare", "state.lock"}));
}

TEST_F(StateFileTest, TwoWritersKeepEachOthersSections) {
  constexpr int kWrites = 200;
  auto writer = [this](const char* section) {
    sim::StateFile state(dir());
    for (int i = 0; i < kWrites; ++i) {
      ASSERT_TRUE(
          state.Update(section, [](nlohmann::json& s) { s = s.is_null() ? 1 : s.get<int>() + 1; }));
    }
  };
  // A reader in another process, through StateFile, sees every file whole: both sections there
  // once written, and never going back.
  pid_t reader = fork();
  ASSERT_GE(reader, 0);
  if (reader == 0) {
    sim::StateFile state(dir());
    int last[2] = {0, 0};
    for (long reads = 0; reads < 100000000 && (last[0] < kWrites || last[1] < kWrites); ++reads) {
      for (int i = 0; i < 2; ++i) {
        nlohmann::json value = state.Read(i == 0 ? "first" : "second");
        int now = value.is_number_integer() ? value.get<int>() : (value.is_null() ? 0 : -1);
        if (now < last[i]) _exit(1);
        last[i] = now;
      }
    }
    _exit(last[0] == kWrites && last[1] == kWrites ? 0 : 2);
  }
  std::thread first(writer, "first");
  std::thread second(writer, "second");
  first.join();
  second.join();
  int status = 0;
  ASSERT_EQ(waitpid(reader, &status, 0), reader);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the reader saw a torn file";
  EXPECT_EQ(FileJson(sim::StateFile(dir()).path()),
            (nlohmann::json{{"first", kWrites}, {"second", kWrites}}));
}

// Another process's write, which this process's reads learn of only from the file.
void UpdateInAnotherProcess(const std::filesystem::path& home, const char* section, int value) {
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    bool written = sim::StateFile(home).Update(section, [value](nlohmann::json& s) { s = value; });
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
