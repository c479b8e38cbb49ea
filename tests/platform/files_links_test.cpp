// Links planted in fs/: a symbolic link at any step of a path is refused by every call and never
// followed, and a file with a second (hard) link is read but never changed.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <string>

#include "files_helpers.h"

namespace {

namespace fs = std::filesystem;

class FilesLinksTest : public FilesTest {
 protected:
  fs::path outside() { return handset().home() / "outside"; }
  // Every path below the outside folder with its content (or "folder") and mode.
  std::map<std::string, std::string> OutsideTree() {
    std::map<std::string, std::string> tree;
    for (const auto& entry : fs::recursive_directory_iterator(outside())) {
      struct stat st;
      lstat(entry.path().c_str(), &st);
      std::string what = std::to_string(st.st_mode) + " ";
      if (entry.is_regular_file()) {
        std::ifstream in(entry.path());
        what += std::string(std::istreambuf_iterator<char>(in), {});
      }
      tree[entry.path().string()] = what;
    }
    return tree;
  }
};

void PutHost(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path) << text;
}

// Each call on a path below \a\b, whose folders or last name are, one at a time, a symbolic link
// to an outside tree where the call would work: refused with 5, and nothing outside changes.
TEST_F(FilesLinksTest, LinkAtAnyStepOfAPathIsRefusedByEveryCall) {
  WIN32_FIND_DATAW data;
  auto handle = [](HANDLE h) {
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    return true;
  };
  auto search = [](HANDLE h) {
    if (h == INVALID_HANDLE_VALUE) return false;
    FindClose(h);
    return true;
  };
  struct Case {
    const char* what;
    const char* leaf;  // the last name of the path in \a\b that the call works on
    std::function<bool()> call;
  } cases[] = {
      {"open for reading", "c.txt", [&] { return handle(Open(u"\\a\\b\\c.txt", GENERIC_READ)); }},
      {"open for writing", "c.txt",
       [&] { return handle(Open(u"\\a\\b\\c.txt", GENERIC_WRITE, 0, OPEN_ALWAYS)); }},
      {"truncate", "c.txt",
       [&] { return handle(Open(u"\\a\\b\\c.txt", GENERIC_READ, 0, CREATE_ALWAYS)); }},
      {"create", "new.txt",
       [&] { return handle(Open(u"\\a\\b\\new.txt", GENERIC_WRITE, 0, CREATE_NEW)); }},
      {"delete", "c.txt", [] { return DeleteFileW(u"\\a\\b\\c.txt") != FALSE; }},
      {"move out", "c.txt", [] { return MoveFileW(u"\\a\\b\\c.txt", u"\\moved.txt") != FALSE; }},
      {"move in", "moved.txt",
       [] { return MoveFileW(u"\\src.txt", u"\\a\\b\\moved.txt") != FALSE; }},
      {"make folder", "d", [] { return CreateDirectoryW(u"\\a\\b\\d", nullptr) != FALSE; }},
      {"remove folder", "e", [] { return RemoveDirectoryW(u"\\a\\b\\e") != FALSE; }},
      {"find in folder", "e", [&] { return search(FindFirstFileW(u"\\a\\b\\e\\*", &data)); }},
      {"find by name", "c.txt", [&] { return search(FindFirstFileW(u"\\a\\b\\c.txt", &data)); }},
      {"get attributes", "c.txt",
       [] { return GetFileAttributesW(u"\\a\\b\\c.txt") != INVALID_FILE_ATTRIBUTES; }},
      {"set attributes", "c.txt",
       [] { return SetFileAttributesW(u"\\a\\b\\c.txt", FILE_ATTRIBUTE_READONLY) != FALSE; }},
      {"copy from", "c.txt", [] { return CopyFileW(u"\\a\\b\\c.txt", u"\\copy.txt", FALSE); }},
      {"copy over", "c.txt", [] { return CopyFileW(u"\\src.txt", u"\\a\\b\\c.txt", FALSE); }},
      {"replace", "c.txt", [] { return DeleteAndRenameFile(u"\\a\\b\\c.txt", u"\\src.txt"); }},
      {"replace with", "c.txt", [] { return DeleteAndRenameFile(u"\\src.txt", u"\\a\\b\\c.txt"); }},
  };
  for (const auto& c : cases) {
    for (const std::string step : {"a", "b", "leaf"}) {
      SCOPED_TRACE(std::string(c.what) + ", link at " + step);
      // fs/ itself stays: the mounted handset holds it open.
      for (const auto& entry : fs::directory_iterator(handset().fs_root())) fs::remove_all(entry);
      fs::remove_all(outside());
      // The tree the calls expect, inside and outside alike; e has a file so that find finds it.
      for (const fs::path& top : {handset().fs_root() / "a", outside()}) {
        PutHost(top / "b" / "c.txt", "data");
        PutHost(top / "b" / "e" / "x.txt", "x");
      }
      fs::remove(outside() / "b" / "e" / "x.txt");
      PutHost(outside() / "b" / "e" / "in-e.txt", "outside");
      PutHost(handset().fs_root() / "src.txt", "source");
      fs::path inside = handset().fs_root() / "a";
      fs::path target = outside();
      if (step != "a") {
        inside /= "b";
        target /= "b";
      }
      if (step == "leaf") {
        inside /= c.leaf;
        target /= c.leaf;
      }
      fs::remove_all(inside);
      fs::create_symlink(target, inside);
      auto before = OutsideTree();
      SetLastError(0);
      EXPECT_FALSE(c.call());
      EXPECT_EQ(GetLastError(), E(ERROR_ACCESS_DENIED));
      EXPECT_EQ(OutsideTree(), before);
      EXPECT_TRUE(fs::is_symlink(inside));
      EXPECT_FALSE(fs::exists(handset().fs_root() / "copy.txt"));
      EXPECT_EQ(Content(u"\\src.txt"), "source");
    }
  }
}

// A hard link planted in fs/ to an outside file: reading works, every change of the file in
// place is refused with 5, and deleting takes only the name in fs/.
TEST_F(FilesLinksTest, FileWithASecondLinkIsReadButNeverChanged) {
  PutHost(outside() / "secret.txt", "secret");
  Put(u"\\src.txt", "source");
  ASSERT_EQ(link((outside() / "secret.txt").c_str(), (handset().fs_root() / "hard.txt").c_str()),
            0);
  auto before = OutsideTree();
  HANDLE reader = Open(u"\\hard.txt", GENERIC_READ, FILE_SHARE_READ);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  EXPECT_EQ(ReadAll(reader), "secret");
  CloseHandle(reader);
  struct Case {
    DWORD access, disposition;
  } opens[] = {{GENERIC_WRITE, OPEN_EXISTING},
               {GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS},
               {GENERIC_READ, CREATE_ALWAYS},
               {0, CREATE_ALWAYS},
               {GENERIC_WRITE, TRUNCATE_EXISTING}};
  for (const auto& c : opens) {
    SCOPED_TRACE(testing::Message() << std::hex << c.access << " " << c.disposition);
    EXPECT_FAILS(Open(u"\\hard.txt", c.access, 0, c.disposition) == INVALID_HANDLE_VALUE,
                 ERROR_ACCESS_DENIED);
  }
  EXPECT_FAILS(!SetFileAttributesW(u"\\hard.txt", FILE_ATTRIBUTE_READONLY), ERROR_ACCESS_DENIED);
  EXPECT_FAILS(!CopyFileW(u"\\src.txt", u"\\hard.txt", FALSE), ERROR_ACCESS_DENIED);
  EXPECT_EQ(OutsideTree(), before);
  EXPECT_TRUE(DeleteFileW(u"\\hard.txt"));
  EXPECT_FALSE(fs::exists(handset().fs_root() / "hard.txt"));
  EXPECT_EQ(OutsideTree(), before);
}

}  // namespace
