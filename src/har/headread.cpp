// Reading one header up to its data records: the name, the descriptor and,
// for "RE", the labels; then completing the derived fields.
#include "modrask/har/headread.h"

#include "modrask/har/descriptor.h"
#include "modrask/har/relabels.h"
#include "modrask/records/recbuf.h"
#include "modrask/support/blanks.h"

namespace modrask {

namespace {

constexpr char CrLf[] = "\r\n";

void SetMatrixDims(THeaderRec& h) {
  for (int i = 1; i <= 7; ++i) h.Dims[i] = 1;
  h.OrigNDim = 1;
  if (h.NRows != 1 && h.NCols != 1) {
    h.OrigNDim = 2;
    h.Dims[7] = h.NRows;
    h.Dims[6] = h.NCols;
  } else if (h.NCols != 1) {
    h.Dims[7] = h.NCols;
  } else if (h.NRows != 1) {
    h.Dims[7] = h.NRows;
  }
}

// Fills head from its descriptor integers and reads the labels of "RE".
bool FillFromDescriptor(TRecFile& f, THeaderRec& h, const TDescInts& ints, TFileFlavour flavour,
                        std::string& msg) {
  if (h.HeadType == "1C") {
    h.OrigNDim = 1;
    h.NStrings = ints[2];
    h.LenString = ints[3];
  } else if (h.HeadType == "RL" || h.HeadType == "RE") {
    for (int j = 1; j <= 7; ++j) h.Dims[j] = ints[9 - j];
    if (!FindNDim(h.Dims, h.OrigNDim, msg)) return false;
    if (h.HeadType == "RE" &&
        !GetREData(f, h.REDetails, h.OrigNDim, h.Dims, h.SetElements, h.SetNames, flavour, msg))
      return false;
  } else if (h.HeadType == "2I" || h.HeadType == "2R") {
    h.NRows = ints[2];
    h.NCols = ints[3];
  }
  return true;
}

}  // namespace

bool FindNDim(const TDims7& dims, int32_t& nDim, std::string& msg) {
  for (int i = 1; i <= 7; ++i) {
    if (dims[i] < 0) return Fail(msg, "Dimension < 0 [FindNDim]");
    if (dims[i] > 1 || dims[i] == 0 || i == 7) {
      nDim = 8 - i;
      return true;
    }
  }
  return true;  // not reached: i = 7 always decides
}

std::string CleanLongName(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    const auto code = static_cast<unsigned char>(c);
    if (code < 32 || code > 126) c = ' ';
  }
  return std::string(TrimBlanks(out));
}

bool CompleteHeaderRecord(THeaderRec* head, std::string& msg) {
  if (NilPtrError(head, msg)) return Tagged(msg, "CompleteHeaderRecord");
  THeaderRec& h = *head;
  h.Name = NormHeadName(h.Name);
  h.LongName = CleanLongName(h.LongName).substr(0, LongNameLen);
  if (h.HeadType == "RL" && !TurnRLtoRE(head, msg)) return Tagged(msg, "CompleteHeaderRecord");
  if (h.HeadType == "1C") {
    h.OrigNDim = 1;
  } else if (h.HeadType == "RE") {
    if (h.LongName.empty()) h.LongName = h.REDetails.ArrayName.substr(0, LongNameLen);
    if (h.LongName == "?") h.LongName = " ";
  } else if (h.HeadType == "2I" || h.HeadType == "2R") {
    SetMatrixDims(h);
  }
  return true;
}

bool GetHeaderDetails(TRecFile& f, const std::string& headName, TFileFlavour flavour, bool& gotDesc,
                      std::string& msg, THeaderRec* head) {
  if (head == nullptr) {
    msg = "At header " + headName + CrLf + "Unexpected Nil Pointer";
    return Tagged(msg, "GetHeaderDetails");
  }
  gotDesc = false;
  msg.clear();
  *head = THeaderRec{};
  TDescInts ints{};
  head->Name = headName.substr(0, HeadNameLen);
  for (int i = 1; i <= 7; ++i) head->Dims[i] = 1;
  if (!GetDesc(f, head->HeadType, head->StorageMethod, head->LongName, ints, flavour, msg)) {
    Tagged(msg, "GetHeaderDetails");
    return true;  // the caller decides what an unreadable descriptor means
  }
  gotDesc = true;
  head->FileType = head->HeadType;
  if (!FillFromDescriptor(f, *head, ints, flavour, msg) || !CompleteHeaderRecord(head, msg)) {
    msg = "At header " + headName + CrLf + msg;
    return Tagged(msg, "GetHeaderDetails");
  }
  return true;
}

bool GetHeaderRecord(TRecFile& f, bool& found, bool& skipped, TFileFlavour flavour, bool skipBad,
                     std::string& msg, THeaderRec* head) {
  skipped = false;
  for (;;) {
    found = false;
    msg.clear();
    if (NilPtrError(head, msg)) return Tagged(msg, "GetHeaderRecord");
    std::string headName;
    bool gotName = false;
    if (!GetHead(f, headName, gotName, flavour, msg)) return Tagged(msg, "GetHeaderRecord");
    if (!gotName) return true;
    bool gotDesc = false;
    if (!GetHeaderDetails(f, headName, flavour, gotDesc, msg, head)) {
      if (!skipBad) return Tagged(msg, "GetHeaderRecord");
      gotDesc = false;
    }
    if (gotDesc) {
      found = true;
      return true;
    }
    skipped = true;
    if (!skipBad) {
      msg = "Bad details at header \"" + headName + "\"" + CrLf + msg;
      return Tagged(msg, "GetHeaderRecord");
    }
  }
}

}  // namespace modrask
