// The rules for set and element names: at most 12 characters, first a letter,
// then letters, digits, "_" and "@".
#pragma once

#include <string>
#include <string_view>

namespace modrask {

// True for the characters of NameChars: 0-9, A-Z, a-z, "_" and "@".
bool IsNameChar(char c);

// True when `name` is legal; msg is cleared on success and holds the reason
// ("<what> must be at most <max> characters long", "<what> must not be
// blank", "<what> must start with a letter A-Z", "Illegal character "..).
bool CheckName(std::string_view name, int maxLen, std::string_view what, std::string& msg);
bool CheckSetName(std::string_view name, std::string& msg);      // "Set name", 12
bool CheckElementName(std::string_view name, std::string& msg);  // "Element name", 12

}  // namespace modrask
