// Names and strings in these files are padded with blanks to their field's
// width; these drop the padding.
#pragma once

#include <string_view>

namespace modrask {

// `s` without its trailing blanks.
std::string_view TrimTrailingBlanks(std::string_view s);

// `s` without its leading and trailing blanks.
std::string_view TrimBlanks(std::string_view s);

}  // namespace modrask
