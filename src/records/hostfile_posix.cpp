// The file calls of ByteFile on POSIX systems.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "modrask/records/hostfile.h"

namespace modrask {
namespace {

int Fd(HostHandle h) {
  return static_cast<int>(h);
}

// Temporary files being written, for the interruption handler: the host
// layer's own registry, the one state of the process it keeps. A thread
// claims a free slot (kSlotFree to kSlotFilling), writes its path and marks
// it kSlotWatched; the handler reads only watched slots, with
// async-signal-safe calls (lock-free atomics and plain arrays).
constexpr int kSlots = 16;
constexpr size_t kPathMax = 4096;
constexpr int kSlotFree = 0, kSlotFilling = 1, kSlotWatched = 2;
char g_tempPaths[kSlots][kPathMax];
std::atomic<int> g_slotState[kSlots];
std::once_flag g_handlersOnce;
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void OnInterrupt(int) {
  for (int i = 0; i < kSlots; ++i) {
    if (g_slotState[i].load() == kSlotWatched) ::unlink(g_tempPaths[i]);
  }
  static const char kText[] = "Interrupted: output not written\n";
  ssize_t ignored = ::write(STDOUT_FILENO, kText, sizeof kText - 1);
  (void)ignored;
  ::_exit(1);
}

void InstallHandlers() {
  for (const int sig : {SIGINT, SIGTERM}) {
    struct sigaction old {};
    ::sigaction(sig, nullptr, &old);
    if (old.sa_handler == SIG_IGN) continue;  // the caller asked us to ignore it
    struct sigaction sa {};
    sa.sa_handler = OnInterrupt;
    sigemptyset(&sa.sa_mask);
    ::sigaction(sig, &sa, nullptr);
  }
}

}  // namespace

bool HostOpenRead(const std::string& name, HostHandle& h, int64_t& size) {
  const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(fd);
    return false;
  }
  h = fd;
  size = st.st_size;
  return true;
}

namespace {

void FillIdentity(const struct stat& st, HostFileIdentity& id) {
  id.Device = static_cast<uint64_t>(st.st_dev);
  id.Inode = static_cast<uint64_t>(st.st_ino);
  id.Size = st.st_size;
  id.DataTime = int64_t{st.st_mtim.tv_sec} * 1'000'000'000 + st.st_mtim.tv_nsec;
  id.StatusTime = int64_t{st.st_ctim.tv_sec} * 1'000'000'000 + st.st_ctim.tv_nsec;
}

}  // namespace

bool HostHandleIdentity(HostHandle h, HostFileIdentity& id) {
  struct stat st {};
  if (::fstat(static_cast<int>(h), &st) != 0) return false;
  FillIdentity(st, id);
  return true;
}

bool HostPathIdentity(const std::string& name, HostFileIdentity& id) {
  struct stat st {};
  if (::stat(name.c_str(), &st) != 0) return false;
  FillIdentity(st, id);
  return true;
}

int64_t HostReadAt(HostHandle h, int64_t pos, void* dst, int64_t n) {
  const size_t want = static_cast<size_t>(std::min<int64_t>(n, INT_MAX));
  for (;;) {
    const ssize_t r = ::pread(Fd(h), dst, want, static_cast<off_t>(pos));
    if (r < 0 && errno == EINTR) continue;
    return r;
  }
}

bool HostWriteAll(HostHandle h, const uint8_t* src, int64_t n) {
  while (n > 0) {
    const size_t chunk = static_cast<size_t>(std::min<int64_t>(n, INT_MAX));
    const ssize_t w = ::write(Fd(h), src, chunk);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;  // a write that makes no progress is a failure too
    src += w;
    n -= w;
  }
  return true;
}

bool HostWriteGather(HostHandle h, const HostPiece* pieces, int n, bool& unsupported) {
  unsupported = false;
  constexpr int kMaxIov = 1024;  // IOV_MAX on Linux and the BSDs
  iovec iov[kMaxIov];
  int next = 0;       // the first piece not yet in iov
  int64_t skip = 0;   // bytes of pieces[next] already written
  while (next < n) {
    int cnt = 0;
    int64_t want = 0;
    for (int i = next; i < n && cnt < kMaxIov && want < INT_MAX / 2; ++i) {
      const int64_t off = i == next ? skip : 0;
      const int64_t size = std::min<int64_t>(pieces[i].size - off, INT_MAX / 2);
      iov[cnt].iov_base = const_cast<uint8_t*>(pieces[i].data + off);
      iov[cnt].iov_len = static_cast<size_t>(size);
      ++cnt;
      want += size;
    }
    const ssize_t w = ::writev(Fd(h), iov, cnt);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0 && want > 0) return false;
    // Step past what went out, which may end inside a piece.
    int64_t done = w;
    while (next < n && done >= pieces[next].size - skip) {
      done -= pieces[next].size - skip;
      skip = 0;
      ++next;
    }
    skip += done;
  }
  return true;
}

bool HostCopyRange(HostHandle in, int64_t inPos, HostHandle out, int64_t n, int64_t& copied,
                   bool& unsupported) {
  copied = 0;
  unsupported = false;
#if defined(__linux__)
  auto off = static_cast<loff_t>(inPos);
  while (copied < n) {
    const size_t want = static_cast<size_t>(std::min<int64_t>(n - copied, int64_t{1} << 30));
    const ssize_t r = ::copy_file_range(Fd(in), &off, Fd(out), nullptr, want, 0);
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) {
      // Kernels and file systems without the call: nothing was copied yet
      // by an earlier call that failed, so the caller copies it itself.
      unsupported = copied == 0 && (errno == ENOSYS || errno == EXDEV || errno == EINVAL ||
                                    errno == EOPNOTSUPP || errno == EBADF);
      return false;
    }
    if (r == 0) return true;  // `in` ends here
    copied += r;
  }
  return true;
#else
  (void)in, (void)inPos, (void)out, (void)n;
  unsupported = true;
  return false;
#endif
}

void HostStartWriteback(HostHandle h, int64_t pos, int64_t n) {
#if defined(__linux__)
  ::sync_file_range(Fd(h), static_cast<off_t>(pos), static_cast<off_t>(n), SYNC_FILE_RANGE_WRITE);
#else
  (void)h, (void)pos, (void)n;
#endif
}

bool HostSync(HostHandle h) {
  return ::fsync(Fd(h)) == 0;
}

bool HostClose(HostHandle h) {
  return ::close(Fd(h)) == 0 || errno == EINTR;
}

bool HostOutputTarget(const std::string& name, std::string& finalPath, int64_t& keep,
                      bool& exists) {
  finalPath = name;
  keep = -1;
  exists = false;
  struct stat st {};
  if (::lstat(name.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    // Replace the file the link points to, as writing through it would.
    if (char* real = ::realpath(name.c_str(), nullptr)) {
      finalPath = real;
      std::free(real);
    }
  }
  if (::stat(finalPath.c_str(), &st) == 0) {
    if (!S_ISREG(st.st_mode)) return false;
    // The folder would allow the rename over a file the user may not
    // write; refuse it as opening it for writing would be refused.
    if (::faccessat(AT_FDCWD, finalPath.c_str(), W_OK, AT_EACCESS) != 0) return false;
    keep = st.st_mode & 07777;
    exists = true;
  }
  return true;
}

std::string HostFolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return std::string();
  return path.substr(0, slash + 1);
}

std::string HostTempName(const std::string& folder, unsigned counter) {
  return folder + ".mrtmp" + std::to_string(::getpid()) + "_" + std::to_string(counter);
}

bool HostCreateNew(const std::string& path, int64_t keep, HostHandle& h, bool& exists) {
  exists = false;
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) {
    exists = errno == EEXIST;
    return false;
  }
  if (keep >= 0)
    ::fchmod(fd, static_cast<mode_t>(keep));  // best effort, as truncating would keep it
  h = fd;
  return true;
}

bool HostReplace(const std::string& temp, const std::string& finalPath) {
  return ::rename(temp.c_str(), finalPath.c_str()) == 0;
}

void HostSyncFolder(const std::string& folder) {
  const int dfd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
}

void HostRemove(const std::string& path) {
  ::unlink(path.c_str());
}

std::string HostErrorText() {
  return std::strerror(errno);
}

int HostWatchTemp(const std::string& path) {
  std::call_once(g_handlersOnce, InstallHandlers);
  if (path.size() >= kPathMax) return -1;
  for (int i = 0; i < kSlots; ++i) {
    int expected = kSlotFree;
    if (!g_slotState[i].compare_exchange_strong(expected, kSlotFilling)) continue;
    std::memcpy(g_tempPaths[i], path.c_str(), path.size() + 1);
    g_slotState[i].store(kSlotWatched);  // only once the path is complete
    return i;
  }
  return -1;
}

void HostUnwatchTemp(int slot) {
  if (slot >= 0) g_slotState[slot].store(kSlotFree);
}

}  // namespace modrask
