#include "harinfo/viewquery.h"

#include <charconv>

namespace modrask::harinfo {

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Percent-decodes `s` ('+' is a blank). False on a broken escape.
bool Decoded(std::string_view s, std::string& out) {
  out.clear();
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '+') {
      out += ' ';
    } else if (s[i] != '%') {
      out += s[i];
    } else {
      if (i + 2 >= s.size()) return false;
      const int hi = HexDigit(s[i + 1]);
      const int lo = HexDigit(s[i + 2]);
      if (hi < 0 || lo < 0) return false;
      out += static_cast<char>(hi * 16 + lo);
      i += 2;
    }
  }
  return true;
}

}  // namespace

bool ParseQuery(std::string_view query, TQuery& q) {
  while (!query.empty()) {
    const size_t amp = query.find('&');
    const std::string_view pair = query.substr(0, amp);
    query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
    if (pair.empty()) continue;
    const size_t eq = pair.find('=');
    std::string key;
    std::string value;
    if (!Decoded(pair.substr(0, eq), key)) return false;
    if (eq != std::string_view::npos && !Decoded(pair.substr(eq + 1), value)) return false;
    if (!q.emplace(std::move(key), std::move(value)).second) return false;
  }
  return true;
}

bool HasToken(std::string_view query, std::string_view token) {
  int found = 0;
  while (!query.empty()) {
    const size_t amp = query.find('&');
    const std::string_view pair = query.substr(0, amp);
    query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
    if (pair.substr(0, 6) == "token=") {
      if (!SameToken(pair.substr(6), token)) return false;
      ++found;
    }
  }
  return found == 1;
}

bool Number(std::string_view s, int64_t min, int64_t max, int64_t& v) {
  const auto res = std::from_chars(s.data(), s.data() + s.size(), v);
  return res.ec == std::errc() && res.ptr == s.data() + s.size() && !s.empty() && v >= min &&
         v <= max;
}

bool SameToken(std::string_view a, std::string_view b) {
  if (a.size() != b.size() || a.empty()) return false;
  unsigned diff = 0;
  for (size_t i = 0; i < a.size(); ++i) diff |= static_cast<unsigned char>(a[i] ^ b[i]);
  return diff == 0;
}

bool HostAllowed(std::string_view host, uint16_t port) {
  const std::string p = ":" + std::to_string(port);
  return host == "127.0.0.1" + p || host == "localhost" + p;
}

}  // namespace modrask::harinfo
