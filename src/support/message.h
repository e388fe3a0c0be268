// The message convention: an operation that can fail returns false and leaves
// its reason in a message string, its last argument. The innermost check
// assigns the text once; each caller on the way out appends its own tag.
#pragma once

#include <string>
#include <string_view>

namespace modrask {

// Assigns `text` to `msg` (replacing it) and returns false.
inline bool Fail(std::string& msg, std::string_view text) {
  msg.assign(text);
  return false;
}

// Appends " [tag]" to `msg` and returns false. Tags are names users see.
inline bool Tagged(std::string& msg, std::string_view tag) {
  msg.append(" [").append(tag).append("]");
  return false;
}

// Appends "[tag]" without a blank, as the set operations tag their messages.
inline bool TaggedTight(std::string& msg, std::string_view tag) {
  msg.append("[").append(tag).append("]");
  return false;
}

// A message for a cleanup whose message is not wanted, so that the message
// explaining an earlier failure survives: `FreeMat7(m, TUnwantedMsg())`.
// Each one is a string of its own, dropped at the end of the statement.
struct TUnwantedMsg {
  std::string text;
  operator std::string&() { return text; }  // NOLINT: binds the out argument
};

}  // namespace modrask
