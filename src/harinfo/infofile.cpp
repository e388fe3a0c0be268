#include "harinfo/infofile.h"

#include <filesystem>
#include <fstream>
#include <ostream>

#include "modrask/har/harread.h"
#include "modrask/har/realread.h"
#include "modrask/records/recbuf.h"
#include "modrask/support/blanks.h"
#include "harinfo/dimlabels.h"

namespace modrask::harinfo {

int Trouble(std::ostream& err, std::string_view text) {
  err << "harinfo: " << text << '\n';
  return ExitTrouble;
}

bool OpenInfoFile(const std::string& fileName, PHarData& harData, std::string& msg) {
  bool skippedAny = false;
  TReadOptions stored;
  stored.KeepNonFinite = true;  // show what the file holds, not the mark
  return ReadHarFile(fileName, harData, false, false, TValueReading::Skip, stored, skippedAny, msg);
}

std::string PlainReadError(const std::string& fileName, const std::string& msg) {
  std::error_code ec;
  const std::filesystem::file_status st = std::filesystem::status(fileName, ec);
  if (std::filesystem::is_directory(st)) return "is a folder, not a file";
  if (!std::filesystem::exists(st)) return "no such file";
  if (std::filesystem::is_regular_file(st) && std::filesystem::file_size(fileName, ec) == 0 && !ec)
    return "the file is empty";
  if (!std::ifstream(fileName, std::ios::binary)) return "cannot be opened for reading";
  // Detection found no record framing: the bytes are something else.
  if (msg.find(" [IsWhichLaheyFile]") != std::string::npos)
    return "not a Header Array file (" + msg.substr(0, msg.find(" [")) + ")";
  return msg;
}

THeaderRec* FindInfoHeader(const THarData& harData, std::string_view name) {
  // A name longer than a header name is no header, not a cut one.
  if (TrimTrailingBlanks(name).size() > static_cast<size_t>(LenHead)) return nullptr;
  const std::string wanted = NormHeadName(name);
  for (const PHeaderRec& h : harData.Heads) {
    if (h != nullptr && h->Name == wanted) return h.get();
  }
  for (const PHeaderRec* slot :
       {&harData.XXCDHead, &harData.XXCRHead, &harData.XXCPHead, &harData.XXHSHead}) {
    if (*slot != nullptr && (*slot)->Name == wanted) return slot->get();
  }
  return nullptr;
}

std::string SpecialText(const THeaderRec* head) {
  if (head == nullptr || head->StringRec == nullptr || head->StringRec->size() < 2) return {};
  return TrimmedString((*head->StringRec)[1]);
}

std::string ShownName(const THeaderRec& head) {
  return TrimmedString(head.Name);
}

}  // namespace modrask::harinfo
