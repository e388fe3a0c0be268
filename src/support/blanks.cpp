#include "modrask/support/blanks.h"

namespace modrask {

std::string_view TrimTrailingBlanks(std::string_view s) {
  const size_t last = s.find_last_not_of(' ');
  return last == std::string_view::npos ? std::string_view() : s.substr(0, last + 1);
}

std::string_view TrimBlanks(std::string_view s) {
  const size_t first = s.find_first_not_of(' ');
  return first == std::string_view::npos ? std::string_view() : TrimTrailingBlanks(s.substr(first));
}

}  // namespace modrask
