// The special headers a written file carries, and the growth of its history.
#include "modrask/har/history.h"

#include "modrask/har/chars1c.h"
#include "modrask/support/message.h"

namespace modrask {
namespace {

constexpr char VersionStamp[] = "HARFILE 09/Dec/2026";

// Tested in this order: compilers that imitate another define its macros too.
#if defined(__INTEL_LLVM_COMPILER) || defined(__INTEL_COMPILER)
constexpr char Compiler[] = "INTEL";
#elif defined(__clang__)
constexpr char Compiler[] = "CLANG";
#elif defined(_MSC_VER)
constexpr char Compiler[] = "MSVC";
#elif defined(__GNUC__)
constexpr char Compiler[] = "GCC";
#else
constexpr char Compiler[] = "OTHER";
#endif
static_assert(sizeof Compiler - 1 <= 6);

constexpr int32_t DateLen = 70;
constexpr int32_t CompilerLen = 6;
constexpr size_t HistIndent = 3;

bool IsTrimmed(char ch) {
  const auto c = static_cast<unsigned char>(ch);
  return c <= ' ' || c == 127;
}

bool IsSeparator(char c) {
  return c == ' ' || c == ',' || c == '\\';
}

}  // namespace

std::string LibraryVersionStamp() {
  return VersionStamp;
}
std::string CompilerWord() {
  return Compiler;
}

bool SetCreationDateHeader(THarData* harData, std::string_view dateText, std::string& msg) {
  if (NilPtrError(harData, msg)) return Tagged(msg, "SetCreationDateHeader");
  PStrVec v;
  if (!AllocPStrVec(v, 1, msg)) return Tagged(msg, "SetCreationDateHeader");
  (*v)[1].assign("at ").append(dateText);
  if (!Create1C(harData->XXCDHead, "XXCD", "Creation Date and Time", v, 1, DateLen, msg)) {
    return Tagged(msg, "SetCreationDateHeader");
  }
  return true;
}

bool SetCreatingProgHeader(THarData* harData, std::string_view progName, std::string& msg) {
  if (NilPtrError(harData, msg)) return Tagged(msg, "SetCreatingProgHeader");
  PStrVec v;
  if (!AllocPStrVec(v, 2, msg)) return Tagged(msg, "SetCreatingProgHeader");
  (*v)[1].assign(progName);
  (*v)[2].assign(VersionStamp);
  if (!Create1C(harData->XXCRHead, "XXCR", "Creating Program", v, 2, DateLen, msg)) {
    return Tagged(msg, "SetCreatingProgHeader");
  }
  if (!AllocPStrVec(v, 1, msg)) return Tagged(msg, "SetCreatingProgHeader");
  (*v)[1].assign(Compiler);
  if (!Create1C(harData->XXCPHead, "XXCP", "compiler used to make WUP which created this file", v,
                1, CompilerLen, msg)) {
    return Tagged(msg, "SetCreatingProgHeader");
  }
  return true;
}

bool CreateHistoryHeader(THarData* harData, std::string& msg) {
  if (NilPtrError(harData, msg)) return Tagged(msg, "CreateHistoryHeader");
  if (harData->XXHSHead != nullptr) return true;
  PStrVec v;
  if (!AllocPStrVec(v, 1, msg)) return Tagged(msg, "CreateHistoryHeader");
  (*v)[1].assign("no previous history");
  if (!Create1C(harData->XXHSHead, "XXHS", "File History", v, 1, HistLineLen, msg)) {
    return Tagged(msg, "CreateHistoryHeader");
  }
  return true;
}

bool AddHistLine(THeaderRec* head, std::string_view line, std::string& msg) {
  if (head == nullptr) return Tagged(msg = "UnExpected nil header", "AddHistLine");
  if (head->StringRec == nullptr) return Tagged(msg = "StringRec=nil", "AddHistLine");
  size_t first = 0;
  size_t last = line.size();
  while (first < last && IsTrimmed(line[first])) ++first;
  while (last > first && IsTrimmed(line[last - 1])) --last;
  const std::string_view text = line.substr(first, last - first);
  constexpr size_t width = HistLineLen;
  // Each piece is the indentation (continuations only) and text[pos..pos+take).
  size_t pos = 0;
  size_t indent = 0;
  std::string piece;
  while (pos < text.size()) {
    size_t take = text.size() - pos;
    if (indent + take > width) {
      // The last separator within the width, not among the indentation blanks.
      size_t cut = width;
      for (size_t p = width; p > indent; --p) {
        if (IsSeparator(text[pos + p - 1 - indent])) {
          cut = p;
          break;
        }
      }
      take = cut - indent;
    }
    piece.assign(indent, ' ').append(text.substr(pos, take));
    if (!AddToPStrVec(head->StringRec, piece, head->NStrings, msg))
      return Tagged(msg, "AddHistLine");
    ++head->NStrings;
    pos += take;
    indent = HistIndent;
  }
  return true;
}

bool AddHistoryLines(THarData* harData, const std::vector<std::string>& lines, std::string& msg) {
  if (!CreateHistoryHeader(harData, msg)) return Tagged(msg, "AddHistoryLines");
  for (const std::string& line : lines) {
    if (!AddHistLine(harData->XXHSHead.get(), line, msg)) return Tagged(msg, "AddHistoryLines");
  }
  return true;
}

}  // namespace modrask
