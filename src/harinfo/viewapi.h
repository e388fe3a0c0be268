// The viewer's requests, from the request target and the Host header to a
// status and an answer: the page, and JSON about the files given on the
// command line. No socket here, so that tests and the fuzz target drive it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "harinfo/cellvalues.h"
#include "modrask/har/harmodel.h"

namespace modrask::harinfo {

// One file served: read as harinfo reads it, with the values of one header
// at a time brought into memory.
struct TViewFile {
  std::string Name;
  PHarData Data;
  uintmax_t Size = 0;
  std::filesystem::file_time_type Time;
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

  // True when a file served is no longer as it was opened (size or time of
  // its last change), or is gone.
  bool Changed() const;

  // The values of `head` of file i, loaded on first use; the values of the
  // header loaded before are released. Nil with the reader's message.
  const TCellValues* Values(size_t i, THeaderRec* head, std::string& msg);

  // Releases the values loaded for file i: before another reader brings
  // them in and releases them itself (CSV, the comparison).
  void Forget(size_t i);

  // The comparison of the two files as JSON text, made on first use. False
  // with the reader's message.
  bool CompareJson(std::string& json, std::string& msg);

 private:
  std::vector<TViewFile> files_;
  std::string token_;
  uint16_t port_ = 0;
  std::string compare_;
};

struct TViewAnswer {
  int Status = 200;
  std::string ContentType;
  std::string Body;
  // For a download: the name offered for saving.
  std::string Attachment;
};

// The largest header the page downloads as CSV: its text is built in
// memory (some 30 bytes a cell), where harinfo csv streams it.
inline constexpr int64_t MaxCsvCells = 1'000'000;

// A new token: 32 hexadecimal digits from the system's random source.
std::string NewViewToken();

// Answers a GET of `target` (path and query) that came with Host `host`.
// A foreign Host, or a missing or wrong token, gets 403 and nothing else;
// bad parameters get 4xx with {"error": text}.
TViewAnswer AnswerView(TViewSession& session, std::string_view target, std::string_view host);

}  // namespace modrask::harinfo
