#include "modrask/support/consolelines.h"

namespace modrask {

TCrLfBuf::int_type TCrLfBuf::overflow(int_type c) {
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  const char ch = traits_type::to_char_type(c);
  if (ch == '\n' && !afterCr_ && traits_type::eq_int_type(sink_->sputc('\r'), traits_type::eof())) {
    return traits_type::eof();
  }
  afterCr_ = ch == '\r';
  return sink_->sputc(ch);
}

std::streamsize TCrLfBuf::xsputn(const char* s, std::streamsize n) {
  std::streamsize done = 0;
  while (done < n) {
    // Pass the run up to the next line feed in one piece.
    std::streamsize run = 0;
    while (done + run < n && s[done + run] != '\n') ++run;
    if (run > 0) {
      const std::streamsize put = sink_->sputn(s + done, run);
      if (put > 0) afterCr_ = s[done + put - 1] == '\r';
      done += put;
      if (put < run) return done;
    }
    if (done < n) {
      if (traits_type::eq_int_type(overflow('\n'), traits_type::eof())) return done;
      ++done;
    }
  }
  return done;
}

int TCrLfBuf::sync() {
  return sink_->pubsync();
}

}  // namespace modrask
