// Copying a file: data, last write time and attributes.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <vector>

#include "files/file_objects.h"
#include "files/file_system.h"

namespace cehost {

namespace {

// Copies every byte of in to out; 0 or the error code.
DWORD CopyData(int in, int out) {
  std::vector<char> buffer(64 * 1024);
  for (;;) {
    ssize_t got = ::read(in, buffer.data(), buffer.size());
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return ErrorFromErrno(errno);
    if (got == 0) return 0;
    for (ssize_t done = 0; done < got;) {
      ssize_t put = ::write(out, buffer.data() + done, static_cast<size_t>(got - done));
      if (put < 0 && errno == EINTR) continue;
      if (put < 0) return ErrorFromErrno(errno);
      done += put;
    }
  }
}

}  // namespace

DWORD FileSystem::Copy(const CePath& from, const CePath& to, bool fail_if_exists,
                       Journal& journal) {
  if (from.is_root() || to.is_root()) return ERROR_ACCESS_DENIED;
  if (to.trailing_separator) return ERROR_INVALID_NAME;
  std::lock_guard lock(mutex_);
  Location source;
  if (DWORD error = ResolveExisting(from, &source)) return error;
  if (!S_ISREG(source.st.st_mode)) return ERROR_ACCESS_DENIED;
  Location target;
  if (DWORD error = Resolve(to.names, &target)) return error;
  bool existed = target.exists;
  if (existed) {
    // The code for an existing target under bFailIfExists is ERROR_FILE_EXISTS, as CreateFileW's
    // CREATE_NEW gives.
    if (fail_if_exists) return ERROR_FILE_EXISTS;
    if (!S_ISREG(target.st.st_mode)) return ERROR_ACCESS_DENIED;
    if (target.st.st_dev == source.st.st_dev && target.st.st_ino == source.st.st_ino)
      return ERROR_SHARING_VIOLATION;
    if (AttributesOf(target) &
        (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_INROM))
      return ERROR_ACCESS_DENIED;
  }

  // The copy must fit on the storage: the target's old data goes, the source's comes. A copy that
  // does not fit fails before the target is touched.
  const auto needed = static_cast<uint64_t>(source.st.st_size);
  const uint64_t freed = existed ? static_cast<uint64_t>(target.st.st_size) : 0;
  if (std::optional<uint64_t> free = storage_.Free();
      free && ((!existed && *free == 0) || needed > freed + *free))
    return ERROR_DISK_FULL;

  // Both ends are opened like handles, so that the share checks hold: the source may be open for
  // reading or writing elsewhere (a log still being appended to can be copied), the target not.
  // A name that changed under the call is a file busy elsewhere.
  auto busy = [](DWORD error) { return error == kLookAgain ? ERROR_SHARING_VIOLATION : error; };
  std::shared_ptr<FileObject> in, out;
  HostFd fd;
  DWORD error = OpenHostFile(&source, O_RDONLY, &fd);
  if (!error)
    error = Adopt(source, std::move(fd), DataAccess{true, false},
                  FILE_SHARE_READ | FILE_SHARE_WRITE, journal, &in);
  if (error) return busy(error);
  DWORD attributes = AttributesOf(source);
  error = OpenHostFile(&target, existed ? O_RDWR : O_RDWR | O_CREAT | O_EXCL, &fd);
  if (error) return busy(error);
  error = Adopt(target, std::move(fd), DataAccess{false, true}, 0, journal, &out);
  if (!error) {
    error = existed && ftruncate(out->fd(), 0) != 0 ? ErrorFromErrno(errno)
                                                    : CopyData(in->fd(), out->fd());
  }
  if (error) {
    // A target made here goes again, unless its name has since led elsewhere.
    if (!existed && error != kLookAgain) unlinkat(target.parent.get(), target.name.c_str(), 0);
    return busy(error);
  }
  struct timespec times[2] = {{0, UTIME_NOW}, source.st.st_mtim};
  futimens(out->fd(), times);
  // The copy lives in RAM: it keeps the source's bits, READONLY included, but not INROM. When they
  // cannot be saved the call fails, and a target made here goes again.
  error = ApplyAttributes(target, out->fd(),
                          attributes & ~(FILE_ATTRIBUTE_INROM | FILE_ATTRIBUTE_ROMMODULE), nullptr);
  if (error) {
    if (!existed && StillNamed(target, target.st))
      unlinkat(target.parent.get(), target.name.c_str(), 0);
    return error;
  }
  if (needed > freed) {
    storage_.Grow(freed, needed);
  } else {
    storage_.GiveBack(freed - needed);
  }
  RecordEffect(journal, EffectKind::kFileCopy, {{"from", source.ce}, {"to", target.ce}});
  return 0;
}

}  // namespace cehost
