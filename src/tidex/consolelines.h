// Standard output of Tidex: on Windows every line
// ends with CR LF, as Windows console programs do.
#pragma once

#include <ostream>
#include <streambuf>

namespace modrask {

// A stream buffer in front of `sink` that ends every line with CR LF: a line
// feed gets a carriage return before it unless one is already there, so a
// CR LF inside a message is passed as it stands, never doubled. It holds
// nothing itself; `sink` must outlive it.
class TLineEndBuf final : public std::streambuf {
 public:
  explicit TLineEndBuf(std::streambuf* sink) : sink_(sink) {}
  TLineEndBuf(const TLineEndBuf&) = delete;
  TLineEndBuf& operator=(const TLineEndBuf&) = delete;

 protected:
  int_type overflow(int_type c) override;
  std::streamsize xsputn(const char* s, std::streamsize n) override;
  int sync() override;

 private:
  std::streambuf* sink_;
  bool afterCr_ = false;  // the last character passed on was a CR
};

// The stream for standard output: std::cout elsewhere; on Windows standard
// output in binary mode behind a TLineEndBuf.
std::ostream& ConsoleOut();

}  // namespace modrask
