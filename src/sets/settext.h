// Text helpers of the set operations: ASCII upper case and trimming.
#pragma once

#include <string>
#include <string_view>

namespace modrask {

// s with a-z turned into A-Z; every other byte stays as it is.
inline std::string UpperAscii(std::string_view s) {
  std::string r(s);
  for (char& c : r) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return r;
}

// s without leading and trailing blanks and control characters (codes 0-32).
inline std::string_view TrimBlankCtl(std::string_view s) {
  auto isOuter = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  size_t b = 0;
  size_t e = s.size();
  while (b < e && isOuter(s[b])) ++b;
  while (e > b && isOuter(s[e - 1])) --e;
  return s.substr(b, e - b);
}

}  // namespace modrask
