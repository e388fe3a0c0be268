// Opening a file for harinfo and finding its headers: everything but the
// values of real and integer headers is read; those stay in the file until a
// command asks for them.
#pragma once

#include <iosfwd>
#include <string>
#include <string_view>

#include "modrask/har/harmodel.h"

namespace modrask::harinfo {

// Exit codes, as diff and cmp have them.
inline constexpr int ExitSame = 0;
inline constexpr int ExitDiffer = 1;
inline constexpr int ExitTrouble = 2;

// Prints "harinfo: " + text on its own line to `err` and returns ExitTrouble.
int Trouble(std::ostream& err, std::string_view text);

// Reads `fileName` into harData (nil on entry) with the values left in the
// file (names, descriptors, labels, character data and the shape of the
// value records are read and checked). Values that are not finite keep their
// stored bits, here and when TCellValues brings them in. False with the reader's message; then
// harData is nil.
bool OpenInfoFile(const std::string& fileName, PHarData& harData, std::string& msg);

// What is wrong with `fileName` in a person's words, for `msg` from a
// failed OpenInfoFile: "is a folder, not a file", "no such file", "the file
// is empty", "cannot be opened for reading", "not a Header Array file (" +
// the reader's fault + ")"; damage inside a Header Array file keeps the
// reader's message and tags as they are.
std::string PlainReadError(const std::string& fileName, const std::string& msg);

// The header named `name` (any case; the special headers XX.. included), or
// nil; nil too for a name longer than four characters. Owned by harData.
THeaderRec* FindInfoHeader(const THarData& harData, std::string_view name);

// The first string of a special header, trailing blanks dropped; empty when
// the header is missing.
std::string SpecialText(const THeaderRec* head);

// The header name as shown: trailing blanks dropped.
std::string ShownName(const THeaderRec& head);

}  // namespace modrask::harinfo
