// The names the cleanup works on: ZMD files and the extensions of their rebuildable
// products. Names are compared without regard to ASCII case, as the folders of the
// modelling suite's home platform do.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace modrask {

// The product extensions, in the order of deletion and of the usage text.
inline constexpr std::array<std::string_view, 13> ProductExts = {
    ".WUP", ".QOJ", ".JEB", ".VUX", ".KIB", ".DAV", ".HUK",
    ".GUV", ".SOG", ".YAL", ".ZOB", ".NUR", ".QAW"};

// The extension of a ZMD file.
inline constexpr std::string_view ZmdExt = ".zmd";

// Name with a-z turned into A-Z; other bytes are kept.
std::string UpperAscii(std::string_view Name);

// True when Name ends in ".zmd" in any case and has something before it. A longer
// extension that merely begins with zmd (".zmdx") does not count.
bool IsZmdName(std::string_view Name);

// The name of the product of ZmdName with extension Ext, in upper case, for matching
// against UpperAscii of the listed names. ZmdName must pass IsZmdName.
std::string ProductKey(std::string_view ZmdName, std::string_view Ext);

}  // namespace modrask
