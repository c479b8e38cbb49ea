// link_swap_stress [ROUNDS]: the file calls against a folder that another thread keeps swapping
// with a symbolic link to a folder outside fs/ (renameat2 RENAME_EXCHANGE). The outside folder
// holds the same names, so a call that followed the link would work there. Each round creates,
// opens, reads, deletes, renames, makes and removes folders, searches, sets attributes, copies and
// replaces through the swapped folder, and looks outside after each call. Prints the figures and
// exits 1 when anything outside was created, changed or read.
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "ce/files.h"
#include "ce/kernel.h"
#include "cehost/handset.h"
#include "cehost/text.h"

namespace {

namespace fs = std::filesystem;

struct Figures {
  long calls = 0;
  long refused = 0;
  long created_outside = 0;
  long changed_outside = 0;
  long read_outside = 0;
};

std::string ReadHost(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteHost(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

class Stress {
 public:
  explicit Stress(const fs::path& home) : home_(home), outside_(home / "outside") {}

  // Lays out fs/dir and the outside folder with the same names, and the link fs/swap to outside.
  void Prepare() {
    fs::path inside = home_ / "fs" / "dir";
    for (const fs::path& folder : {inside, outside_}) {
      fs::create_directories(folder / "sub");
      bool out = folder == outside_;
      WriteHost(folder / "file.txt", out ? kOutsideData : "inside");
      WriteHost(folder / "r.txt", out ? kOutsideData : "inside");
      WriteHost(folder / "del.txt", out ? kOutsideData : "inside");
    }
    WriteHost(outside_ / "marker.txt", kOutsideData);
    chmod((outside_ / "file.txt").c_str(), 0644);
    outside_mode_ = Mode(outside_ / "file.txt");
    fs::create_directory_symlink(outside_, home_ / "fs" / "swap");
  }

  // One round of calls through \dir; n makes its names unique.
  void Round(long n) {
    std::string tag = std::to_string(n);
    std::u16string dir = u"\\dir\\";
    auto name = [&](const char* stem) { return dir + cehost::ToUtf16(stem + tag); };

    // Create, then write through the handle.
    std::u16string created = name("new");
    HANDLE h =
        Call(CreateFileW(created.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    if (h != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      WriteFile(h, "x", 1, &written, nullptr);
      CloseHandle(h);
    }
    CheckCreated("new" + tag);
    Call(DeleteFileW(created.c_str()));

    // Open and read, in the stored case and in another.
    for (const char16_t* path : {u"\\dir\\file.txt", u"\\DIR\\FILE.TXT"}) {
      h = Call(
          CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
      if (h != INVALID_HANDLE_VALUE) {
        char buffer[64];
        DWORD got = 0;
        ReadFile(h, buffer, sizeof buffer, &got, nullptr);
        if (std::string(buffer, got) == kOutsideData) ++figures_.read_outside;
        CloseHandle(h);
      }
    }

    // Rename: create, move, delete.
    std::u16string from = name("m"), to = name("n");
    h = Call(CreateFileW(from.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    Call(MoveFileW(from.c_str(), to.c_str()));
    Call(MoveFileW(u"\\dir\\r.txt", u"\\dir\\r2.txt"));
    Call(MoveFileW(u"\\dir\\r2.txt", u"\\dir\\r.txt"));
    CheckCreated("m" + tag);
    CheckCreated("n" + tag);
    CheckCreated("r2.txt");
    Call(DeleteFileW(to.c_str()));
    Call(DeleteFileW(from.c_str()));

    // Delete an existing name (it is made again first).
    h = Call(CreateFileW(u"\\dir\\del.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    Call(DeleteFileW(u"\\dir\\del.txt"));
    CheckUnchanged("del.txt");

    // Folders.
    std::u16string folder = name("d");
    Call(CreateDirectoryW(folder.c_str(), nullptr));
    CheckCreated("d" + tag);
    Call(RemoveDirectoryW(folder.c_str()));
    Call(RemoveDirectoryW(u"\\dir\\sub"));
    if (!fs::exists(outside_ / "sub")) {
      ++figures_.changed_outside;
      fs::create_directory(outside_ / "sub");
    }
    Call(CreateDirectoryW(u"\\dir\\sub", nullptr));

    // Search.
    WIN32_FIND_DATAW found;
    h = Call(FindFirstFileW(u"\\dir\\*", &found));
    if (h != INVALID_HANDLE_VALUE) {
      do {
        if (std::u16string(found.cFileName) == u"marker.txt") ++figures_.read_outside;
      } while (FindNextFileW(h, &found));
      FindClose(h);
    }
    if (Call(GetFileAttributesW(u"\\dir\\marker.txt")) != INVALID_FILE_ATTRIBUTES)
      ++figures_.read_outside;

    // Attributes.
    Call(SetFileAttributesW(u"\\dir\\file.txt", FILE_ATTRIBUTE_READONLY));
    Call(SetFileAttributesW(u"\\dir\\file.txt", FILE_ATTRIBUTE_NORMAL));
    if (Mode(outside_ / "file.txt") != outside_mode_) {
      ++figures_.changed_outside;
      chmod((outside_ / "file.txt").c_str(), outside_mode_);
    }

    // Copy out of the folder and into it.
    std::u16string copy = u"\\copy" + cehost::ToUtf16(tag);
    if (Call(CopyFileW(u"\\dir\\file.txt", copy.c_str(), FALSE))) {
      if (ReadHost(home_ / "fs" / ("copy" + tag)) == kOutsideData) ++figures_.read_outside;
    }
    DeleteFileW(copy.c_str());
    Call(CopyFileW(u"\\dir\\file.txt", name("c").c_str(), FALSE));
    CheckCreated("c" + tag);
    Call(DeleteFileW(name("c").c_str()));

    // Replace: a new file takes the place of r.txt.
    std::u16string temporary = name("t");
    h = Call(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    if (h != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      WriteFile(h, "inside", 6, &written, nullptr);
      CloseHandle(h);
    }
    CheckCreated("t" + tag);
    Call(DeleteAndRenameFile(u"\\dir\\r.txt", temporary.c_str()));
    Call(DeleteFileW(temporary.c_str()));
    CheckUnchanged("r.txt");
    CheckUnchanged("file.txt");
  }

  const Figures& figures() const { return figures_; }

 private:
  static constexpr const char* kOutsideData = "OUTSIDE";

  template <class T>
  T Call(T result) {
    ++figures_.calls;
    bool failed;
    if constexpr (std::is_same_v<T, HANDLE>) {
      failed = result == INVALID_HANDLE_VALUE;
    } else if constexpr (std::is_same_v<T, DWORD>) {
      failed = result == INVALID_FILE_ATTRIBUTES;
    } else {
      failed = !result;
    }
    if (failed) ++figures_.refused;
    return result;
  }

  static mode_t Mode(const fs::path& path) {
    struct stat st = {};
    lstat(path.c_str(), &st);
    return st.st_mode & 07777;
  }

  // A name that should never appear outside: counted and taken away when it does.
  void CheckCreated(const std::string& name) {
    std::error_code ignored;
    if (fs::symlink_status(outside_ / name).type() == fs::file_type::not_found) return;
    ++figures_.created_outside;
    fs::remove_all(outside_ / name, ignored);
  }

  // An outside file that must keep its data: counted and put back when it changed or went.
  void CheckUnchanged(const std::string& name) {
    if (ReadHost(outside_ / name) == kOutsideData && fs::exists(outside_ / name)) return;
    ++figures_.changed_outside;
    WriteHost(outside_ / name, kOutsideData);
  }

  fs::path home_;
  fs::path outside_;
  mode_t outside_mode_ = 0;
  Figures figures_;
};

}  // namespace

int main(int argc, char** argv) {
  long rounds = argc > 1 ? std::atol(argv[1]) : 300;
  if (rounds <= 0) {
    std::fprintf(stderr, "usage: %s [ROUNDS]\n", argv[0]);
    return 2;
  }
  char pattern[] = "/tmp/link_swap_stress.XXXXXX";
  if (!mkdtemp(pattern)) return 2;
  fs::path home = pattern;
  cehost::MountOptions options;
  options.home = home;
  options.registry_in_memory = true;
  cehost::MountHandset(options);

  Stress stress(home);
  stress.Prepare();
  int fs_fd = open((home / "fs").c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  std::atomic<bool> stop{false};
  std::atomic<long> swaps{0};
  // "dir" and "swap" trade places and back, over and over: \dir is the link for moments that
  // fall anywhere in the calls' work.
  std::thread swapper([&] {
    while (!stop) {
      if (renameat2(fs_fd, "dir", fs_fd, "swap", RENAME_EXCHANGE) != 0) continue;
      ++swaps;
      while (renameat2(fs_fd, "dir", fs_fd, "swap", RENAME_EXCHANGE) != 0) {
      }
      std::this_thread::yield();
    }
  });
  for (long n = 0; n < rounds; ++n) stress.Round(n);
  stop = true;
  swapper.join();
  close(fs_fd);
  cehost::UnmountHandset();

  const Figures& f = stress.figures();
  long escapes = f.created_outside + f.changed_outside + f.read_outside;
  std::printf(
      "link_swap_stress: %ld rounds, %ld swaps, %ld calls (%ld refused); outside: %ld created, "
      "%ld changed or deleted, %ld reads of outside data\n",
      rounds, swaps.load(), f.calls, f.refused, f.created_outside, f.changed_outside,
      f.read_outside);
  std::error_code ignored;
  fs::remove_all(home, ignored);
  return escapes == 0 ? 0 : 1;
}
