// The files harinfo view serves: opened once, the values of one header per
// file held at a time, the comparison made on first use, and a check that
// the files on disk are still those that were opened.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "harinfo/cellvalues.h"
#include "harinfo/diffoptions.h"
#include "modrask/har/harmodel.h"
#include "modrask/records/hostfile.h"

namespace modrask::harinfo {

// One file served: read as harinfo reads it, with the values of one header
// at a time brought into memory, always through the descriptor the reading
// opened (the headers share it), never by the name again.
struct TViewFile {
  std::string Name;
  PHarData Data;
  // The descriptor the values are read through; nil when no header left
  // values in the file.
  std::shared_ptr<TRecFile> Open;
  // The file as it was when read: of the descriptor, and of the name.
  HostFileIdentity Identity;
  const THeaderRec* CachedHead = nullptr;
  std::unique_ptr<TCellValues> Cached;
};

class TViewSession {
 public:
  TViewSession() = default;
  TViewSession(const TViewSession&) = delete;
  TViewSession& operator=(const TViewSession&) = delete;

  // Opens FILE and, when given, OTHER, the file it is compared with. False
  // with "NAME: " and the reader's message.
  bool Open(const std::vector<std::string>& names, std::string& msg);

  // The token every request must carry, and the port the Host header must
  // name.
  void Admit(std::string token, uint16_t port);

  size_t FileCount() const { return files_.size(); }
  TViewFile& File(size_t i) { return files_[i]; }
  const std::string& Token() const { return token_; }
  uint16_t Port() const { return port_; }

  // The name of the first file served that is no longer as it was read:
  // its descriptor (fstat) or its name (stat) tells another size, inode,
  // device, data or status change time, or the name is gone. Empty when
  // none is.
  std::string ChangedFile() const;

  // Reads the files again from their names, in place of those held (the
  // token, the port and the addresses the page uses stay). False with the
  // reader's message, and then the files held stay as they were.
  bool Reload(std::string& msg);

  // The values of `head` of file i, loaded on first use; the values of the
  // header loaded before are released. Nil with the reader's message.
  const TCellValues* Values(size_t i, THeaderRec* head, std::string& msg);

  // Releases the values loaded for file i: before another reader brings
  // them in and releases them itself (CSV, the comparison).
  void Forget(size_t i);

  // The comparison of the two files as JSON text under `options` (no sink),
  // made on first use for those options. False with the reader's message.
  bool CompareJson(const TDiffOptions& options, std::string& json, std::string& msg);

 private:
  std::vector<TViewFile> files_;
  std::string token_;
  uint16_t port_ = 0;
  std::string compare_;
  double compareAbs_ = -1;  // the tolerances compare_ was made under
  double compareRel_ = -1;
};

}  // namespace modrask::harinfo
