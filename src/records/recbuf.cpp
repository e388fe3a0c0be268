#include "records/recbuf.h"

#include <algorithm>
#include <cassert>
#include <climits>

#include "records/bytefile.h"
#include "support/coding.h"
#include "support/message.h"

namespace modrask {
namespace {

constexpr char kNoSpace[] = "cannot write to disk (probably no space)";

// The longest data length a record of `flavour` can carry: an Old Lahey
// trailing marker holds the length plus the leading marker's size.
constexpr int64_t MaxRecLen(TFileFlavour flavour) {
  return flavour == TFileFlavour::OldLahey ? int64_t{MaxLaheyLen} - 4 : int64_t{INT32_MAX};
}
static_assert(MaxRecLen(TFileFlavour::OldLahey) + 3 + 1 == MaxLaheyLen);

bool CheckRecLen(int64_t len, TFileFlavour flavour, std::string& msg) {
  if (len < 0) return Fail(msg, "Negative record length: " + std::to_string(len));
  if (len > MaxRecLen(flavour)) {
    return Fail(msg, std::string("Record too long for ") + FlavourName(flavour) +
                         " framing: " + std::to_string(len));
  }
  return true;
}

// The marker bytes before and after `len` data bytes, which CheckRecLen has
// passed. Returns the leading marker's size; the trailing one's is `trailSize`.
int BuildMarkers(int32_t len, TFileFlavour flavour, uint8_t lead[4], uint8_t trail[4],
                 int& trailSize) {
  if (flavour == TFileFlavour::NewFujitsu) {
    EncodeInt32(lead, len);
    EncodeInt32(trail, len);
    trailSize = 4;
    return 4;
  }
  int nExtra = 0;
  EncodeLaheyLen(len, lead, nExtra);
  uint8_t enc[4];
  int nExtraTrail = 0;
  EncodeLaheyLen(len + nExtra + 1, enc, nExtraTrail);
  trailSize = nExtraTrail + 1;
  for (int i = 0; i < trailSize; ++i) trail[i] = enc[trailSize - 1 - i];
  return nExtra + 1;
}

// Moves the file forward past `n` bytes; false when that passes the end of
// the file.
bool SkipWithin(TRecFile& f, int64_t n) {
  SkipBytes(f, n);
  return f.File->Position() <= f.File->SizeAtOpen();
}

}  // namespace

bool GetLaheyRecA(TRecFile& f, uint8_t* buf, int32_t& recLen, TFileFlavour flavour, bool& atEof,
                  std::string& msg) {
  int32_t recLenCheck = 0;
  const bool ok = flavour == TFileFlavour::NewFujitsu
                      ? FujiGetRecLen(f, recLen, atEof, msg)
                      : GetRecLenA(f, recLen, recLenCheck, atEof, msg);
  if (!ok) return Tagged(msg, "GetLaheyRecA");
  if (atEof) return true;
  if (recLen > MaxHarBuf) return Fail(msg, "File record too long") || Tagged(msg, "GetLaheyRecA");
  if (!FileRead(f, buf, recLen, msg)) return Tagged(msg, "GetLaheyRecA");
  const bool checked = flavour == TFileFlavour::NewFujitsu ? FujiChkRecLen(f, recLen, msg)
                                                           : ChkRecLen(f, recLenCheck, msg);
  if (!checked) return Tagged(msg, "GetLaheyRecA");
  return true;
}

bool GetNextRec(TRecFile& f, uint8_t* buf, int32_t& recLen, TFileFlavour flavour,
                std::string& msg) {
  bool atEof = false;
  return GetLaheyRecA(f, buf, recLen, flavour, atEof, msg) && !atEof;
}

bool WriteLaheyRec(TRecFile& f, const void* buf, int64_t len, TFileFlavour flavour,
                   std::string& msg) {
  assert(f.IsOpen() && f.File->IsWriting());
  if (!CheckRecLen(len, flavour, msg)) return Tagged(msg, "WriteLaheyRec");
  uint8_t lead[4], trail[4];
  int trailSize = 0;
  const int leadSize = BuildMarkers(static_cast<int32_t>(len), flavour, lead, trail, trailSize);
  ByteFile& file = *f.File;
  if (!file.Write(lead, leadSize) || !file.Write(buf, len) || !file.Write(trail, trailSize)) {
    return Fail(msg, kNoSpace) || Tagged(msg, "WriteLaheyRec");
  }
  return true;
}

void SkipBytes(TRecFile& f, int64_t n) {
  assert(f.IsOpen() && n >= 0);
  if (!f.Large) {
    f.File->Skip(n);
    return;
  }
  // Read and drop, one buffer at a time; a short read leaves the position
  // past the end, as repositioning would.
  while (n > 0) {
    const int64_t piece = std::min<int64_t>(n, MaxHarBuf + 1);
    const int64_t got = f.File->Read(HarBuf(), piece);
    n -= got;
    if (got < piece) {
      f.File->Skip(n);
      return;
    }
  }
}

bool SkipHead(TRecFile& f, char name[4], bool& found, TFileFlavour flavour, std::string& msg) {
  found = false;
  for (;;) {
    int32_t recLen = 0, recLenCheck = 0;
    bool atEof = false;
    const bool ok = flavour == TFileFlavour::NewFujitsu
                        ? FujiGetRecLen(f, recLen, atEof, msg)
                        : GetRecLenA(f, recLen, recLenCheck, atEof, msg);
    if (!ok) return Tagged(msg, "SkipHead");
    if (atEof) return true;
    if (recLen == 4) {
      if (!FileRead(f, name, 4, msg)) return Tagged(msg, "SkipHead");
      const bool checked = flavour == TFileFlavour::NewFujitsu ? FujiChkRecLen(f, 4, msg)
                                                               : ChkRecLen(f, recLenCheck, msg);
      if (!checked) return Tagged(msg, "SkipHead");
      found = true;
      return true;
    }
    if (flavour == TFileFlavour::NewFujitsu) {
      SkipBytes(f, recLen);
      if (!FujiChkRecLen(f, recLen, msg)) return Tagged(msg, "SkipHead");
    } else if (!SkipWithin(f, int64_t{recLen} + LaheyLenBytes(recLenCheck))) {
      // The trailing marker is passed over unread, so a cut-off record would
      // otherwise look like a clean end of the file.
      return Fail(msg, "Unexpected end-of-file [SkipBytes]") || Tagged(msg, "SkipHead");
    }
  }
}

bool GetHead(TRecFile& f, std::string& name, bool& found, TFileFlavour flavour, std::string& msg) {
  char chars[4] = {' ', ' ', ' ', ' '};
  name = BlankHead;
  if (!SkipHead(f, chars, found, flavour, msg)) return Tagged(msg, "GetHead");
  if (!found) return true;
  for (char& c : chars) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  name.assign(chars, 4);
  return true;
}

bool WriteRecBuf(TRecFile& f, const void* struc, int32_t strucSiz, const void* elms, int64_t nElms,
                 int32_t sizElms, TFileFlavour flavour, std::string& msg) {
  assert(f.IsOpen() && f.File->IsWriting());
  msg.clear();
  if (strucSiz < 0 || nElms < 0 || sizElms < 0) {
    return Fail(msg, "Negative record part") || Tagged(msg, "WriteRecBuf");
  }
  int64_t lenElms = 0;
  if (__builtin_mul_overflow(nElms, int64_t{sizElms}, &lenElms) || lenElms > MaxRecLen(flavour)) {
    return Fail(msg, std::string("Record too long for ") + FlavourName(flavour) +
                         " framing: " + std::to_string(nElms) + " elements of " +
                         std::to_string(sizElms) + " bytes") ||
           Tagged(msg, "WriteRecBuf");
  }
  const int64_t recLen = int64_t{LenHead} + strucSiz + lenElms;
  if (!CheckRecLen(recLen, flavour, msg)) return Tagged(msg, "WriteRecBuf");
  uint8_t lead[4], trail[4];
  int trailSize = 0;
  const int leadSize = BuildMarkers(static_cast<int32_t>(recLen), flavour, lead, trail, trailSize);
  ByteFile& file = *f.File;
  bool ok = file.Write(lead, leadSize) && file.Write(BlankHead, LenHead);
  ok = ok && (strucSiz == 0 || file.Write(struc, strucSiz));
  ok = ok && (lenElms == 0 || file.Write(elms, lenElms));
  ok = ok && file.Write(trail, trailSize);
  if (!ok) return Fail(msg, kNoSpace) || Tagged(msg, "WriteRecBuf");
  return true;
}

bool GetRecBuf(TRecFile& f, const uint8_t*& strucPtr, int32_t strucSiz, const uint8_t*& elmsPtr,
               int32_t& nElms, int32_t sizElms, TFileFlavour flavour, std::string& msg) {
  assert(strucSiz >= 0 && sizElms >= 0);
  if (sizElms == 0) return Fail(msg, "sizelms=0") || Tagged(msg, "GetRecBuf");
  int32_t recLen = 0;
  if (!GetNextRec(f, HarBuf(), recLen, flavour, msg)) return Tagged(msg, "GetRecBuf");
  const int64_t fixedLen = int64_t{LenHead} + strucSiz;
  if (recLen < fixedLen) {
    return Fail(msg,
                "Record too Short " + std::to_string(recLen) + "/" + std::to_string(fixedLen)) ||
           Tagged(msg, "GetRecBuf");
  }
  strucPtr = HarBuf() + LenHead;
  elmsPtr = strucPtr + strucSiz;
  const int64_t rest = recLen - fixedLen;
  if (rest % sizElms != 0) return Fail(msg, "Non-Unit Record Length") || Tagged(msg, "GetRecBuf");
  nElms = static_cast<int32_t>(rest / sizElms);
  return true;
}

}  // namespace modrask
