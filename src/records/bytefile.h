// A buffered byte file: read-only for reading, or a temporary file beside its
// final name for writing, which takes that name only when finished.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "modrask/records/hostpiece.h"

namespace modrask {

struct HostFileIdentity;

// Failures a test injects into the files it writes, as a faulty disk would
// make them: given to the files through their writing options
// (TWriteOptions::Faults), shared by the files made with those options and
// by nothing else. The test owns it and keeps it alive while they are open.
struct TWriteFaults {
  // Bytes the files may still write between them; the write that would go
  // past this fails (and so does every later one, as BytesLeft is then 0).
  // -1: no failure.
  int64_t BytesLeft = -1;
  // The next sync in Finish (of a file that replaces another) fails.
  bool FailNextSync = false;
};

// The size of the write buffer, and of the read buffer of a file at least
// this large.
inline constexpr int64_t ByteFileBufSize = int64_t{1} << 20;

class ByteFile {
 public:
  // Opens an existing regular file read-only (O_RDONLY; on Windows
  // GENERIC_READ, others still free to read and write it). Null when it
  // cannot be opened or is a folder.
  static std::unique_ptr<ByteFile> OpenRead(const std::string& name);

  // Creates a new, empty temporary file in the folder of `name` (created with
  // O_EXCL, mode 0666 before the umask, or the mode of a file already at
  // `name`; on Windows CREATE_NEW). Nothing at `name` is touched. Null when it
  // cannot be created, and on Windows when `name` is a read-only file. While
  // it exists, SIGINT and SIGTERM (Ctrl+C and the other console events on
  // Windows) remove it before the process ends.
  // `faults` (null: none) stays the caller's and must outlive the file.
  static std::unique_ptr<ByteFile> CreateTemp(const std::string& name,
                                              TWriteFaults* faults = nullptr);

  // A file being read is closed; a file being written and not finished is
  // abandoned.
  ~ByteFile();
  ByteFile(const ByteFile&) = delete;
  ByteFile& operator=(const ByteFile&) = delete;

  // Reads up to n bytes into dst and returns how many arrived; fewer than n
  // only at the end of the file. An error the system reports ends the run.
  int64_t Read(void* dst, int64_t n);

  // Reads n bytes without copying them out: returns where they lie in this
  // file's buffer, valid until the buffer is next filled. The `ahead` bytes
  // after them are buffered too, so that reading them next leaves the view
  // valid. Null, with the position unchanged, when n + ahead is more than
  // the buffer holds or than is left in the file.
  const uint8_t* View(int64_t n, int64_t ahead = 0);

  // Reads the n bytes at `pos` whole into a buffer of the file's own, which
  // grows to the longest run asked for, in pieces: after each piece
  // `arrived` is called with the buffer and the bytes it holds so far (while
  // the newest are still in the processor's cache), and may stop the
  // reading by returning false. Returns the buffer, valid until the next run
  // is read or the file is next read; null when the file ends before
  // pos + n or `arrived` stopped. A run that the read buffer holds whole is
  // handed out from it, in one piece, without a copy. The read buffer and
  // the position are left as they were.
  const uint8_t* ReadRun(int64_t pos, int64_t n,
                         const std::function<bool(const uint8_t*, int64_t)>& arrived);

  // Moves n >= 0 bytes forward without reading; the position may pass the end.
  void Skip(int64_t n);

  // Moves to byte `pos` (>= 0) from the start, backwards too.
  void Seek(int64_t pos);

  // The current position, and the size the file had when it was opened.
  int64_t Position() const;
  int64_t SizeAtOpen() const { return sizeAtOpen_; }
  // The identity of the open file as the system has it now (fstat): false
  // when it cannot tell.
  bool Identity(HostFileIdentity& id) const;

  // Appends n bytes. False when the system reports a failure; after one,
  // every later write and Finish fail too.
  bool Write(const void* src, int64_t n);

  // Appends the n pieces one after another, as Write would each of them but
  // with one system call for many where the host gathers writes: what the
  // buffer holds goes out with them, so no piece is copied in user memory.
  // A few bytes in all are copied into the buffer instead. False as for
  // Write. The pieces need stay valid only during the call.
  bool WriteGather(const HostPiece* pieces, int n);

  // Appends the n bytes of `src` (a file being read) that begin at `pos`:
  // inside the kernel where the host can copy between files and the bytes
  // keep their place within a page (a copy that shifts them costs the kernel
  // more than reading and writing them), else through this file's buffer;
  // src's position is left anywhere. False when the
  // system reports a write failure (and then every later write fails too),
  // or with `srcShort` set when `src` ends before pos + n.
  bool CopyFrom(ByteFile& src, int64_t pos, int64_t n, bool& srcShort);

  // Flushes and closes the temporary file and renames it onto its name. When
  // that replaces a file that already exists (the name was taken when the
  // file was created), the data and then the rename are first made durable,
  // so that a crash can never cost the file that was there; a new name is
  // taken without waiting for the disk, as a copy would be. False on any
  // failure, and then the temporary file is removed. On Windows the rename
  // fails while the file at the name is open, even in this process.
  bool Finish();

  // True when a file stood at the name when this one was created.
  bool Replaces() const { return replaces_; }

  // Closes and removes the temporary file; the name keeps what it had.
  void Abandon();

  // Closes a file being read. An error the system reports ends the run.
  void Close();

  bool IsWriting() const { return writing_; }
  // The name the file was opened or will be finished under.
  const std::string& Name() const { return name_; }
  // The temporary file's path while writing, else empty.
  const std::string& TempName() const { return tempName_; }

 private:
  ByteFile() = default;
  bool FlushBuffer();
  void StartWriteback();
  bool CountTestBytes(int64_t n);
  int64_t Fill(uint8_t* dst, int64_t n);
  int64_t ReadAt(int64_t pos, uint8_t* dst, int64_t n);
  void MoveTo(int64_t pos);

  // Written data is handed to the disk in steps of this many bytes.
  static constexpr int64_t kWritebackStep = int64_t{16} << 20;
  // The read buffer of a file smaller than ByteFileBufSize holds the file,
  // but never less than this.
  static constexpr int64_t kSmallestBuffer = 4096;
  // ReadRun reads in pieces of this many bytes.
  static constexpr int64_t kRunPiece = int64_t{256} << 10;
  // Writes of at least this many bytes go out from the caller's memory.
  static constexpr int64_t kDirectWriteMin = int64_t{64} << 10;
  // Copies of at least this many bytes are made inside the kernel.
  static constexpr int64_t kKernelCopyMin = int64_t{256} << 10;
  // The first fill of the read buffer after a move; each further fill is
  // four times larger, up to the whole buffer.
  static constexpr int64_t kFillAfterMove = int64_t{512};
  // Reads at an offset of at most this many bytes are served from a window
  // read ahead of them, which starts at kFirstWindow bytes and grows four
  // times while the reads walk forward, up to the size of the read buffer.
  static constexpr int64_t kWindowedReadMax = int64_t{64} << 10;
  static constexpr int64_t kFirstWindow = int64_t{64} << 10;
  bool ReadFromWindow(int64_t pos, uint8_t* dst, int64_t n);
  void Release(bool unlinkTemp);

  intptr_t fd_ = -1;  // a HostHandle (records/hostfile.h)
  bool writing_ = false;
  bool failed_ = false;
  bool replaces_ = false;
  int slot_ = -1;  // in the interruption registry
  TWriteFaults* faults_ = nullptr;
  std::string name_;
  std::string finalPath_;  // name_, or the file a symbolic link at name_ points to
  std::string tempName_;
  std::unique_ptr<uint8_t[]> buf_;  // bufSize_ bytes, not cleared
  int64_t bufSize_ = ByteFileBufSize;
  std::vector<HostPiece> gather_;    // WriteGather's pieces with the buffer's in front
  std::unique_ptr<uint8_t[]> run_;  // ReadRun's buffer, not cleared
  int64_t runSize_ = 0;
  std::unique_ptr<uint8_t[]> window_;  // bufSize_ bytes once needed, not cleared
  int64_t windowStart_ = 0;            // the file offset of window_[0]
  int64_t windowEnd_ = 0;              // and of the byte after those it holds
  int64_t windowFill_ = kFirstWindow;  // bytes asked for by the next window
  int64_t bufPos_ = 0;              // next unread byte (reading)
  int64_t bufEnd_ = 0;              // bytes held (reading) or pending (writing)
  int64_t osPos_ = 0;               // reading: the next byte to fill from; writing:
                                    // the system's position in the file
  int64_t fill_ = ByteFileBufSize;  // reading: bytes asked for by the next fill
  int64_t writebackPos_ = 0;        // written data before this is on its way to disk
  int64_t sizeAtOpen_ = 0;
};
}  // namespace modrask
