// The set and element name rules.
#include "modrask/support/names.h"

#include <string>

namespace modrask {

bool IsNameChar(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' ||
         c == '@';
}

bool CheckName(std::string_view name, int maxLen, std::string_view what, std::string& msg) {
  msg.clear();
  // Length first: a name of 13 blanks is too long, not illegal.
  if (name.size() > static_cast<size_t>(maxLen < 0 ? 0 : maxLen)) {
    msg.append(what)
        .append(" must be at most ")
        .append(std::to_string(maxLen))
        .append(" characters long");
    return false;
  }
  if (name.empty()) {
    msg.append(what).append(" must not be blank");
    return false;
  }
  const char first = name.front();
  if (!((first >= 'A' && first <= 'Z') || (first >= 'a' && first <= 'z'))) {
    msg.append(what).append(" must start with a letter A-Z");
    return false;
  }
  for (const char c : name) {
    if (!IsNameChar(c)) {
      msg.append("Illegal character \"").append(1, c).append("\" in ").append(what);
      return false;
    }
  }
  return true;
}

bool CheckSetName(std::string_view name, std::string& msg) {
  return CheckName(name, 12, "Set name", msg);
}

bool CheckElementName(std::string_view name, std::string& msg) {
  return CheckName(name, 12, "Element name", msg);
}

}  // namespace modrask
