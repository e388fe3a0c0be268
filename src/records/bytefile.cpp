#include "records/bytefile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cassert>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "support/mhUtil.h"
#include "support/mystrucs.h"

namespace modrask {
namespace {

// Test hooks: bytes left before the injected failure (-1: off), and a
// pending sync failure.
int64_t g_writeBytesLeft = -1;
bool g_failNextSync = false;

// Temporary files being written, for the interruption handler. The handler
// may only read these with async-signal-safe calls, so they are plain arrays.
constexpr int kSlots = 16;
constexpr size_t kPathMax = 4096;
char g_tempPaths[kSlots][kPathMax];
volatile std::sig_atomic_t g_slotUsed[kSlots];
bool g_handlersInstalled = false;

extern "C" void OnInterrupt(int) {
  for (int i = 0; i < kSlots; ++i) {
    if (g_slotUsed[i]) ::unlink(g_tempPaths[i]);
  }
  static const char kText[] = "Interrupted: output not written\n";
  ssize_t ignored = ::write(STDOUT_FILENO, kText, sizeof kText - 1);
  (void)ignored;
  ::_exit(1);
}

void InstallHandlers() {
  if (g_handlersInstalled) return;
  g_handlersInstalled = true;
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

int RegisterTemp(const std::string& path) {
  InstallHandlers();
  if (path.size() >= kPathMax) return -1;
  for (int i = 0; i < kSlots; ++i) {
    if (g_slotUsed[i]) continue;
    std::memcpy(g_tempPaths[i], path.c_str(), path.size() + 1);
    g_slotUsed[i] = 1;  // set only once the path is complete
    return i;
  }
  return -1;
}

void UnregisterTemp(int slot) {
  if (slot >= 0) g_slotUsed[slot] = 0;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return std::string();
  return path.substr(0, slash + 1);
}

[[noreturn]] void SystemError(const char* what, const std::string& name) {
  FatalError(std::string("Error ") + what + " file " + name + ": " + std::strerror(errno));
}

// Writes all n bytes; false on any failure the system reports (a write that
// makes no progress counts as one).
bool WriteAll(int fd, const uint8_t* src, int64_t n) {
  while (n > 0) {
    const size_t chunk = static_cast<size_t>(std::min<int64_t>(n, INT_MAX));
    const ssize_t w = ::write(fd, src, chunk);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    src += w;
    n -= w;
  }
  return true;
}

// A buffer that is never read before it is written, so it is not cleared.
std::unique_ptr<uint8_t[]> NewBuffer() {
  std::unique_ptr<uint8_t[]> buf;
  std::string msg;
  if (!CheckedAlloc([&buf] { buf = std::make_unique_for_overwrite<uint8_t[]>(ByteFileBufSize); },
                    msg)) {
    FatalError(msg);
  }
  return buf;
}

}  // namespace

void InjectWriteFailureAfter(int64_t bytes) {
  g_writeBytesLeft = bytes < 0 ? 0 : bytes;
}
void InjectSyncFailure() {
  g_failNextSync = true;
}
void ClearWriteFailure() {
  g_writeBytesLeft = -1;
  g_failNextSync = false;
}

std::unique_ptr<ByteFile> ByteFile::OpenRead(const std::string& name) {
  const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(fd);
    return nullptr;
  }
  std::unique_ptr<ByteFile> f(new ByteFile());
  f->fd_ = fd;
  f->name_ = name;
  f->sizeAtOpen_ = st.st_size;
  f->buf_ = NewBuffer();
  return f;
}

std::unique_ptr<ByteFile> ByteFile::CreateTemp(const std::string& name) {
  if (name.empty()) return nullptr;
  std::string finalPath = name;
  struct stat st {};
  if (::lstat(name.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    // Replace the file the link points to, as writing through it would.
    if (char* real = ::realpath(name.c_str(), nullptr)) {
      finalPath = real;
      std::free(real);
    }
  }
  bool keepMode = false;
  if (::stat(finalPath.c_str(), &st) == 0) {
    if (!S_ISREG(st.st_mode)) return nullptr;
    keepMode = true;
  }
  const std::string folder = FolderOf(finalPath);
  static unsigned counter = 0;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string temp =
        folder + ".mrtmp" + std::to_string(::getpid()) + "_" + std::to_string(++counter);
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return nullptr;
    }
    if (keepMode) ::fchmod(fd, st.st_mode & 07777);  // best effort, as truncating would keep it
    std::unique_ptr<ByteFile> f(new ByteFile());
    f->fd_ = fd;
    f->writing_ = true;
    f->name_ = name;
    f->finalPath_ = finalPath;
    f->tempName_ = temp;
    f->slot_ = RegisterTemp(temp);
    f->buf_ = NewBuffer();
    return f;
  }
  return nullptr;
}

ByteFile::~ByteFile() {
  if (writing_) {
    Abandon();
  } else if (fd_ >= 0) {
    ::close(fd_);  // a read-only handle; nothing to lose
  }
}

int64_t ByteFile::Read(void* dst, int64_t n) {
  assert(!writing_ && fd_ >= 0 && n >= 0);
  auto* out = static_cast<uint8_t*>(dst);
  const int64_t cap = ByteFileBufSize;
  int64_t done = 0;
  while (done < n) {
    if (bufPos_ < bufEnd_) {
      const int64_t take = std::min(n - done, bufEnd_ - bufPos_);
      std::memcpy(out + done, buf_.get() + bufPos_, static_cast<size_t>(take));
      bufPos_ += take;
      done += take;
      continue;
    }
    // Large reads go straight into the caller's memory.
    const bool direct = n - done >= cap;
    uint8_t* target = direct ? out + done : buf_.get();
    const int64_t want = direct ? std::min<int64_t>(n - done, INT_MAX) : cap;
    const ssize_t r = ::read(fd_, target, static_cast<size_t>(want));
    if (r < 0) {
      if (errno == EINTR) continue;
      SystemError("reading", name_);
    }
    if (r == 0) break;
    osPos_ += r;
    if (direct) {
      done += r;
    } else {
      bufPos_ = 0;
      bufEnd_ = r;
    }
  }
  return done;
}

void ByteFile::Skip(int64_t n) {
  assert(!writing_ && fd_ >= 0 && n >= 0);
  if (n <= bufEnd_ - bufPos_) {
    bufPos_ += n;
    return;
  }
  const int64_t target = Position() + n;
  if (::lseek(fd_, static_cast<off_t>(target), SEEK_SET) < 0) SystemError("positioning in", name_);
  osPos_ = target;
  bufPos_ = bufEnd_ = 0;
}

int64_t ByteFile::Position() const {
  return writing_ ? osPos_ + bufEnd_ : osPos_ - (bufEnd_ - bufPos_);
}

bool ByteFile::Write(const void* src, int64_t n) {
  assert(writing_ && n >= 0);
  if (failed_ || fd_ < 0) return false;
  if (n == 0) return true;  // src may be null
  if (g_writeBytesLeft >= 0) {
    if (n > g_writeBytesLeft) {
      g_writeBytesLeft = 0;
      failed_ = true;
      return false;
    }
    g_writeBytesLeft -= n;
  }
  const auto* in = static_cast<const uint8_t*>(src);
  const int64_t cap = ByteFileBufSize;
  if (n >= cap) {
    if (!FlushBuffer()) return false;
    if (!WriteAll(fd_, in, n)) {
      failed_ = true;
      return false;
    }
    osPos_ += n;
    StartWriteback();
    return true;
  }
  if (bufEnd_ + n > cap && !FlushBuffer()) return false;
  std::memcpy(buf_.get() + bufEnd_, in, static_cast<size_t>(n));
  bufEnd_ += n;
  return true;
}

bool ByteFile::FlushBuffer() {
  if (failed_) return false;
  if (bufEnd_ == 0) return true;
  if (!WriteAll(fd_, buf_.get(), bufEnd_)) {
    failed_ = true;
    return false;
  }
  osPos_ += bufEnd_;
  bufEnd_ = 0;
  StartWriteback();
  return true;
}

void ByteFile::StartWriteback() {
#if defined(__linux__)
  // Hand what is written to the disk while the rest is being made, so that
  // the sync in Finish waits only for the tail. A hint: failures are left
  // for that sync to report.
  if (osPos_ - writebackPos_ < kWritebackStep) return;
  ::sync_file_range(fd_, static_cast<off_t>(writebackPos_),
                    static_cast<off_t>(osPos_ - writebackPos_), SYNC_FILE_RANGE_WRITE);
  writebackPos_ = osPos_;
#endif
}

bool ByteFile::Finish() {
  assert(writing_);
  bool ok = fd_ >= 0 && FlushBuffer();
  if (ok && g_failNextSync) {
    g_failNextSync = false;
    ok = false;
  }
  ok = ok && ::fsync(fd_) == 0;
  if (fd_ >= 0 && ::close(fd_) != 0) ok = false;
  fd_ = -1;
  ok = ok && ::rename(tempName_.c_str(), finalPath_.c_str()) == 0;
  if (!ok) {
    Release(true);
    return false;
  }
  // Make the rename itself durable; a folder that cannot be synced is no fault.
  const std::string folder = FolderOf(finalPath_);
  const int dfd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
  Release(false);
  return true;
}

void ByteFile::Abandon() {
  assert(writing_);
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  Release(true);
}

void ByteFile::Release(bool unlinkTemp) {
  if (unlinkTemp && !tempName_.empty()) ::unlink(tempName_.c_str());
  UnregisterTemp(slot_);
  slot_ = -1;
  tempName_.clear();
  writing_ = false;
  bufEnd_ = bufPos_ = 0;
}

void ByteFile::Close() {
  assert(!writing_);
  if (fd_ < 0) return;
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0 && errno != EINTR) SystemError("closing", name_);
}

}  // namespace modrask
