// Names in another case than the stored one, looked up through the folders' case-folded indexes,
// while files and folders change directly on the host.
#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "files/folder_index.h"
#include "files/host_fd.h"
#include "files_helpers.h"

namespace {

namespace fs = std::filesystem;

class FilesCaseIndexTest : public FilesTest {
 protected:
  // The stored name that FindFirstFileW gives for path, or "" with its error code.
  static std::string Found(const char16_t* path) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(path, &data);
    if (find == INVALID_HANDLE_VALUE) return "error " + std::to_string(GetLastError());
    FindClose(find);
    return U8(data.cFileName);
  }
  // Makes change on the host and then sets the folder's modification time back to what it was,
  // as two changes within one tick of the clock leave it.
  static void WithinOneTick(const fs::path& folder, const std::function<void()>& change) {
    struct stat before;
    ASSERT_EQ(stat(folder.c_str(), &before), 0);
    change();
    struct timespec times[2] = {{0, UTIME_OMIT}, before.st_mtim};
    ASSERT_EQ(utimensat(AT_FDCWD, folder.c_str(), times, 0), 0);
  }
  // Dates the folder's last change an hour back, so that an index made now is trusted.
  static void Age(const fs::path& folder) {
    struct timespec times[2] = {{0, UTIME_OMIT}, {time(nullptr) - 3600, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, folder.c_str(), times, 0), 0);
  }
  static void Touch(const fs::path& file) { std::ofstream(file) << "x"; }
};

TEST_F(FilesCaseIndexTest, NamesInAnotherCaseGiveTheStoredName) {
  Put(u"\\Dir\\Alpha.txt", "a");
  Put(u"\\Dir\\\u00C4rger.txt", "b");
  EXPECT_EQ(Found(u"\\DIR\\ALPHA.TXT"), "Alpha.txt");
  EXPECT_EQ(Found(u"\\dir\\alpha.txt"), "Alpha.txt");
  EXPECT_EQ(Found(u"\\dIr\\\u00E4RGER.txt"), "\u00C4rger.txt");
  EXPECT_EQ(Found(u"\\DIR"), "Dir");
  EXPECT_EQ(Found(u"\\DIR\\NONE.TXT"), "error 2");
  EXPECT_EQ(Found(u"\\NODIR\\ALPHA.TXT"), "error 3");
}

// Each change made outside cehost after the folder was indexed, once with the folder's time moving
// on from an old one (a trusted index) and once with it left as it was (an index made within the
// same tick as the folder's last change).
TEST_F(FilesCaseIndexTest, ChangesMadeOnTheHostAfterIndexingAreSeen) {
  struct Case {
    const char* what;
    std::function<void(const fs::path&)> change;
    const char16_t* name;
    const char* found;
  } cases[] = {
      {"added", [](const fs::path& d) { Touch(d / "Beta.txt"); }, u"BETA.TXT", "Beta.txt"},
      {"removed", [](const fs::path& d) { fs::remove(d / "Alpha.txt"); }, u"ALPHA.TXT", "error 2"},
      {"renamed away", [](const fs::path& d) { fs::rename(d / "Alpha.txt", d / "Gamma.txt"); },
       u"ALPHA.TXT", "error 2"},
      {"renamed to", [](const fs::path& d) { fs::rename(d / "Alpha.txt", d / "Gamma.txt"); },
       u"gamma.TXT", "Gamma.txt"},
      {"recased", [](const fs::path& d) { fs::rename(d / "Alpha.txt", d / "ALPHA.txt"); },
       u"alpha.txt", "ALPHA.txt"},
  };
  int n = 0;
  for (const auto& c : cases) {
    for (bool same_tick : {false, true}) {
      SCOPED_TRACE(std::string(c.what) + (same_tick ? ", same tick" : ", time moves on"));
      std::u16string dir = u"\\Dir" + cehost::ToUtf16(std::to_string(n++));
      Put((dir + u"\\Alpha.txt").c_str(), "a");
      fs::path host = handset().HostPath(dir);
      if (!same_tick) Age(host);
      ASSERT_EQ(Found((dir + u"\\alpha.TXT").c_str()), "Alpha.txt");
      ASSERT_EQ(Found((dir + u"\\MISSING.TXT").c_str()), "error 2");
      if (same_tick) {
        WithinOneTick(host, [&] { c.change(host); });
      } else {
        c.change(host);
      }
      EXPECT_EQ(Found((dir + u"\\" + c.name).c_str()), c.found);
    }
  }
}

TEST_F(FilesCaseIndexTest, FolderReplacedByAnotherOfTheSameNameIsSeen) {
  Put(u"\\Box\\Inner\\One.txt", "1");
  ASSERT_EQ(Found(u"\\BOX\\INNER\\ONE.TXT"), "One.txt");
  fs::path root = handset().fs_root();
  fs::rename(root / "Box", root / "Old");
  Put(u"\\Box\\Inner\\Two.txt", "2");
  EXPECT_EQ(Found(u"\\BOX\\INNER\\ONE.TXT"), "error 2");
  EXPECT_EQ(Found(u"\\box\\inner\\two.txt"), "Two.txt");
  EXPECT_EQ(Found(u"\\OLD\\INNER\\ONE.TXT"), "One.txt");
}

// More folders than the indexes keep: each is still looked up right, and changes in one whose
// index was dropped are seen.
TEST_F(FilesCaseIndexTest, FoldersBeyondTheBoundAreLookedUpAlike) {
  const int count = static_cast<int>(cehost::FolderIndexes::kMaxFolders) + 8;
  auto folder = [](int i) { return u"\\D" + cehost::ToUtf16(std::to_string(i)); };
  for (int i = 0; i < count; ++i) Put((folder(i) + u"\\File.txt").c_str(), "f");
  for (int round = 0; round < 2; ++round) {
    for (int i = 0; i < count; ++i)
      ASSERT_EQ(Found((folder(i) + u"\\FILE.TXT").c_str()), "File.txt") << i;
  }
  WithinOneTick(handset().HostPath(folder(0)), [&] {
    fs::rename(handset().HostPath(folder(0) + u"\\File.txt"),
               handset().HostPath(folder(0) + u"\\Other.txt"));
  });
  EXPECT_EQ(Found((folder(0) + u"\\FILE.TXT").c_str()), "error 2");
  EXPECT_EQ(Found((folder(0) + u"\\OTHER.TXT").c_str()), "Other.txt");
}

// A folder is indexed at its second look-up once settled; the indexes keep within their bounds,
// the least recently used going first.
TEST_F(FilesCaseIndexTest, IndexesKeepWithinTheirBoundOfFoldersAndNames) {
  cehost::FolderIndexes indexes(3, 5);
  struct Step {
    const char* folder;
    int files;
    bool settled;
    size_t folders;
    size_t names;
  } steps[] = {
      {"a", 2, true, 1, 2},      {"b", 2, true, 2, 4},
      {"c", 2, true, 2, 4},  // too many names with the others: the oldest goes
      {"d", 1, true, 3, 5},      {"e", 1, true, 3, 4},  // one folder too many: the oldest goes
      {"big", 6, true, 3, 2},     // more names than the bound: searched, never kept
      {"fresh", 2, false, 3, 1},  // changed just now: searched, never indexed
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.folder);
    fs::path path = handset().home() / step.folder;
    fs::create_directories(path);
    for (int i = 0; i < step.files; ++i) Touch(path / ("N" + std::to_string(i)));
    if (step.settled) Age(path);
    cehost::HostFd dir(::open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    std::string stored;
    ASSERT_TRUE(indexes.Find(dir.get(), u"n0", &stored));
    EXPECT_EQ(stored, "N0");
    EXPECT_FALSE(indexes.Find(dir.get(), u"n9", &stored));
    stored.clear();
    EXPECT_TRUE(indexes.Find(dir.get(), u"n0", &stored));
    EXPECT_EQ(stored, "N0");
    EXPECT_EQ(indexes.folders(), step.folders);
    EXPECT_EQ(indexes.names(), step.names);
  }
}

}  // namespace
