#include "modrask/records/bytefile.h"

#include <algorithm>
#include <atomic>
#include <cassert>
#include <cstring>

#include "modrask/records/hostfile.h"
#include "modrask/support/mhUtil.h"
#include "modrask/support/mystrucs.h"

namespace modrask {
namespace {

[[noreturn]] void SystemError(const char* what, const std::string& name) {
  FatalError(std::string("Error ") + what + " file " + name + ": " + HostErrorText());
}

// A buffer that is never read before it is written, so it is not cleared.
std::unique_ptr<uint8_t[]> NewBuffer(int64_t size) {
  std::unique_ptr<uint8_t[]> buf;
  std::string msg;
  if (!CheckedAlloc([&buf, size] { buf = std::make_unique_for_overwrite<uint8_t[]>(size); },
                    msg)) {
    FatalError(msg);
  }
  return buf;
}

}  // namespace

std::unique_ptr<ByteFile> ByteFile::OpenRead(const std::string& name) {
  HostHandle fd = NoHandle;
  int64_t size = 0;
  if (!HostOpenRead(name, fd, size)) return nullptr;
  std::unique_ptr<ByteFile> f(new ByteFile());
  f->fd_ = fd;
  f->name_ = name;
  f->sizeAtOpen_ = size;
  // A small file needs no more buffer than it has bytes.
  f->bufSize_ = std::clamp<int64_t>(size, kSmallestBuffer, ByteFileBufSize);
  f->fill_ = f->bufSize_;
  f->buf_ = NewBuffer(f->bufSize_);
  return f;
}

std::unique_ptr<ByteFile> ByteFile::CreateTemp(const std::string& name, TWriteFaults* faults) {
  if (name.empty()) return nullptr;
  std::string finalPath;
  int64_t keep = -1;
  bool replaces = false;
  if (!HostOutputTarget(name, finalPath, keep, replaces)) return nullptr;
  const std::string folder = HostFolderOf(finalPath);
  // One count for the process, so that threads writing beside each other
  // try different names first.
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string temp = HostTempName(folder, counter.fetch_add(1) + 1);
    HostHandle fd = NoHandle;
    bool exists = false;
    if (!HostCreateNew(temp, keep, fd, exists)) {
      if (exists) continue;
      return nullptr;
    }
    std::unique_ptr<ByteFile> f(new ByteFile());
    f->fd_ = fd;
    f->writing_ = true;
    f->name_ = name;
    f->finalPath_ = finalPath;
    f->tempName_ = temp;
    f->replaces_ = replaces;
    f->slot_ = HostWatchTemp(temp);
    f->faults_ = faults;
    f->buf_ = NewBuffer(f->bufSize_);
    return f;
  }
  return nullptr;
}

ByteFile::~ByteFile() {
  if (writing_) {
    Abandon();
  } else if (fd_ != NoHandle) {
    HostClose(fd_);  // a read-only handle; nothing to lose
  }
}

int64_t ByteFile::Fill(uint8_t* dst, int64_t n) {
  const int64_t r = HostReadAt(fd_, osPos_, dst, n);
  if (r < 0) SystemError("reading", name_);
  osPos_ += r;
  return r;
}

int64_t ByteFile::Read(void* dst, int64_t n) {
  assert(!writing_ && fd_ != NoHandle && n >= 0);
  auto* out = static_cast<uint8_t*>(dst);
  const int64_t cap = bufSize_;
  int64_t done = 0;
  while (done < n) {
    if (bufPos_ < bufEnd_) {
      const int64_t take = std::min(n - done, bufEnd_ - bufPos_);
      std::memcpy(out + done, buf_.get() + bufPos_, static_cast<size_t>(take));
      bufPos_ += take;
      done += take;
      continue;
    }
    // Large reads go straight into the caller's memory; the buffer is then
    // empty, since what it held no longer lies just before the position.
    if (n - done >= cap) {
      bufPos_ = bufEnd_ = 0;
      const int64_t r = Fill(out + done, n - done);
      if (r == 0) break;
      done += r;
      continue;
    }
    const int64_t r = Fill(buf_.get(), std::max(fill_, n - done));
    if (r == 0) break;
    bufPos_ = 0;
    bufEnd_ = r;
    fill_ = std::min(cap, 4 * fill_);  // reading on: larger steps
  }
  return done;
}

const uint8_t* ByteFile::View(int64_t n, int64_t ahead) {
  assert(!writing_ && fd_ != NoHandle && n >= 0 && ahead >= 0);
  const int64_t cap = bufSize_;
  const int64_t want = n + ahead;
  if (want > cap) return nullptr;
  if (bufEnd_ - bufPos_ < want) {
    // Keep what is left at the front and fill the rest.
    const int64_t left = bufEnd_ - bufPos_;
    std::memmove(buf_.get(), buf_.get() + bufPos_, static_cast<size_t>(left));
    bufPos_ = 0;
    bufEnd_ = left;
    while (bufEnd_ < want) {
      const int64_t r =
          Fill(buf_.get() + bufEnd_, std::min(cap - bufEnd_, std::max(fill_, want - bufEnd_)));
      if (r == 0) return nullptr;
      bufEnd_ += r;
    }
    fill_ = std::min(cap, 4 * fill_);
  }
  const uint8_t* p = buf_.get() + bufPos_;
  bufPos_ += n;
  return p;
}

const uint8_t* ByteFile::ReadRun(int64_t pos, int64_t n,
                                 const std::function<bool(const uint8_t*, int64_t)>& arrived) {
  assert(!writing_ && fd_ != NoHandle && pos >= 0 && n >= 0);
  if (n > runSize_) {
    std::string msg;
    if (!CheckedAlloc([&] { run_ = std::make_unique_for_overwrite<uint8_t[]>(n); }, msg))
      FatalError(msg);
    runSize_ = n;
  }
  // A run the buffer holds whole is handed out from there, uncopied.
  const int64_t bufStart = osPos_ - bufEnd_;
  if (pos >= bufStart && pos + n <= osPos_) {
    const uint8_t* held = buf_.get() + (pos - bufStart);
    return arrived(held, n) ? held : nullptr;
  }
  for (int64_t got = 0; got < n;) {
    const int64_t piece = std::min(n - got, kRunPiece);
    if (ReadAt(pos + got, run_.get() + got, piece) < piece) return nullptr;
    got += piece;
    if (!arrived(run_.get(), got)) return nullptr;
  }
  return run_.get();
}

void ByteFile::Skip(int64_t n) {
  assert(!writing_ && fd_ != NoHandle && n >= 0);
  const int64_t held = bufEnd_ - bufPos_;
  if (n <= held) {
    bufPos_ += n;
    return;
  }
  MoveTo(Position() + n);
  // A hop shorter than the buffer is a walk through the file (the records
  // of a large array): a whole buffer then holds many of the records to
  // come, where a small fill would cost a call for each.
  if (n - held < bufSize_) fill_ = bufSize_;
}

void ByteFile::Seek(int64_t pos) {
  assert(!writing_ && fd_ != NoHandle && pos >= 0);
  // Within the buffer nothing needs reading again.
  const int64_t bufStart = osPos_ - bufEnd_;
  if (pos >= bufStart && pos <= osPos_) {
    bufPos_ = pos - bufStart;
    return;
  }
  MoveTo(pos);
}

void ByteFile::MoveTo(int64_t pos) {
  // Reads are made at their offset, so moving costs no call; after a move
  // the next fill is small, since a reader that passes over data often
  // wants only a little before it moves on again.
  osPos_ = pos;
  bufPos_ = bufEnd_ = 0;
  fill_ = kFillAfterMove;
}

bool ByteFile::Identity(HostFileIdentity& id) const {
  return fd_ != NoHandle && HostHandleIdentity(fd_, id);
}

int64_t ByteFile::Position() const {
  return writing_ ? osPos_ + bufEnd_ : osPos_ - (bufEnd_ - bufPos_);
}

bool ByteFile::Write(const void* src, int64_t n) {
  assert(writing_ && n >= 0);
  if (failed_ || fd_ == NoHandle) return false;
  if (n == 0) return true;  // src may be null
  if (!CountTestBytes(n)) return false;
  const auto* in = static_cast<const uint8_t*>(src);
  const int64_t cap = bufSize_;
  // Longer runs go out from where they lie, sparing a copy into the buffer,
  // in calls of a buffer's worth: the kernel copies larger ones more slowly.
  if (n >= kDirectWriteMin) {
    if (!FlushBuffer()) return false;
    for (int64_t done = 0; done < n;) {
      const int64_t piece = std::min(n - done, ByteFileBufSize);
      if (!HostWriteAll(fd_, in + done, piece)) {
        failed_ = true;
        return false;
      }
      done += piece;
      osPos_ += piece;
      StartWriteback();
    }
    return true;
  }
  if (bufEnd_ + n > cap && !FlushBuffer()) return false;
  std::memcpy(buf_.get() + bufEnd_, in, static_cast<size_t>(n));
  bufEnd_ += n;
  return true;
}

bool ByteFile::WriteGather(const HostPiece* pieces, int n) {
  assert(writing_ && n >= 0);
  if (failed_ || fd_ == NoHandle) return false;
  int64_t total = 0;
  for (int i = 0; i < n; ++i) total += pieces[i].size;
  const auto oneByOne = [&] {
    for (int i = 0; i < n; ++i)
      if (!Write(pieces[i].data, pieces[i].size)) return false;
    return true;
  };
  // A few bytes cost less to copy than to hand over piece by piece.
  if (total < kDirectWriteMin) return oneByOne();
  if (!CountTestBytes(total)) return false;
  gather_.clear();
  if (bufEnd_ > 0) gather_.push_back({buf_.get(), bufEnd_});
  gather_.insert(gather_.end(), pieces, pieces + n);
  bool unsupported = false;
  if (!HostWriteGather(fd_, gather_.data(), static_cast<int>(gather_.size()), unsupported)) {
    if (!unsupported) {
      failed_ = true;
      return false;
    }
    // Counted once already: the pieces then go through Write uncounted.
    TWriteFaults* const faults = faults_;
    faults_ = nullptr;
    const bool ok = oneByOne();
    faults_ = faults;
    return ok;
  }
  osPos_ += bufEnd_ + total;
  bufEnd_ = 0;
  StartWriteback();
  return true;
}

bool ByteFile::CountTestBytes(int64_t n) {
  if (faults_ == nullptr || faults_->BytesLeft < 0) return true;
  if (n > faults_->BytesLeft) {
    faults_->BytesLeft = 0;
    failed_ = true;
    return false;
  }
  faults_->BytesLeft -= n;
  return true;
}

bool ByteFile::CopyFrom(ByteFile& src, int64_t pos, int64_t n, bool& srcShort) {
  assert(writing_ && !src.writing_ && pos >= 0 && n >= 0);
  srcShort = false;
  if (failed_ || fd_ == NoHandle) return false;
  if (n == 0) return true;
  if (!CountTestBytes(n)) return false;
  // Short runs go through the buffer: a system call of their own would cost
  // more than the copy.
  const int64_t page = 4096;
  if (n >= kKernelCopyMin && (pos - Position()) % page == 0) {
    if (!FlushBuffer()) return false;
    int64_t copied = 0;
    bool unsupported = false;
    if (HostCopyRange(src.fd_, pos, fd_, n, copied, unsupported)) {
      osPos_ += copied;
      srcShort = copied < n;
      StartWriteback();
      return !srcShort;
    }
    if (!unsupported) {
      failed_ = true;
      return false;
    }
  }
  const int64_t cap = bufSize_;
  while (n > 0) {
    if (bufEnd_ == cap && !FlushBuffer()) return false;
    const int64_t take = std::min(n, cap - bufEnd_);
    const int64_t got = src.ReadAt(pos, buf_.get() + bufEnd_, take);
    bufEnd_ += got;
    pos += got;
    n -= got;
    if (got < take) {
      srcShort = true;
      return false;
    }
  }
  return true;
}

int64_t ByteFile::ReadAt(int64_t pos, uint8_t* dst, int64_t n) {
  // From the buffer when it holds them all, else a short read through the
  // window, a long one straight from the file; the buffer and the position
  // stay as they are.
  const int64_t bufStart = osPos_ - bufEnd_;
  if (pos >= bufStart && pos + n <= osPos_) {
    std::memcpy(dst, buf_.get() + (pos - bufStart), static_cast<size_t>(n));
    return n;
  }
  // Bytes that end inside the buffer (values just read past, wanted again
  // at once) come from the file only up to where the buffer begins.
  const bool endHeld = pos < bufStart && pos + n > bufStart && pos + n <= osPos_;
  const int64_t fromFile = endHeld ? bufStart - pos : n;
  if (!endHeld && n <= kWindowedReadMax && ReadFromWindow(pos, dst, n)) return n;
  int64_t got = 0;
  while (got < fromFile) {
    const int64_t r = HostReadAt(fd_, pos + got, dst + got, fromFile - got);
    if (r < 0) SystemError("reading", name_);
    if (r == 0) return got;
    got += r;
  }
  if (endHeld) std::memcpy(dst + got, buf_.get(), static_cast<size_t>(n - got));
  return n;
}

bool ByteFile::ReadFromWindow(int64_t pos, uint8_t* dst, int64_t n) {
  // Short reads at offsets come one after another through a file (the
  // values of many small arrays): a call for each would cost more than the
  // bytes. The window is read ahead of them, and true means it held them
  // all; false leaves the reading to the caller.
  if (pos < windowStart_ || pos + n > windowEnd_) {
    if (window_ == nullptr) {
      std::string msg;
      if (!CheckedAlloc([&] { window_ = std::make_unique_for_overwrite<uint8_t[]>(bufSize_); }, msg))
        FatalError(msg);
    }
    // Reads that walk forward past the window get a larger one next.
    const bool forward = pos >= windowEnd_ && pos < windowEnd_ + windowFill_;
    windowFill_ = forward ? std::min(bufSize_, 4 * windowFill_) : kFirstWindow;
    const int64_t want = std::min(std::max(windowFill_, n), bufSize_);
    int64_t got = 0;
    while (got < want) {
      const int64_t r = HostReadAt(fd_, pos + got, window_.get() + got, want - got);
      if (r < 0) SystemError("reading", name_);
      if (r == 0) break;
      got += r;
    }
    windowStart_ = pos;
    windowEnd_ = pos + got;
    if (got < n) return false;
  }
  std::memcpy(dst, window_.get() + (pos - windowStart_), static_cast<size_t>(n));
  return true;
}

bool ByteFile::FlushBuffer() {
  if (failed_) return false;
  if (bufEnd_ == 0) return true;
  if (!HostWriteAll(fd_, buf_.get(), bufEnd_)) {
    failed_ = true;
    return false;
  }
  osPos_ += bufEnd_;
  bufEnd_ = 0;
  StartWriteback();
  return true;
}

void ByteFile::StartWriteback() {
  // Hand what is written to the disk while the rest is being made, so that
  // the sync in Finish waits only for the tail. A file that replaces none is
  // not synced, so nothing is hurried to the disk either.
  if (!replaces_ || osPos_ - writebackPos_ < kWritebackStep) return;
  HostStartWriteback(fd_, writebackPos_, osPos_ - writebackPos_);
  writebackPos_ = osPos_;
}

bool ByteFile::Finish() {
  assert(writing_);
  bool ok = fd_ != NoHandle && FlushBuffer();
  // Only a file that takes the place of another must be on the disk before
  // the rename: a crash then leaves either the old file or the new one.
  if (ok && replaces_) {
    const bool failSync = faults_ != nullptr && faults_->FailNextSync;
    if (failSync) faults_->FailNextSync = false;
    ok = !failSync && HostSync(fd_);
  }
  if (fd_ != NoHandle && !HostClose(fd_)) ok = false;
  fd_ = NoHandle;
  ok = ok && HostReplace(tempName_, finalPath_);
  if (!ok) {
    Release(true);
    return false;
  }
  // Make the rename itself durable; a folder that cannot be synced is no fault.
  if (replaces_) HostSyncFolder(HostFolderOf(finalPath_));
  Release(false);
  return true;
}

void ByteFile::Abandon() {
  assert(writing_);
  if (fd_ != NoHandle) HostClose(fd_);
  fd_ = NoHandle;
  Release(true);
}

void ByteFile::Release(bool unlinkTemp) {
  if (unlinkTemp && !tempName_.empty()) HostRemove(tempName_);
  HostUnwatchTemp(slot_);
  slot_ = -1;
  tempName_.clear();
  writing_ = false;
  bufEnd_ = bufPos_ = 0;
}

void ByteFile::Close() {
  assert(!writing_);
  if (fd_ == NoHandle) return;
  const HostHandle fd = fd_;
  fd_ = NoHandle;
  if (!HostClose(fd)) SystemError("closing", name_);
}

}  // namespace modrask
