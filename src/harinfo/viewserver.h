// harinfo view: the files opened, then served to a browser on this machine
// only, one request at a time through the request handling of viewapi.h.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace modrask::harinfo {

struct TViewOptions {
  std::vector<std::string> Files;  // FILE and, when given, OTHER
  int Port = 0;                    // 0: a free one
  bool OpenBrowser = true;
};

// Opens the files (a file that cannot be read is reported as the other
// commands report it, exit 2, before anything listens), listens on
// 127.0.0.1, prints the address with its token to `out` and serves until
// interrupted. Returns the exit code: 0 after an interrupt, 2 on trouble.
int RunView(const TViewOptions& options, std::ostream& out, std::ostream& err);

}  // namespace modrask::harinfo
