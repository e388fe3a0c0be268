// The viewer's requests, from the request target and the Host header to a
// status and an answer: the page, and JSON about the files given on the
// command line. No socket here, so that tests and the fuzz target drive it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "harinfo/viewsession.h"

namespace modrask::harinfo {

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
